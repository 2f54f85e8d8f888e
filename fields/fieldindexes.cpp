#include "fields/fieldindexes.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"

#include <QSet>

namespace FieldIndexes {

namespace {

using namespace SchemaName;

// A text column as its index orders it. A server's index follows the Russian order the list sorts by;
// a file's is plain, so that any tool can keep it: the list sorts a file's texts by their keys
// (objects/sortkeys.h).
QString textKey(EngineKind engine, const QString &column)
{
    return engine == EngineKind::Server ? Engine::InRussianOrder(engine, column) : column;
}

struct NamedIndex
{
    QString name;
    QString statement;
};

QString createIndex(const QString &name, const QString &table, const QString &key)
{
    return QLatin1String("CREATE INDEX IF NOT EXISTS ") + name + QLatin1String(" ON ") + table + QLatin1Char('(') + key
           + QLatin1Char(')');
}

// A sorted column's index, with empty values where the list puts them.
QString sortKey(EngineKind engine, const QString &key)
{
    return key + Engine::EmptiesFirstInIndex(engine);
}

// In the form of the module's engine, which need not be the open database's (a copy's target).
QList<NamedIndex> indexesOf(const DescriptionField &field, EngineKind engine)
{
    QList<NamedIndex> indexes;
    const QString columnIndex = ColumnIndexStatement(field, engine);
    if (!columnIndex.isEmpty())
        indexes.append({FieldIndex(field.id), columnIndex});
    if (field.lookup)
        indexes.append({LookupDataIndex(field.id), LookupIndexStatement(field.id, engine)});
    return indexes;
}

}

QString ColumnIndexStatement(const DescriptionField &field, EngineKind engine)
{
    if (!field.hasGridColumn())
        return {};
    const bool text = field.kind() == FieldKind::String;
    return createIndex(FieldIndex(field.id), QStringLiteral("GENER"),
                       sortKey(engine, text ? textKey(engine, field.column()) : field.column()));
}

QString LookupIndexStatement(qint64 fieldId, EngineKind engine)
{
    return createIndex(LookupDataIndex(fieldId), LookupTable(fieldId), sortKey(engine, textKey(engine, LookupData(fieldId))));
}

void CreateFieldIndexes(TDModule &module, const DescriptionField &field)
{
    for (const NamedIndex &index : indexesOf(field, module.engine()))
        module.exec(index.statement);
}

void DropColumnIndex(TDModule &module, qint64 fieldId)
{
    module.exec(QLatin1String("DROP INDEX IF EXISTS ") + FieldIndex(fieldId));
}

int EnsureFieldIndexes(TDModule &module)
{
    QSet<QString> existing;
    for (const QVariantList &row : module.QRWork->readAll(Engine::IndexNamesQuery(module.engine())))
        existing.insert(row.first().toString().toUpper());

    QList<NamedIndex> missing;
    if (!existing.contains(LinksFilterIndex))
        missing.append({LinksFilterIndex, LinksFilterIndexStatement});
    for (const QVariantList &row : module.QRWork->readAll(FieldQuery)) {
        DescriptionField field;
        field.id = row.at(0).toLongLong();
        field.typeName = row.at(2).toString();
        field.lookup = row.at(4).toLongLong() != 0;
        for (const NamedIndex &index : indexesOf(field, module.engine())) {
            if (!existing.contains(index.name.toUpper()))
                missing.append(index);
        }
    }
    if (missing.isEmpty())
        return 0;
    try {
        Transaction tx(module);
        for (const NamedIndex &index : missing)
            module.exec(index.statement);
        // The covering index starts with the old entry index's columns, which it replaces.
        if (!existing.contains(LinksFilterIndex))
            module.exec(QStringLiteral("DROP INDEX IF EXISTS LINKS_ENTRY"));
        tx.commit();
    } catch (const DbError &) {
        // A read-only file keeps its old indexes; every statement still gives the same rows.
        return 0;
    }
    return int(missing.size());
}

}
