#include "objects/searchindex.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "objects/searchengine.h"

#include <QLocale>

namespace {
// Made again when the way texts are written here changes.
constexpr int IndexVersion = 1;
constexpr int BlocksPerStep = 64;
const QString ShownInfo = QStringLiteral("shown");
const QString FieldsInfo = QStringLiteral("fields");

QString readInfo(IndexConnection &db, const QString &name)
{
    const QList<QVariantList> rows = db.rows(QStringLiteral("SELECT I_VALUE FROM %1 WHERE I_NAME = ?").arg(SchemaName::SearchInfoTable), {name});
    return rows.isEmpty() ? QString() : rows.first().first().toString();
}

void writeInfo(IndexConnection &db, const QString &name, const QString &value)
{
    db.exec(QStringLiteral("INSERT INTO %1 (I_NAME, I_VALUE) VALUES (?, ?) ON CONFLICT (I_NAME) DO UPDATE SET I_VALUE = excluded.I_VALUE")
                .arg(SchemaName::SearchInfoTable),
            {name, value});
}

DescriptionField fieldOfKind(FieldKind kind)
{
    DescriptionField field;
    field.lookup = kind == FieldKind::Lookup;
    if (!field.lookup)
        field.typeName = FieldKinds::Info(kind).typeName;
    return field;
}

// What the locale-dependent texts look like: a file indexed under another locale is indexed again.
QString shownSignature()
{
    const auto shown = [](FieldKind kind, const QVariant &stored) { return DisplayText(fieldOfKind(kind), stored); };
    return QStringList{QString::number(IndexVersion), shown(FieldKind::Date, QStringLiteral("2000-12-31")),
                       shown(FieldKind::Time, QStringLiteral("23:59:58")), shown(FieldKind::Real, -1234.5),
                       shown(FieldKind::Boolean, -1), shown(FieldKind::Boolean, 0), QLocale().groupSeparator()}
        .join(QLatin1Char('|'));
}

QList<DescriptionField> readFields(IndexConnection &db)
{
    QList<DescriptionField> fields;
    for (const QVariantList &row : db.rows(FieldQuery)) {
        DescriptionField field;
        field.id = row.at(0).toLongLong();
        field.name = row.at(1).toString();
        field.typeName = row.at(2).toString();
        field.lookup = row.at(4).toLongLong() != 0;
        if (IsSearchIndexed(field))
            fields << field;
    }
    return fields;
}

// Each indexed field with its type: a field gone, or made anew with another type (its column then holds
// nothing yet), leaves texts that no longer stand for anything.
QString fieldsSignature(const QList<DescriptionField> &fields)
{
    QStringList parts;
    for (const DescriptionField &field : fields)
        parts << QStringLiteral("%1:%2").arg(field.id).arg(field.typeName);
    return parts.join(QLatin1Char(';'));
}

void rebuildAll(IndexConnection &db, const std::function<void(int, int)> &progress)
{
    db.exec(QLatin1String("DELETE FROM ") + SchemaName::SearchTextTable);
    db.exec(QLatin1String("DELETE FROM ") + SchemaName::SearchStaleTable);
    const QList<DescriptionField> fields = readFields(db);
    // Blocks as the objects fill them: object numbers need not be dense.
    const QList<QVariantList> range =
        db.rows(QStringLiteral("SELECT MIN(G_ID), MAX(G_ID), COUNT(DISTINCT G_ID >> %1) FROM GENER").arg(SearchBlockShift));
    if (fields.isEmpty() || range.isEmpty() || range.first().first().isNull())
        return;
    const qint64 first = range.first().at(0).toLongLong() >> SearchBlockShift, last = range.first().at(1).toLongLong() >> SearchBlockShift;
    const int total = range.first().at(2).toInt();
    int done = 0;
    if (progress)
        progress(0, total);
    db.readBlocks(fields, first, last, [&](qint64 block, const QList<QByteArray> &texts) {
        db.insertBlock(block, fields, texts);
        if (progress && ++done % BlocksPerStep == 0)
            progress(done, total);
    });
    if (progress)
        progress(total, total);
}

QList<qint64> staleBlocks(IndexConnection &db)
{
    QList<qint64> blocks;
    for (const QVariantList &row : db.rows(QStringLiteral("SELECT S_BLOCK FROM %1 ORDER BY S_BLOCK").arg(SchemaName::SearchStaleTable)))
        blocks << row.first().toLongLong();
    return blocks;
}

void refresh(IndexConnection &db)
{
    const QList<qint64> stale = staleBlocks(db);
    if (stale.isEmpty())
        return;
    const QList<DescriptionField> fields = readFields(db);
    for (const qint64 block : stale) {
        db.exec(QStringLiteral("DELETE FROM %1 WHERE S_BLOCK = %2").arg(SchemaName::SearchTextTable).arg(block));
        if (!fields.isEmpty())
            db.readBlocks(fields, block, block,
                          [&](qint64 shownBlock, const QList<QByteArray> &texts) { db.insertBlock(shownBlock, fields, texts); });
        // Only the marks seen: on a server another program may have marked a block since, for itself to make.
        db.exec(QStringLiteral("DELETE FROM %1 WHERE S_BLOCK = %2").arg(SchemaName::SearchStaleTable).arg(block));
    }
}

void syncFields(IndexConnection &db)
{
    const QString current = fieldsSignature(readFields(db));
    const QString stored = readInfo(db, FieldsInfo);
    if (current == stored)
        return;
    const QStringList kept = current.split(QLatin1Char(';'));
    for (const QString &entry : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!kept.contains(entry))
            db.exec(QStringLiteral("DELETE FROM %1 WHERE S_FIELD = ?").arg(SchemaName::SearchTextTable),
                    {entry.section(QLatin1Char(':'), 0, 0).toLongLong()});
    }
    writeInfo(db, FieldsInfo, current);
}

// Makes the index anew when missing or made under another locale, else brings it up to date.
void ensure(IndexConnection &db, bool existed, const std::function<void(int, int)> &progress)
{
    const QString shown = shownSignature();
    if (!existed || readInfo(db, ShownInfo) != shown) {
        rebuildAll(db, progress);
        writeInfo(db, ShownInfo, shown);
        writeInfo(db, FieldsInfo, fieldsSignature(readFields(db)));
    } else {
        syncFields(db);
        refresh(db);
    }
}


// The search engine chosen for the module's connection: a child of the module, made anew when another
// connection was opened since.
class SearchEngineHolder : public QObject
{
public:
    explicit SearchEngineHolder(TDModule &module) : QObject(&module) { setObjectName(QStringLiteral("SearchEngine")); }
    QString connection;
    EngineKind kind = EngineKind::File;
    std::unique_ptr<SearchEngine> engine;
};
}

QList<qint64> StaleBlocks(IndexConnection &index)
{
    return staleBlocks(index);
}

SearchEngine &SearchEngine::Of(TDModule &module)
{
    auto *holder = module.findChild<SearchEngineHolder *>(QStringLiteral("SearchEngine"), Qt::FindDirectChildrenOnly);
    if (!holder)
        holder = new SearchEngineHolder(module);
    // A file opened after a server database may reuse the connection's name: the engine tells them apart.
    const QString connection = module.database().connectionName();
    if (!holder->engine || holder->connection != connection || holder->kind != module.engine()) {
        holder->engine = Engine::ForEngine(module.engine(), &MakeFileSearchEngine, &MakeServerSearchEngine)(module);
        holder->connection = connection;
        holder->kind = module.engine();
    }
    return *holder->engine;
}

QString BlockRowsStatement(const QList<DescriptionField> &fields, const QString &from, const QString &last)
{
    QString sql = QStringLiteral("SELECT G_ID");
    for (const DescriptionField &field : fields)
        sql += QLatin1String(", ") + field.column();
    return sql + QStringLiteral(" FROM GENER WHERE G_ID >= %1 AND G_ID <= %2 ORDER BY G_ID").arg(from, last);
}

bool IsSearchIndexed(const DescriptionField &field)
{
    return !field.lookup && field.hasGridColumn();
}

void ShownTextFolder::append(FieldKind kind, const QVariant &value, QByteArray &out)
{
    if (value.isNull())
        return;
    appendShown(kind, value.toString().toUtf8(), [&] { return value; }, out);
}

void ShownTextFolder::appendShown(FieldKind kind, const QByteArray &text, const std::function<QVariant()> &stored, QByteArray &out)
{
    const qsizetype start = out.size();
    switch (kind) {
    case FieldKind::String:
    case FieldKind::Integer:
        AppendFolded(text.constData(), int(text.size()), out);
        break;
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::Boolean:
    case FieldKind::Real: {
        QHash<QByteArray, QByteArray> &formatted = m_formatted[int(kind)];
        auto known = formatted.constFind(text);
        if (known == formatted.cend()) {
            QString shown = DisplayText(fieldOfKind(kind), stored());
            if (kind == FieldKind::Real)
                shown.remove(QLocale().groupSeparator());
            // A collection with more distinct values than this is not worth remembering in full.
            if (formatted.size() >= 200000)
                formatted.clear();
            known = formatted.insert(QByteArray(text.constData(), text.size()), FoldForMatching(shown));
        }
        out += *known;
        break;
    }
    default:
        return;
    }
    for (qsizetype i = start; i < out.size(); ++i) {
        if (out[i] == '\x1E' || out[i] == '\x1F')
            out[i] = ' ';
    }
}

void ReadShownBlocks(TDModule &module, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock,
                     const TakeBlock &take, ShownTextFolder *folder)
{
    SearchEngine::Of(module).readShownBlocks(fields, firstBlock, lastBlock, take, folder);
}

bool SearchIndexExists(TDModule &module)
{
    return SearchEngine::Of(module).indexExists();
}

QList<qint64> StaleSearchBlocks(TDModule &module)
{
    return staleBlocks(*SearchEngine::Of(module).index());
}

void EnsureSearchIndex(TDModule &module, const std::function<void(int done, int total)> &progress)
{
    SearchEngine::Of(module).ensureIndex([&](IndexConnection &index, bool existed) { ensure(index, existed, progress); });
}

void RefreshSearchIndex(TDModule &module)
{
    if (SearchIndexExists(module))
        refresh(*SearchEngine::Of(module).index());
}

void SyncSearchIndexFields(TDModule &module)
{
    if (SearchIndexExists(module))
        syncFields(*SearchEngine::Of(module).index());
}

void WithoutSearchTracking(TDModule &module, const std::function<void()> &change)
{
    if (!SearchIndexExists(module)) {
        change();
        return;
    }
    SearchEngine::Of(module).withoutTracking(change);
}
