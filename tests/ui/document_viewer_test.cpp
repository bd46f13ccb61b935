#include "recording_messages.h"
#include "ui/document_viewer.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// A PDF that no program opens is not a silent failure: the salesperson learns where it was written.
TEST(DocumentViewer, a_document_no_program_opens_is_told_with_its_path)
{
    const QString path = QDir::temp().filePath(u"42.pdf"_s);
    RecordingMessages messages;
    QList<QUrl> asked;
    for (const bool opened : {true, false})
        open_in_viewer(messages, path, [&](const QUrl& url) {
            asked << url;
            return opened;
        });
    EXPECT_EQ(asked, (QList<QUrl>{QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)}));
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(
        messages.said[0].startsWith(u"warning: Nenhum programa deste computador abriu o documento."_s));
    EXPECT_TRUE(messages.said[0].contains(QDir::toNativeSeparators(path))) << messages.said[0].toStdString();
}
