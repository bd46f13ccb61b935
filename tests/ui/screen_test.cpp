#include "core/errors.h"
#include "ui/screen.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CardEdits, values_fill_their_edits_and_a_text_cut_off_shows_whole_on_hover)
{
    QWidget card;
    card.setObjectName(u"Tfrm_Cad_Clientes"_s);
    auto* rua = new QLineEdit(&card);
    rua->setObjectName(u"edtRua"_s);
    rua->setGeometry(0, 0, 120, 24);
    auto* uf = new QLineEdit(&card);
    uf->setObjectName(u"edtUF"_s);
    uf->setGeometry(0, 30, 120, 24);
    card.show();

    const QString street = u"PRAÇA DOUTOR OSWALDO CRUZ, QUADRA 12, LOTE 4"_s;
    // Filled twice, as a card shown again is: still one tooltip per hover.
    for (int i = 0; i < 2; ++i)
        fill_edits(&card, {{u"edtRua"_s, street}, {u"edtUF"_s, u"GO"_s}});
    EXPECT_EQ(rua->text(), street);
    EXPECT_EQ(rua->cursorPosition(), 0); // the start of the street shows

    const struct {
        QLineEdit* edit;
        QString tip; // empty: none
    } cases[] = {
        {uf, {}}, // first: a tooltip shown fades out only after a while
        {rua, street},
    };
    for (const auto& c : cases) {
        const QPoint at = c.edit->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, c.edit->mapToGlobal(at));
        QApplication::sendEvent(c.edit, &hover);
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        EXPECT_EQ(QToolTip::isVisible() ? shown.toPlainText() : QString(), c.tip)
            << c.edit->objectName().toStdString();
    }
    QToolTip::hideText();

    // A value for an edit the card lacks is the program's fault, told as such.
    EXPECT_THROW(fill_edits(&card, {{u"edtNada"_s, u"x"_s}}), Error);
}
