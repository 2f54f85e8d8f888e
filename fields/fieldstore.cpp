#include "fields/fieldstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/sqltext.h"

namespace FieldStore {

namespace {

// Reads every row of a statement on the work query: read to its end, it leaves nothing pending on the
// connection, and the rows are copied before any other operation can replace them.
QList<QVariantList> readAll(TDModule &module, const QString &sql)
{
    SharedQuery &query = *module.QRWork;
    query.open(sql);
    const int rowCount = query.recordCount();
    const int columnCount = int(query.columnNames().size());
    QList<QVariantList> result;
    result.reserve(rowCount);
    for (int row = 0; row < rowCount; ++row) {
        QVariantList values;
        values.reserve(columnCount);
        for (int column = 0; column < columnCount; ++column)
            values << query.valueAt(row, column);
        result << values;
    }
    query.close();
    return result;
}

QString id(qint64 value)
{
    return QString::number(value);
}

QString lookupTable(qint64 fieldId)
{
    return QLatin1String("LOOKUP") + id(fieldId);
}

QString lookupIdColumn(qint64 fieldId)
{
    return QLatin1Char('L') + id(fieldId) + QLatin1String("_ID");
}

QString lookupDataColumn(qint64 fieldId)
{
    return QLatin1Char('L') + id(fieldId) + QLatin1String("_DATA");
}

QString fieldColumn(qint64 fieldId)
{
    return QLatin1Char('G') + id(fieldId);
}

struct TypeRow {
    QString name;
    QString sqlType;
};

TypeRow readType(TDModule &module, int type)
{
    const auto rows = readAll(module, QStringLiteral("SELECT T_NAME, T_ENG FROM TYPES WHERE T_ID = %1").arg(type));
    if (rows.isEmpty())
        throw DbError(QStringLiteral("Тип данных %1 не найден в таблице TYPES").arg(type));
    return {rows.first().at(0).toString(), rows.first().at(1).toString()};
}

void addColumn(TDModule &module, qint64 fieldId, const TypeRow &type, bool lookup)
{
    module.exec(QStringLiteral("ALTER TABLE GENER ADD %1 %2")
                    .arg(fieldColumn(fieldId), lookup ? QStringLiteral("INTEGER") : type.sqlType));
}

void dropColumn(TDModule &module, qint64 fieldId)
{
    module.exec(QStringLiteral("ALTER TABLE GENER DROP %1").arg(fieldColumn(fieldId)));
}

// A new list holds only the empty entry, and every object points at it.
void createLookupList(TDModule &module, qint64 fieldId, const TypeRow &type)
{
    module.exec(QStringLiteral("CREATE TABLE %1(%2 INTEGER NOT NULL PRIMARY KEY,%3 %4)")
                    .arg(lookupTable(fieldId), lookupIdColumn(fieldId), lookupDataColumn(fieldId), type.sqlType));
    module.exec(QStringLiteral("INSERT INTO %1 VALUES(0,%2)").arg(lookupTable(fieldId), Quoted(EmptyLookupText)));
    module.exec(QStringLiteral("UPDATE GENER SET %1 = 0").arg(fieldColumn(fieldId)));
}

void dropLookupList(TDModule &module, qint64 fieldId)
{
    module.exec(QStringLiteral("DROP TABLE %1").arg(lookupTable(fieldId)));
}

void checkType(int type)
{
    if (type < 0 || type >= TypeCount)
        throw DbError(QStringLiteral("Неизвестный тип данных: %1").arg(type));
}

}

QStringList TypeCaptions()
{
    return {QStringLiteral("Целое число"),  QStringLiteral("Вещественное число"),
            QStringLiteral("Время"),        QStringLiteral("Дата"),
            QStringLiteral("Логический"),   QStringLiteral("Строка (до 50 символов)"),
            QStringLiteral("Длинный текст"), QStringLiteral("Изображение")};
}

int TypeNumber(TDModule &module, const QString &typeName)
{
    const auto rows = readAll(module, QStringLiteral("SELECT T_ID FROM TYPES WHERE T_NAME = %1").arg(Quoted(typeName)));
    return rows.isEmpty() ? -1 : rows.first().first().toInt();
}

FieldDefinition ReadField(TDModule &module, qint64 fieldId)
{
    const auto rows = readAll(module, QStringLiteral("SELECT F_ID, F_NAME, F_TYPE, F_LOOKUP FROM FIELDS WHERE F_ID = %1").arg(fieldId));
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
    module.exec(QStringLiteral("INSERT INTO FIELDS VALUES(%1,%2,%3,%4)")
                    .arg(id(fieldId), Quoted(name), QString::number(type), SqlBool(lookup)));
    const TypeRow typeRow = readType(module, type);
    addColumn(module, fieldId, typeRow, lookup);
    if (lookup)
        createLookupList(module, fieldId, typeRow);
    tx.commit();
    return fieldId;
}

void ChangeField(TDModule &module, qint64 fieldId, const QString &name, int type, bool lookup)
{
    checkType(type);
    if (type != StringType)
        lookup = false;
    Transaction tx(module);
    module.FinishPendingReads();
    const FieldDefinition former = ReadField(module, fieldId);
    const auto formerTypeRows = readAll(module, QStringLiteral("SELECT T_NAME FROM TYPES WHERE T_ID = %1").arg(former.type));
    const QString formerTypeName = formerTypeRows.isEmpty() ? QString() : formerTypeRows.first().first().toString();

    module.exec(QStringLiteral("UPDATE FIELDS SET F_NAME = %1, F_TYPE = %2, F_LOOKUP = %3 WHERE F_ID = %4")
                    .arg(Quoted(name), QString::number(type), SqlBool(lookup), id(fieldId)));
    if (former.lookup && !lookup)
        dropLookupList(module, fieldId);
    const TypeRow typeRow = readType(module, type);
    // Same type name and same flag: a rename, the column and its values stay.
    if (typeRow.name != formerTypeName || lookup != former.lookup) {
        dropColumn(module, fieldId);
        addColumn(module, fieldId, typeRow, lookup);
    }
    if (!former.lookup && lookup)
        createLookupList(module, fieldId, typeRow);
    tx.commit();
}

bool DeleteField(TDModule &module, qint64 fieldId)
{
    Transaction tx(module);
    module.FinishPendingReads();
    const FieldDefinition former = ReadField(module, fieldId);
    if (former.lookup)
        dropLookupList(module, fieldId);
    dropColumn(module, fieldId);
    module.exec(QStringLiteral("DELETE FROM FIELDS WHERE F_ID = %1").arg(fieldId));
    const bool noneLeft = readAll(module, QLatin1String("SELECT COUNT(*) FROM (") + FieldQuery + QLatin1Char(')'))
                               .first().first().toLongLong() == 0;
    // Objects without any field cannot be shown or edited: they go with their links.
    if (noneLeft) {
        module.exec(QStringLiteral("DELETE FROM GENER"));
        module.exec(QStringLiteral("DELETE FROM LINKS"));
    }
    tx.commit();
    return noneLeft;
}

QList<LookupEntry> ReadLookupList(TDModule &module, qint64 fieldId)
{
    const QString idColumn = lookupIdColumn(fieldId);
    const QString dataColumn = lookupDataColumn(fieldId);
    // The number as second key keeps equal texts in a stable order.
    const auto rows = readAll(module, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 > 0 ORDER BY %2, %1")
                                          .arg(idColumn, dataColumn, lookupTable(fieldId)));
    QList<LookupEntry> entries;
    entries.reserve(rows.size());
    for (const QVariantList &row : rows)
        entries.append({row.at(0).toLongLong(), row.at(1).toString()});
    return entries;
}

qint64 AddLookupEntry(TDModule &module, qint64 fieldId, const QString &text)
{
    Transaction tx(module);
    const qint64 entryId = module.GenID(lookupTable(fieldId), id(fieldId)).toLongLong();
    module.QRWork->close();
    module.exec(QStringLiteral("INSERT INTO %1 VALUES(%2,%3)").arg(lookupTable(fieldId), id(entryId), Quoted(text)));
    tx.commit();
    return entryId;
}

void RenameLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId, const QString &text)
{
    // The empty entry is shared by every object without a value; it is never renamed.
    if (entryId <= 0)
        return;
    module.exec(QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %4 = %5")
                    .arg(lookupTable(fieldId), lookupDataColumn(fieldId), Quoted(text), lookupIdColumn(fieldId), id(entryId)));
}

bool DeleteLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId)
{
    if (entryId <= 0)
        return false;
    Transaction tx(module);
    const bool used = !readAll(module, QStringLiteral("SELECT G_ID FROM GENER WHERE %1 = %2 LIMIT 1")
                                           .arg(fieldColumn(fieldId), id(entryId)))
                           .isEmpty();
    if (!used)
        module.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(lookupTable(fieldId), lookupIdColumn(fieldId), id(entryId)));
    tx.commit();
    return !used;
}

}
