#include "objects/objectimage.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"
#include "objects/changehistory.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objects/thumbnails.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>

#include <algorithm>

namespace {
// Bumped whenever the serialized layout changes; older layouts stay readable.
constexpr qint32 ImageFormat = 1;

DescriptionField fieldOf(const ObjectImage::Value &value)
{
    DescriptionField field;
    field.id = value.fieldId;
    field.name = value.fieldName;
    field.lookup = value.kind == FieldKind::Lookup;
    field.typeName = FieldKinds::Info(field.lookup ? FieldKind::String : value.kind).typeName;
    return field;
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && (a.isNull() || a == b);
}

QHash<qint64, DescriptionField> fieldsById(TDModule &module)
{
    QHash<qint64, DescriptionField> fields;
    for (const DescriptionField &field : ReadDescriptionFields(module))
        fields.insert(field.id, field);
    return fields;
}

bool bookExists(TDModule &module, qint64 referId)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT R_ID FROM REFERS WHERE R_ID = ?"), {referId}).isEmpty();
}

bool entryExists(TDModule &module, qint64 referId, qint64 entryId)
{
    return !module.QRWork
                ->readAll(QLatin1String("SELECT ") + SchemaName::BookId(referId) + QLatin1String(" FROM ")
                              + SchemaName::BookTable(referId) + QLatin1String(" WHERE ") + SchemaName::BookId(referId)
                              + QLatin1String(" = ?"),
                          {entryId})
                .isEmpty();
}

bool linkFits(TDModule &module, const ObjectImage::Link &link)
{
    return bookExists(module, link.referId) && entryExists(module, link.referId, link.entryId)
           && (link.captionId == 0 || entryExists(module, link.referId, link.captionId));
}

// The value a field's column receives from the image; a lookup text becomes its entry again.
QVariant columnValue(TDModule &module, const ObjectImage::Value &value)
{
    if (value.kind != FieldKind::Lookup)
        return value.stored;
    if (value.emptyEntry)
        return 0;
    if (value.stored.isNull())
        return QVariant();
    return LookupEntryId(module, value.fieldId, value.stored.toString());
}

// The image's values whose fields still exist with the same kind.
QList<ObjectImage::Value> fittingValues(TDModule &module, const ObjectImage &image)
{
    const QHash<qint64, DescriptionField> fields = fieldsById(module);
    QList<ObjectImage::Value> fitting;
    for (const ObjectImage::Value &value : image.values) {
        const auto field = fields.constFind(value.fieldId);
        if (field != fields.constEnd() && field->kind() == value.kind)
            fitting << value;
    }
    return fitting;
}

void insertLinks(TDModule &module, const ObjectImage &image, qint64 objectId)
{
    for (const ObjectImage::Link &link : image.links) {
        if (!linkFits(module, link))
            continue;
        const qint64 linkId = module.GenID(QStringLiteral("LINKS")).toLongLong();
        module.exec(QStringLiteral("INSERT INTO LINKS VALUES(?,?,?,?,?,?)"),
                    {linkId, objectId, link.referId, link.entryId, link.value, link.captionId});
    }
}
}

QString ObjectImage::Value::shownText() const
{
    if (kind == FieldKind::Image)
        return stored.isNull() || stored.toByteArray().isEmpty() ? QString() : QStringLiteral("изображение");
    if (kind == FieldKind::Lookup)
        return emptyEntry ? QString() : stored.toString();
    return DisplayText(fieldOf(*this), stored);
}

QString ObjectImage::Link::shownText() const
{
    QString text = (captionId == 0 ? bookName : captionName) + QLatin1String(": ") + entryName;
    if (!value.isEmpty())
        text += QLatin1String(" = ") + value;
    return text;
}

QString ObjectImage::title() const
{
    for (const Value &value : values) {
        if (!FieldKinds::Info(value.kind).gridColumn)
            continue;
        const QString text = value.shownText();
        if (!text.isEmpty())
            return text;
    }
    return QStringLiteral("Объект %1").arg(objectId);
}

QByteArray ObjectImage::serialize() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << ImageFormat << objectId << qint32(values.size());
    for (const Value &value : values)
        out << value.fieldId << value.fieldName << qint32(value.kind) << value.stored << value.emptyEntry;
    out << qint32(links.size());
    for (const Link &link : links)
        out << link.referId << link.entryId << link.value << link.captionId << link.bookName << link.entryName << link.captionName;
    return bytes;
}

ObjectImage ObjectImage::deserialize(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    ObjectImage image;
    qint32 format = 0, count = 0;
    in >> format >> image.objectId >> count;
    if (format != ImageFormat || count < 0)
        throw DbError(QStringLiteral("Запись удалённого объекта повреждена."));
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Value value;
        qint32 kind = 0;
        in >> value.fieldId >> value.fieldName >> kind >> value.stored >> value.emptyEntry;
        value.kind = FieldKind(kind);
        image.values << value;
    }
    in >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Link link;
        in >> link.referId >> link.entryId >> link.value >> link.captionId >> link.bookName >> link.entryName >> link.captionName;
        image.links << link;
    }
    if (in.status() != QDataStream::Ok)
        throw DbError(QStringLiteral("Запись удалённого объекта повреждена."));
    return image;
}

bool ObjectImage::holds(const ObjectImage &earlier) const
{
    if (links.size() != earlier.links.size())
        return false;
    for (const Value &a : earlier.values) {
        const auto b = std::find_if(values.cbegin(), values.cend(), [&](const Value &v) { return v.fieldId == a.fieldId; });
        if (b == values.cend() || a.kind != b->kind || a.emptyEntry != b->emptyEntry || !sameValue(a.stored, b->stored))
            return false;
    }
    for (int i = 0; i < links.size(); ++i) {
        const Link &a = links[i], &b = earlier.links[i];
        if (a.referId != b.referId || a.entryId != b.entryId || a.value != b.value || a.captionId != b.captionId)
            return false;
    }
    return true;
}

std::optional<ObjectImage> ReadObjectImage(TDModule &module, qint64 objectId)
{
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    QStringList columns{QStringLiteral("G_ID")};
    for (const DescriptionField &field : fields) {
        columns << field.column();
        if (field.lookup)
            columns << QLatin1String("(SELECT ") + SchemaName::LookupData(field.id) + QLatin1String(" FROM ")
                           + SchemaName::LookupTable(field.id) + QLatin1String(" WHERE ") + SchemaName::LookupId(field.id)
                           + QLatin1String(" = ") + field.column() + QLatin1Char(')');
    }
    // Held to the end of the caller's transaction: what undo compares is what it then changes.
    const QList<QVariantList> rows = module.QRWork->readAll(
        QLatin1String("SELECT ") + columns.join(QLatin1String(", ")) + QLatin1String(" FROM GENER WHERE G_ID = ?")
            + Engine::HoldRowsRead(module.engine()),
        {objectId});
    if (rows.isEmpty())
        return std::nullopt;
    const QVariantList &row = rows.first();
    ObjectImage image;
    image.objectId = objectId;
    int at = 1;
    for (const DescriptionField &field : fields) {
        ObjectImage::Value value;
        value.fieldId = field.id;
        value.fieldName = field.name;
        value.kind = field.kind();
        value.stored = row.at(at++);
        if (field.lookup) {
            value.emptyEntry = !value.stored.isNull() && value.stored.toLongLong() == 0;
            value.stored = value.emptyEntry ? QVariant() : row.at(at);
            ++at;
        }
        image.values << value;
    }
    const QList<QVariantList> links = module.QRWork->readAll(
        QStringLiteral("SELECT L_REFER, L_CLASS, L_VALUE, L_CAPTION, R_NAME FROM LINKS, REFERS WHERE (L_OBJECT = ?) "
                       "AND (L_REFER = R_ID) ORDER BY L_ID"),
        {objectId});
    for (const QVariantList &linkRow : links) {
        ObjectImage::Link link;
        link.referId = linkRow.at(0).toLongLong();
        link.entryId = linkRow.at(1).toLongLong();
        link.value = linkRow.at(2).toString();
        link.captionId = linkRow.at(3).toLongLong();
        link.bookName = linkRow.at(4).toString();
        const auto nameOf = [&](qint64 entryId) {
            const QList<QVariantList> names = module.QRWork->readAll(
                QLatin1String("SELECT ") + SchemaName::BookName(link.referId) + QLatin1String(" FROM ")
                    + SchemaName::BookTable(link.referId) + QLatin1String(" WHERE ") + SchemaName::BookId(link.referId)
                    + QLatin1String(" = ?"),
                {entryId});
            return names.isEmpty() ? QString() : names.first().first().toString();
        };
        link.entryName = nameOf(link.entryId);
        if (link.captionId != 0)
            link.captionName = nameOf(link.captionId);
        image.links << link;
    }
    return image;
}

QStringList ImageMisfits(TDModule &module, const ObjectImage &image)
{
    const QHash<qint64, DescriptionField> fields = fieldsById(module);
    QStringList misfits;
    for (const ObjectImage::Value &value : image.values) {
        const auto field = fields.constFind(value.fieldId);
        if (field != fields.constEnd() && field->kind() == value.kind)
            continue;
        const QString shown = value.shownText();
        misfits << (field == fields.constEnd() ? QStringLiteral("поле «%1» удалено").arg(value.fieldName)
                                               : QStringLiteral("у поля «%1» другой тип").arg(value.fieldName))
                       + (shown.isEmpty() ? QString() : QStringLiteral(" (значение: %1)").arg(shown));
    }
    for (const ObjectImage::Link &link : image.links) {
        if (!linkFits(module, link))
            misfits << QStringLiteral("параметр «%1»: справочник или его запись удалены").arg(link.shownText());
    }
    return misfits;
}

void InsertObjectImage(TDModule &module, const ObjectImage &image, qint64 objectId)
{
    QStringList columns{QStringLiteral("G_ID")};
    QVariantList values{objectId};
    for (const ObjectImage::Value &value : fittingValues(module, image)) {
        columns << SchemaName::FieldColumn(value.fieldId);
        values << columnValue(module, value);
    }
    module.exec(QLatin1String("INSERT INTO GENER (") + columns.join(QLatin1String(", ")) + QLatin1String(") VALUES(")
                    + QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')'),
                values);
    // Thumbnails left under the number are another picture's: the maker makes the image's own.
    Thumbnails::Drop(module, objectId);
    // Links an abandoned addition left under the number go: the object has the image's links only.
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = ?"), {objectId});
    insertLinks(module, image, objectId);
}

void RewriteObjectImage(TDModule &module, const ObjectImage &image)
{
    ChangeHistory::KeepVersion(module, image.objectId);
    QStringList assignments;
    QVariantList values;
    for (const ObjectImage::Value &value : fittingValues(module, image)) {
        assignments << SchemaName::FieldColumn(value.fieldId) + QLatin1String(" = ?");
        values << columnValue(module, value);
    }
    if (!assignments.isEmpty()) {
        values << image.objectId;
        module.exec(QLatin1String("UPDATE GENER SET ") + assignments.join(QLatin1String(", ")) + QLatin1String(" WHERE G_ID = ?"),
                    values);
    }
    Thumbnails::Drop(module, image.objectId);
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = ?"), {image.objectId});
    insertLinks(module, image, image.objectId);
}

void EraseObjectRows(TDModule &module, qint64 objectId)
{
    ChangeHistory::KeepVersion(module, objectId);
    // The object first: a program adding a link to it holds its row, so the links are deleted only after
    // that link is stored, and go with the rest.
    module.exec(QStringLiteral("DELETE FROM GENER WHERE G_ID = ?"), {objectId});
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = ?"), {objectId});
    Thumbnails::Drop(module, objectId);
}

bool ObjectExists(TDModule &module, qint64 objectId)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT G_ID FROM GENER WHERE G_ID = ?"), {objectId}).isEmpty();
}
