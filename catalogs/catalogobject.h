#pragma once

#include "catalogs/layouttext.h"
#include "fields/fieldkind.h"

#include <QHash>
#include <QString>
#include <QStringList>

class SharedQuery;
class TDModule;

// What the running catalog shows of one object, without widgets. Failures of the database throw DbError.
namespace CatalogObject {

// The description fields named by a layout's field labels, memos and field images, found once per
// opening. A name that no longer names a field is listed once in `missing`.
struct BoundFields
{
    QHash<QString, DescriptionField> byName;
    QStringList missing;

    bool knows(const QString &name) const { return byName.contains(name); }
};
BoundFields ResolveFields(const QList<DescriptionField> &fields, const Layout::Catalog &layout);

// The message for names that no field carries any more; empty when there are none.
QString MissingFieldsText(const QStringList &names);

// The text a field label or memo shows for the current row of the object list: the lookup text for a
// lookup field, the stored value in the user's locale otherwise (long texts with their line breaks).
QString ShownText(const SharedQuery &list, const DescriptionField &field);

// The picture data of an image field in the current row of the object list.
QByteArray PictureData(TDModule &module, const SharedQuery &list, const DescriptionField &field);

// The lines of a reference list: the object's parameters in the object editor's wording, one per line.
QString ReferenceListText(TDModule &module, qint64 objectId);

}
