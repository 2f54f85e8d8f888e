#include "objects/thumbnails.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/picturefiles.h"
#include "core/fieldkinds.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThreadPool>
#include <QTimer>

#include <utility>

namespace Thumbnails {

namespace {
const QString &Table = SchemaName::ThumbnailsTable;
// How long the maker waits before trying again when another program holds the database.
constexpr int RetryMs = 2000;

QList<QVariantList> rowsOf(TDModule &module, const QString &statement, const QVariantList &values)
{
    QSqlQuery query(module.database());
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw DbError(EngineErrorText(query.lastError()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw DbError(EngineErrorText(query.lastError()));
    return SharedQuery::RowsOf(query);
}

// Read on a query of its own: the shared field query may be walked by a window meanwhile.
QList<qint64> pictureFields(TDModule &module)
{
    QList<qint64> fields;
    for (const QVariantList &row : rowsOf(module, QStringLiteral("SELECT F_ID, F_LOOKUP, F_TYPE FROM FIELDS ORDER BY F_ID"), {})) {
        if (row.at(1).toLongLong() == 0 && row.at(2).toInt() == int(FieldKind::Image))
            fields << row.at(0).toLongLong();
    }
    return fields;
}
}

void EnsureTable(TDModule &module)
{
    EnsureAddedTable(module, Table,
                     {QLatin1String("CREATE TABLE IF NOT EXISTS ") + Table
                          + QLatin1String("(TH_OBJECT INTEGER NOT NULL, TH_FIELD INTEGER NOT NULL, TH_IMAGE ")
                          + Engine::ColumnType(module.engine(), QStringLiteral("BLOB"))
                          + QLatin1String(", PRIMARY KEY (TH_OBJECT, TH_FIELD))")});
}

QByteArray Make(const QByteArray &picture)
{
    if (picture.isEmpty())
        return {};
    QImage shown = ShownPicture(picture, Bound);
    if (shown.isNull())
        return {};
    if (shown.width() > Bound.width() || shown.height() > Bound.height())
        shown = shown.scaled(Bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Transparency would turn black in a JPEG.
    if (shown.hasAlphaChannel())
        shown.save(&buffer, "PNG");
    else
        shown.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 85);
    return bytes;
}

void Store(TDModule &module, qint64 objectId, qint64 fieldId, const QByteArray &thumbnail)
{
    module.exec(QLatin1String("DELETE FROM ") + Table + QLatin1String(" WHERE TH_OBJECT = ? AND TH_FIELD = ?"),
                {objectId, fieldId});
    module.exec(QLatin1String("INSERT INTO ") + Table + QLatin1String(" (TH_OBJECT, TH_FIELD, TH_IMAGE) VALUES(?,?,?)"),
                {objectId, fieldId, thumbnail.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(thumbnail)});
}

void Renew(TDModule &module, qint64 objectId, qint64 fieldId, const QByteArray &picture,
           const std::optional<QByteArray> &made)
{
    if (picture.isEmpty()) {
        module.exec(QLatin1String("DELETE FROM ") + Table + QLatin1String(" WHERE TH_OBJECT = ? AND TH_FIELD = ?"),
                    {objectId, fieldId});
        return;
    }
    Store(module, objectId, fieldId, made ? *made : Make(picture));
}

void DropField(TDModule &module, qint64 fieldId)
{
    EnsureTable(module);
    module.exec(QLatin1String("DELETE FROM ") + Table + QLatin1String(" WHERE TH_FIELD = ?"), {fieldId});
}

void Drop(TDModule &module, qint64 objectId)
{
    module.exec(QLatin1String("DELETE FROM ") + Table + QLatin1String(" WHERE TH_OBJECT = ?"), {objectId});
    // An object written back (restored, an undone change) gets its thumbnails once the action is over.
    if (Maker *maker = Maker::Of(module))
        maker->wake();
}

QHash<Key, QImage> Read(TDModule &module, const QList<qint64> &objectIds)
{
    QHash<Key, QImage> found;
    if (objectIds.isEmpty() || !module.connected())
        return found;
    QVariantList values;
    for (const qint64 id : objectIds)
        values << id;
    try {
        const QList<QVariantList> rows =
            rowsOf(module,
                   QLatin1String("SELECT TH_OBJECT, TH_FIELD, TH_IMAGE FROM ") + Table + QLatin1String(" WHERE TH_OBJECT IN (")
                       + QStringList(values.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')'),
                   values);
        for (const QVariantList &row : rows)
            found.insert({row.at(0).toLongLong(), row.at(1).toLongLong()}, QImage::fromData(row.at(2).toByteArray()));
    } catch (const DbError &) {
        // No table (a file of an earlier version opened only to read): the list shows no thumbnails.
    }
    return found;
}

QList<Missing> ReadMissing(TDModule &module, qint64 afterId, qint64 lastId, int limit)
{
    QList<Missing> missing;
    for (const qint64 field : pictureFields(module)) {
        const QString column = SchemaName::FieldColumn(field);
        const QList<QVariantList> rows = rowsOf(
            module,
            QLatin1String("SELECT G_ID, ") + column + QLatin1String(" FROM GENER WHERE G_ID > ? AND G_ID <= ? AND ") + column
                + QLatin1String(" IS NOT NULL AND NOT EXISTS (SELECT 1 FROM ") + Table
                + QLatin1String(" WHERE TH_OBJECT = G_ID AND TH_FIELD = ?) LIMIT ") + QString::number(limit - missing.size()),
            {afterId, lastId, field});
        for (const QVariantList &row : rows)
            missing << Missing{{row.at(0).toLongLong(), field}, row.at(1).toByteArray()};
        if (missing.size() >= limit)
            break;
    }
    return missing;
}

Notifier &Notifier::Instance()
{
    static Notifier notifier;
    return notifier;
}

Maker::Maker(TDModule &module) : QObject(&module), m_module(module)
{
    setObjectName(QStringLiteral("ThumbnailMaker"));
    wake();
}

Maker *Maker::Of(TDModule &module)
{
    return module.findChild<Maker *>(QStringLiteral("ThumbnailMaker"), Qt::FindDirectChildrenOnly);
}

void Maker::wake()
{
    if (m_busy) {
        m_again = true;
        return;
    }
    m_busy = true;
    m_after = 0;
    QTimer::singleShot(0, this, &Maker::next);
}

void Maker::next()
{
    QList<Missing> batch;
    try {
        // An action under way (a dialog of it waiting) is never joined by the maker's writes.
        if (m_module.InTransaction()) {
            QTimer::singleShot(RetryMs, this, &Maker::next);
            return;
        }
        const qint64 last = rowsOf(m_module, QStringLiteral("SELECT MAX(G_ID) FROM GENER"), {}).first().first().toLongLong();
        if (m_after >= last) {
            // Looked through; a wake meanwhile (an object put back) looks again.
            m_busy = false;
            if (std::exchange(m_again, false))
                wake();
            return;
        }
        batch = ReadMissing(m_module, m_after, qMin(last, m_after + Span), Batch);
        // A step with fewer than a batch missing is done; one with more is looked through again.
        if (batch.size() < Batch)
            m_after = qMin(last, m_after + Span);
    } catch (const DbError &) {
        QTimer::singleShot(RetryMs, this, &Maker::next);
        return;
    }
    if (batch.isEmpty()) {
        QTimer::singleShot(0, this, &Maker::next);
        return;
    }
    QPointer<Maker> self(this);
    QThreadPool::globalInstance()->start([self, batch] {
        QList<QByteArray> thumbnails;
        for (const Missing &one : batch)
            thumbnails << Make(one.picture);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, batch, thumbnails] {
                if (self)
                    self->store(batch, thumbnails);
            },
            Qt::QueuedConnection);
    });
}

// A thumbnail is stored only when the object still holds the picture it was made of and has none yet (a
// save meanwhile stored its own).
void Maker::store(const QList<Missing> &batch, const QList<QByteArray> &thumbnails)
{
    QList<qint64> objects;
    try {
        if (m_module.InTransaction()) {
            QTimer::singleShot(RetryMs, this, &Maker::next);
            return;
        }
        Transaction tx(m_module);
        for (int i = 0; i < batch.size(); ++i) {
            const Missing &one = batch[i];
            const QString column = SchemaName::FieldColumn(one.key.second);
            const QList<QVariantList> now = rowsOf(
                m_module,
                QLatin1String("SELECT ") + column + QLatin1String(" FROM GENER WHERE G_ID = ? AND NOT EXISTS (SELECT 1 FROM ")
                    + Table + QLatin1String(" WHERE TH_OBJECT = G_ID AND TH_FIELD = ?)"),
                {one.key.first, one.key.second});
            if (now.isEmpty() || now.first().first().toByteArray() != one.picture)
                continue;
            Store(m_module, one.key.first, one.key.second, thumbnails[i]);
            objects << one.key.first;
        }
        tx.commit();
    } catch (const DbError &) {
        QTimer::singleShot(RetryMs, this, &Maker::next);
        return;
    }
    if (!objects.isEmpty())
        Q_EMIT Notifier::Instance().made(objects);
    QTimer::singleShot(0, this, &Maker::next);
}

}
