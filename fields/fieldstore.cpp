#include "fields/fieldstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldindexes.h"
#include "fields/fieldkind.h"
#include "fields/typeconversion.h"
#include "objects/thumbnails.h"
#include "objects/searchindex.h"
#include "objects/sortkeys.h"

#include <QHash>

#include <optional>
#include <utility>

namespace FieldStore {

namespace {

using namespace SchemaName;

QList<QVariantList> readAll(TDModule &module, const QString &sql, const QVariantList &values = {})
{
    return module.QRWork->readAll(sql, values);
}

struct TypeRow {
    QString name;
    QString sqlType;
};

TypeRow readType(TDModule &module, int type)
{
    const auto rows = readAll(module, QStringLiteral("SELECT T_NAME, T_ENG FROM TYPES WHERE T_ID = ?"), {type});
    if (rows.isEmpty())
        throw DbError(QStringLiteral("Тип данных %1 не найден в таблице TYPES").arg(type));
    return {rows.first().at(0).toString(), rows.first().at(1).toString()};
}

void addColumn(TDModule &module, qint64 fieldId, const TypeRow &type, bool lookup)
{
    try {
        module.exec(QLatin1String("ALTER TABLE GENER ADD ") + FieldColumn(fieldId) + QLatin1Char(' ')
                    + (lookup ? QStringLiteral("INTEGER") : Engine::ColumnType(module.engine(), type.sqlType)));
    } catch (const DbError &error) {
        if (Engine::TooManyColumns(error.message()))
            throw DbError(QStringLiteral("В базе данных уже столько полей описания, сколько она может хранить! "
                                         "Удалите ненужные поля, чтобы добавить новое."));
        throw;
    }
}

void dropColumn(TDModule &module, qint64 fieldId)
{
    FieldIndexes::DropColumnIndex(module, fieldId);
    module.exec(QLatin1String("ALTER TABLE GENER DROP ") + FieldColumn(fieldId));
    Thumbnails::DropField(module, fieldId);
}

// A new list holds only the empty entry, and every object points at it.
void createLookupList(TDModule &module, qint64 fieldId, const TypeRow &type)
{
    module.exec(QLatin1String("CREATE TABLE ") + LookupTable(fieldId) + QLatin1Char('(') + LookupId(fieldId)
                + QLatin1String(" INTEGER NOT NULL PRIMARY KEY,") + LookupData(fieldId) + QLatin1Char(' ')
                + Engine::ColumnType(module.engine(), type.sqlType)
                + QLatin1Char(')'));
    module.exec(QLatin1String("INSERT INTO ") + LookupTable(fieldId) + QLatin1String(" VALUES(0,?)"), {EmptyLookupText});
    // Entry numbers are not searched texts: the index has nothing to make anew.
    WithoutSearchTracking(module, [&] {
        SortKeys::WithoutTracking(module, [&] { module.exec(QLatin1String("UPDATE GENER SET ") + FieldColumn(fieldId) + QLatin1String(" = 0")); });
    });
}

// Built after the column is filled: one pass over the values, not an index update per row.
void createIndexes(TDModule &module, qint64 fieldId, const TypeRow &type, bool lookup)
{
    DescriptionField field;
    field.id = fieldId;
    field.typeName = type.name;
    field.lookup = lookup;
    FieldIndexes::CreateFieldIndexes(module, field);
}

void dropLookupList(TDModule &module, qint64 fieldId)
{
    module.exec(QLatin1String("DROP TABLE ") + LookupTable(fieldId));
}

// A field's values as another type takes them: the rows that keep a value, and how many values are lost.
struct ConvertedColumn {
    QList<std::pair<qint64, QVariant>> kept;
    qint64 lost = 0;
};

ConvertedColumn convertColumn(TDModule &module, const DescriptionField &from, const DescriptionField &to)
{
    ConvertedColumn column;
    const QString value = from.column();
    if (from.kind() == FieldKind::Image) {
        // Pictures become nothing else: they are counted, not read.
        column.lost = readAll(module, QLatin1String("SELECT COUNT(*) FROM GENER WHERE ") + value + QLatin1String(" IS NOT NULL"))
                          .first().first().toLongLong();
        return column;
    }
    // A lookup field's value is its entry's text; the empty entry is no value.
    const QString sql = from.lookup
        ? QLatin1String("SELECT G_ID, ") + LookupData(from.id) + QLatin1String(" FROM GENER JOIN ") + LookupTable(from.id)
              + QLatin1String(" ON ") + value + QLatin1String(" = ") + LookupId(from.id) + QLatin1String(" WHERE ") + value
              + QLatin1String(" <> 0")
        : QLatin1String("SELECT G_ID, ") + value + QLatin1String(" FROM GENER WHERE ") + value + QLatin1String(" IS NOT NULL");
    for (const QVariantList &row : readAll(module, sql)) {
        const std::optional<QVariant> converted = TypeConversion::Converted(from, to, row.at(1));
        if (!converted)
            ++column.lost;
        else if (!converted->isNull())
            column.kept.append({row.at(0).toLongLong(), *converted});
    }
    return column;
}

// Writes the kept values into the field's new column; a new lookup list gets one entry per text.
void fillColumn(TDModule &module, const DescriptionField &to, const QList<std::pair<qint64, QVariant>> &kept)
{
    const QString set = QLatin1String("UPDATE GENER SET ") + to.column() + QLatin1String(" = ? WHERE G_ID = ?");
    if (!to.lookup) {
        for (const auto &[object, value] : kept)
            module.exec(set, {value, object});
        return;
    }
    QHash<QString, qint64> entries;
    const QString addEntry = QLatin1String("INSERT INTO ") + LookupTable(to.id) + QLatin1String(" VALUES(?,?)");
    WithoutSearchTracking(module, [&] {
        for (const auto &[object, value] : kept) {
            const QString text = value.toString();
            qint64 entry = entries.value(text);
            if (entry == 0) {
                // The list is new: its entries are numbered from 1.
                entry = entries.size() + 1;
                entries.insert(text, entry);
                module.exec(addEntry, {entry, text});
            }
            module.exec(set, {entry, object});
        }
    });
}

DescriptionField describedAs(qint64 fieldId, const QString &typeName, bool lookup)
{
    DescriptionField field;
    field.id = fieldId;
    field.typeName = typeName;
    field.lookup = lookup;
    return field;
}

QString typeNameOf(TDModule &module, int type)
{
    const auto rows = readAll(module, QStringLiteral("SELECT T_NAME FROM TYPES WHERE T_ID = ?"), {type});
    return rows.isEmpty() ? QString() : rows.first().first().toString();
}

void checkType(int type)
{
    if (type < 0 || type >= FieldKinds::TypeCount())
        throw DbError(QStringLiteral("Неизвестный тип данных: %1").arg(type));
}

}

QStringList TypeCaptions()
{
    QStringList captions;
    for (const FieldKindInfo &info : FieldKinds::Types())
        captions << info.caption;
    return captions;
}

int TypeNumber(TDModule &module, const QString &typeName)
{
    const auto rows = readAll(module, QStringLiteral("SELECT T_ID FROM TYPES WHERE T_NAME = ?"), {typeName});
    return rows.isEmpty() ? -1 : rows.first().first().toInt();
}

FieldDefinition ReadField(TDModule &module, qint64 fieldId)
{
    const auto rows = readAll(module, QStringLiteral("SELECT F_ID, F_NAME, F_TYPE, F_LOOKUP FROM FIELDS WHERE F_ID = ?"), {fieldId});
    if (rows.isEmpty())
        throw DbError(QStringLiteral("Поле описания %1 не найдено").arg(fieldId));
    const QVariantList &row = rows.first();
    return {row.at(0).toLongLong(), row.at(1).toString(), row.at(2).toInt(), row.at(3).toLongLong() != 0};
}

qint64 AddField(TDModule &module, const QString &name, int type, bool lookup)
{
    checkType(type);
    if (type != StringType)
        lookup = false;
    Transaction tx(module);
    module.FinishPendingReads();
    const qint64 fieldId = module.GenID(QStringLiteral("FIELDS")).toLongLong();
    module.QRWork->close();
    module.exec(QStringLiteral("INSERT INTO FIELDS VALUES(?,?,?,?)"), {fieldId, name, type, lookup ? -1 : 0});
    const TypeRow typeRow = readType(module, type);
    addColumn(module, fieldId, typeRow, lookup);
    if (lookup)
        createLookupList(module, fieldId, typeRow);
    createIndexes(module, fieldId, typeRow, lookup);
    SyncSearchIndexFields(module);
    SortKeys::Sync(module);
    tx.commit();
    return fieldId;
}

namespace {
// The column's description before and after a change to `type` (and `lookup`); nothing when the change
// keeps the column as it is.
std::optional<std::pair<DescriptionField, DescriptionField>> rebuiltColumn(TDModule &module, qint64 fieldId, int type, bool lookup)
{
    checkType(type);
    if (type != StringType)
        lookup = false;
    const FieldDefinition former = ReadField(module, fieldId);
    DescriptionField from = describedAs(fieldId, typeNameOf(module, former.type), former.lookup);
    DescriptionField to = describedAs(fieldId, readType(module, type).name, lookup);
    if (from.typeName == to.typeName && from.lookup == to.lookup)
        return std::nullopt;
    return std::make_pair(from, to);
}
}

qint64 ValuesLostByChange(TDModule &module, qint64 fieldId, int type, bool lookup)
{
    const auto column = rebuiltColumn(module, fieldId, type, lookup);
    return column ? convertColumn(module, column->first, column->second).lost : 0;
}

bool ChangeRebuildsColumn(TDModule &module, qint64 fieldId, int type, bool lookup)
{
    return rebuiltColumn(module, fieldId, type, lookup).has_value();
}

qint64 ChangeField(TDModule &module, qint64 fieldId, const QString &name, int type, bool lookup)
{
    checkType(type);
    if (type != StringType)
        lookup = false;
    Transaction tx(module);
    module.FinishPendingReads();
    const FieldDefinition former = ReadField(module, fieldId);
    const DescriptionField from = describedAs(fieldId, typeNameOf(module, former.type), former.lookup);
    const TypeRow typeRow = readType(module, type);
    const DescriptionField to = describedAs(fieldId, typeRow.name, lookup);
    // Same type name and same flag: a rename, the column and its values stay.
    const bool rebuilt = from.typeName != to.typeName || from.lookup != to.lookup;
    // Read before the column goes: what converts is written into the new one.
    const ConvertedColumn values = rebuilt ? convertColumn(module, from, to) : ConvertedColumn();

    module.exec(QStringLiteral("UPDATE FIELDS SET F_NAME = ?, F_TYPE = ?, F_LOOKUP = ? WHERE F_ID = ?"),
                {name, type, lookup ? -1 : 0, fieldId});
    if (former.lookup && !lookup)
        dropLookupList(module, fieldId);
    if (rebuilt) {
        dropColumn(module, fieldId);
        addColumn(module, fieldId, typeRow, lookup);
    }
    if (!former.lookup && lookup)
        createLookupList(module, fieldId, typeRow);
    if (rebuilt) {
        // A new key column gets its keys from Sync; no object needs marking.
        SortKeys::WithoutTracking(module, [&] { fillColumn(module, to, values.kept); });
        createIndexes(module, fieldId, typeRow, lookup);
    }
    SyncSearchIndexFields(module);
    SortKeys::Sync(module);
    if (rebuilt)
        RefreshSearchIndex(module);
    tx.commit();
    return values.lost;
}

bool DeleteField(TDModule &module, qint64 fieldId)
{
    Transaction tx(module);
    module.FinishPendingReads();
    const FieldDefinition former = ReadField(module, fieldId);
    if (former.lookup)
        dropLookupList(module, fieldId);
    dropColumn(module, fieldId);
    module.exec(QStringLiteral("DELETE FROM FIELDS WHERE F_ID = ?"), {fieldId});
    const bool noneLeft = readAll(module, QLatin1String("SELECT COUNT(*) FROM (") + FieldQuery + QLatin1String(") AS DESCRIBED"))
                               .first().first().toLongLong() == 0;
    // Objects without any field cannot be shown or edited: they go with their links.
    if (noneLeft) {
        module.exec(QStringLiteral("DELETE FROM GENER"));
        module.exec(QStringLiteral("DELETE FROM LINKS"));
    }
    SyncSearchIndexFields(module);
    SortKeys::Sync(module);
    RefreshSearchIndex(module);
    tx.commit();
    return noneLeft;
}

QList<LookupEntry> ReadLookupList(TDModule &module, qint64 fieldId)
{
    const QString idColumn = LookupId(fieldId);
    const QString dataColumn = LookupData(fieldId);
    // The number as second key keeps equal texts in a stable order.
    const auto rows = readAll(module, QLatin1String("SELECT ") + idColumn + QLatin1String(", ") + dataColumn
                                          + QLatin1String(" FROM ") + LookupTable(fieldId) + QLatin1String(" WHERE ")
                                          + idColumn + QLatin1String(" > 0 ORDER BY ")
                                          + Engine::InCodeOrder(module.engine(), dataColumn) + QLatin1String(", ") + idColumn);
    QList<LookupEntry> entries;
    entries.reserve(rows.size());
    for (const QVariantList &row : rows)
        entries.append({row.at(0).toLongLong(), row.at(1).toString()});
    return entries;
}

qint64 AddLookupEntry(TDModule &module, qint64 fieldId, const QString &text)
{
    Transaction tx(module);
    const qint64 entryId = module.GenID(LookupTable(fieldId), QString::number(fieldId)).toLongLong();
    module.QRWork->close();
    module.exec(QLatin1String("INSERT INTO ") + LookupTable(fieldId) + QLatin1String(" VALUES(?,?)"), {entryId, text});
    tx.commit();
    return entryId;
}

void RenameLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId, const QString &text)
{
    // The empty entry is shared by every object without a value; it is never renamed.
    if (entryId <= 0)
        return;
    module.exec(QLatin1String("UPDATE ") + LookupTable(fieldId) + QLatin1String(" SET ") + LookupData(fieldId)
                    + QLatin1String(" = ? WHERE ") + LookupId(fieldId) + QLatin1String(" = ?"),
                {text, entryId});
}

bool DeleteLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId)
{
    if (entryId <= 0)
        return false;
    Transaction tx(module);
    const bool used = !readAll(module, QLatin1String("SELECT G_ID FROM GENER WHERE ") + FieldColumn(fieldId)
                                           + QLatin1String(" = ? LIMIT 1"), {entryId})
                           .isEmpty();
    if (!used)
        module.exec(QLatin1String("DELETE FROM ") + LookupTable(fieldId) + QLatin1String(" WHERE ") + LookupId(fieldId)
                        + QLatin1String(" = ?"), {entryId});
    tx.commit();
    return !used;
}

}
