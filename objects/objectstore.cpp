#include "objects/objectstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/changehistory.h"
#include "objects/objectimage.h"
#include "objects/objectlist.h"
#include "objects/searchindex.h"
#include "objects/sortkeys.h"
#include "objects/thumbnails.h"

#include <QSqlQuery>


namespace {
// The state of the object read so that it stays so to the end of the transaction; nothing when it is gone.
std::optional<ObjectState> readState(TDModule &module, qint64 objectId, const QStringList &columns, bool hold)
{
    const QList<QVariantList> rows = module.QRWork->readAll(
        QLatin1String("SELECT ") + columns.join(QLatin1String(", ")) + QLatin1String(" FROM GENER WHERE G_ID = ?")
            + (hold ? Engine::HoldRowsRead(module.engine()) : QString()),
        {objectId});
    if (rows.isEmpty())
        return std::nullopt;
    return ObjectState{columns, rows.first()};
}

bool sameValues(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].isNull() != b[i].isNull() || (!a[i].isNull() && a[i] != b[i]))
            return false;
    }
    return true;
}

QVariant storedValue(TDModule &module, const FieldInput &input)
{
    if (input.field.kind() == FieldKind::Lookup) {
        const QString tooLong = TooLongText(input.field, input.value.toString());
        if (!tooLong.isEmpty())
            throw DbError(tooLong);
        return LookupEntryId(module, input.field.id, input.value.toString());
    }
    return StoredValue(input.field, input.value, input.pictureChosen);
}
}

int FirstMissingField(const QList<FieldInput> &inputs)
{
    for (int i = 0; i < inputs.size(); ++i) {
        if (FieldKinds::Info(inputs[i].field.kind()).required && inputs[i].value.toString().isEmpty())
            return i;
    }
    return -1;
}

qint64 ReserveObjectId(TDModule &module)
{
    // A server never hands a number out twice, and passes every number links name (a copied file may
    // bring some of an abandoned addition): nothing can be left under it, and no other program is told
    // of a change. A file hands out the number of a deleted last object again.
    const qint64 id = module.GenID(QStringLiteral("GENER"), QString(), {{QStringLiteral("LINKS"), QStringLiteral("L_OBJECT")}}).toLongLong();
    if (Engine::IdentifiersReused(module.engine()))
        module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = ?"), {id});
    return id;
}

QStringList LookupTexts(TDModule &module, qint64 fieldId)
{
    QStringList texts;
    for (const FieldStore::LookupEntry &entry : FieldStore::ReadLookupList(module, fieldId))
        texts << entry.text;
    return texts;
}

qint64 LookupEntryId(TDModule &module, qint64 fieldId, const QString &text)
{
    const QList<QVariantList> rows = module.QRWork->readAll(
        QLatin1String("SELECT ") + SchemaName::LookupId(fieldId) + QLatin1String(" FROM ") + SchemaName::LookupTable(fieldId)
            + QLatin1String(" WHERE ") + SchemaName::LookupData(fieldId) + QLatin1String(" = ? ORDER BY 1 LIMIT 1"),
        {text});
    if (!rows.isEmpty())
        return rows.first().first().toLongLong();
    return FieldStore::AddLookupEntry(module, fieldId, text);
}

namespace {
QString insertStatement(const QList<FieldInput> &inputs)
{
    QStringList columns{QStringLiteral("G_ID")};
    for (const FieldInput &input : inputs)
        columns << input.field.column();
    return QLatin1String("INSERT INTO GENER (") + columns.join(QLatin1String(", ")) + QLatin1String(") VALUES(")
           + QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
}

// The thumbnails of a new object's pictures, `stored` holding the values written for `inputs`.
void renewThumbnails(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs, const QVariantList &stored)
{
    for (int i = 0; i < inputs.size(); ++i) {
        if (inputs[i].field.kind() == FieldKind::Image)
            Thumbnails::Renew(module, objectId, inputs[i].field.id, stored.at(i).toByteArray(), inputs[i].thumbnail);
    }
}
}

void InsertObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
    QVariantList values{objectId};
    for (const FieldInput &input : inputs)
        values << storedValue(module, input);
    module.exec(insertStatement(inputs), values);
    renewThumbnails(module, objectId, inputs, values.mid(1));
    RefreshSearchIndex(module);
    tx.commit();
}

ObjectRowBatch::ObjectRowBatch(TDModule &module)
    : m_module(module), m_insert(std::make_unique<QSqlQuery>(module.database()))
{
}

ObjectRowBatch::~ObjectRowBatch() = default;

void ObjectRowBatch::insert(qint64 objectId, const QList<FieldInput> &inputs)
{
    QVariantList values{objectId};
    for (const FieldInput &input : inputs) {
        if (input.field.kind() != FieldKind::Lookup) {
            values << storedValue(m_module, input);
            continue;
        }
        const QPair<qint64, QString> key{input.field.id, input.value.toString()};
        auto entry = m_entries.constFind(key);
        if (entry == m_entries.constEnd())
            entry = m_entries.insert(key, storedValue(m_module, input).toLongLong());
        values << *entry;
    }
    m_module.execRepeated(*m_insert, insertStatement(inputs), values);
    renewThumbnails(m_module, objectId, inputs, values.mid(1));
}

bool AddObjectsAsOne(TDModule &module, const std::function<bool(ObjectRowBatch &batch, qint64 firstId)> &adding,
                     const std::function<void(qint64 done, qint64 total)> &keysProgress)
{
    Transaction tx(module);
    const qint64 first = module.GenID(QStringLiteral("GENER")).toLongLong();
    // Links an abandoned addition left under the identifiers about to be used would join the new objects.
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT >= ?"), {first});
    ObjectRowBatch batch(module);
    if (!SortKeys::AddObjects(module, first, [&] { return adding(batch, first); }, keysProgress))
        return false;   // the transaction rolls back
    RefreshSearchIndex(module);
    tx.commit();
    return true;
}

std::optional<ObjectState> ReadObjectState(TDModule &module, qint64 objectId, const QList<DescriptionField> &fields)
{
    QStringList columns{QStringLiteral("G_ID")};
    for (const DescriptionField &field : fields)
        columns << (field.kind() == FieldKind::Image ? Engine::DigestOf(field.column()) : field.column());
    return readState(module, objectId, columns, false);
}

bool OpenObjectRow(SharedQuery &query, qint64 objectId, const QList<DescriptionField> &fields)
{
    query.open(ObjectList::OneObjectStatement(fields), {objectId});
    return !query.isEmpty();
}

void UpdateObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs, const std::optional<ObjectState> &asRead)
{
    Transaction tx(module);
    // Before anything is written, and held to the commit: another program's change lands before this
    // read or after this save, never in between.
    const std::optional<ObjectState> now =
        readState(module, objectId, asRead ? asRead->columns : QStringList{QStringLiteral("G_ID")}, true);
    if (!now)
        throw ObjectChangedElsewhere(ObjectChangedElsewhere::Deleted,
                                     QStringLiteral("Объект удалён другим пользователем. Изменения не сохранены."));
    if (asRead && !sameValues(now->values, asRead->values))
        throw ObjectChangedElsewhere(ObjectChangedElsewhere::Changed,
                                     QStringLiteral("Объект изменён другим пользователем после того, как окно было "
                                                    "открыто. Ваши изменения не сохранены."));
    ChangeHistory::KeepVersion(module, objectId);
    QStringList assignments;
    QVariantList values;
    for (const FieldInput &input : inputs) {
        if (input.field.kind() == FieldKind::Image)
            continue;
        assignments << input.field.column() + QLatin1String(" = ?");
        values << storedValue(module, input);
    }
    if (!assignments.isEmpty()) {
        values << objectId;
        module.exec(QStringLiteral("UPDATE GENER SET ") + assignments.join(QLatin1String(", ")) + QLatin1String(" WHERE G_ID = ?"),
                  values);
    }
    for (const FieldInput &input : inputs) {
        if (input.field.kind() != FieldKind::Image || !input.pictureChosen)
            continue;
        const QVariant picture = storedValue(module, input);
        module.exec(QLatin1String("UPDATE GENER SET ") + input.field.column() + QLatin1String(" = ? WHERE G_ID = ?"),
                  {picture, objectId});
        Thumbnails::Renew(module, objectId, input.field.id, picture.toByteArray(), input.thumbnail);
    }
    RefreshSearchIndex(module);
    tx.commit();
}

void DeleteObject(TDModule &module, qint64 objectId)
{
    Transaction tx(module);
    EraseObjectRows(module, objectId);
    RefreshSearchIndex(module);
    tx.commit();
}
