#include "catalogue_lookup.h"

#include "store/table.h"

#include <QVariant>

CatalogueLookup::CatalogueLookup(Table& table, QString id_field)
    : table_(table), id_field_(std::move(id_field))
{
}

CatalogueLookup::~CatalogueLookup()
{
    if (moved_) table_.set_current_visible(was_);
}

bool CatalogueLookup::find(const QString& id)
{
    bool ok = false;
    const qint64 value = id.trimmed().toLongLong(&ok);
    if (!ok) return false;
    if (!moved_) {
        was_ = table_.current_visible();
        moved_ = true;
    }
    return table_.locate(id_field_, QVariant(value));
}
