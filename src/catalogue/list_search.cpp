#include "list_search.h"

#include "store/table.h"

using namespace Qt::StringLiterals;

void aplicar_pesquisa(Table& table, const QString& id_field, const QString& code, const QString& text_field,
                      const QString& name)
{
    if (!code.isEmpty()) {
        table.set_filter(id_field + u" = "_s + code);
    } else if (!name.isEmpty()) {
        QString pattern = name + u'%';
        pattern.replace(u'\'', u"''"_s);
        table.set_filter(text_field + u" LIKE '"_s + pattern + u'\'');
    }
    table.set_filtered(true);
}

int selected_id(const Table& table, QStringView id_field)
{
    return table.current_visible() < 0 ? 0 : table.as_integer(id_field);
}

void limpar_pesquisa(Table& table)
{
    table.set_filter({});
    table.set_filtered(false);
}
