#include "objects/objectstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/searchindex.h"


namespace {
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
    if (module.engine() == EngineKind::File)
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

void InsertObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
    InsertObjectRow(module, objectId, inputs);
    RefreshSearchIndex(module);
    tx.commit();
}

void InsertObjectRow(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
    QStringList columns{QStringLiteral("G_ID")};
    QStringList marks{QStringLiteral("?")};
    QVariantList values{objectId};
    for (const FieldInput &input : inputs) {
        columns << input.field.column();
        marks << QStringLiteral("?");
        values << storedValue(module, input);
    }
    module.exec(QLatin1String("INSERT INTO GENER (") + columns.join(QLatin1String(", ")) + QLatin1String(") VALUES(")
                    + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                values);
    tx.commit();
}

void UpdateObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
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
        module.exec(QLatin1String("UPDATE GENER SET ") + input.field.column() + QLatin1String(" = ? WHERE G_ID = ?"),
                  {storedValue(module, input), objectId});
    }
    RefreshSearchIndex(module);
    tx.commit();
}

void DeleteObject(TDModule &module, qint64 objectId)
{
    Transaction tx(module);
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = ?"), {objectId});
    module.exec(QStringLiteral("DELETE FROM GENER WHERE G_ID = ?"), {objectId});
    RefreshSearchIndex(module);
    tx.commit();
}
