#include "catalogs/catalogobject.h"

#include "app/messages.h"
#include "core/sharedquery.h"
#include "objects/objectlinks.h"
#include "objects/objectlist.h"

namespace CatalogObject {

BoundFields ResolveFields(const QList<DescriptionField> &fields, const Layout::Catalog &layout)
{
    QHash<QString, DescriptionField> all;
    // The first field of a name wins, as a lookup of the name by F_ID order would find it.
    for (auto it = fields.crbegin(); it != fields.crend(); ++it)
        all.insert(it->name, *it);
    BoundFields bound;
    const auto need = [&](const QString &name) {
        if (bound.byName.contains(name) || bound.missing.contains(name))
            return;
        if (all.contains(name))
            bound.byName.insert(name, all.value(name));
        else
            bound.missing << name;
    };
    for (const Layout::FieldLabel &label : layout.fieldLabels)
        need(label.text);
    for (const Layout::FieldMemo &memo : layout.memos)
        need(memo.text);
    for (const Layout::FieldImage &image : layout.fieldImages)
        need(image.fieldName);
    return bound;
}

QString MissingFieldsText(const QStringList &names)
{
    if (names.isEmpty())
        return QString();
    QStringList quoted;
    for (const QString &name : names)
        quoted << QLatin1Char('"') + name + QLatin1Char('"');
    return QStringLiteral("В базе данных нет описательных полей, которые показывает каталог: %1.").arg(quoted.join(QStringLiteral(", ")))
           + MessageLineBreak
           + QStringLiteral("Элементы каталога с этими полями останутся пустыми.");
}

QString ShownText(const SharedQuery &list, const DescriptionField &field)
{
    if (field.kind() == FieldKind::Image)
        return QString();
    return DisplayText(field, list.value(field.listColumn()));
}

QByteArray PictureData(TDModule &module, const SharedQuery &list, const DescriptionField &field)
{
    if (field.kind() != FieldKind::Image)
        return QByteArray();
    return ReadObjectPicture(module, list.asInteger(QStringLiteral("G_ID")), field);
}

QString ReferenceListText(TDModule &module, qint64 objectId)
{
    QStringList lines;
    for (const ObjectLink &link : ReadObjectLinks(module, QString::number(objectId)))
        lines << ObjectLinkText(link);
    return lines.join(QLatin1Char('\n'));
}

}
