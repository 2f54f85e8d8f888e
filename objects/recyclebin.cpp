#include "objects/recyclebin.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/sqltext.h"
#include "objects/objectstore.h"
#include "objects/searchindex.h"

namespace RecycleBin {

namespace {
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

qint64 objectOf(TDModule &module, qint64 entryId)
{
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT E_OBJECT FROM ERASED WHERE E_ID = ?"), {entryId});
    if (rows.isEmpty())
        throw DbError(QStringLiteral("Объекта уже нет в корзине: его восстановил или удалил навсегда другой пользователь."));
    return rows.first().first().toLongLong();
}
}

void EnsureTable(TDModule &module)
{
    EnsureAddedTable(module, Table,
                     {QLatin1String("CREATE TABLE IF NOT EXISTS ERASED(E_ID INTEGER NOT NULL PRIMARY KEY, E_OBJECT INTEGER, "
                                    "E_NAME TEXT, E_WHEN VARCHAR(19), E_IMAGE ")
                      + Engine::ColumnType(module.engine(), QStringLiteral("BLOB")) + QLatin1Char(')')});
}

QList<Entry> Entries(TDModule &module)
{
    QList<Entry> entries;
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT E_ID, E_OBJECT, E_NAME, E_WHEN FROM ERASED ORDER BY E_WHEN DESC, E_ID DESC"));
    for (const QVariantList &row : rows)
        entries << Entry{row.at(0).toLongLong(), row.at(1).toLongLong(), row.at(2).toString(),
                         QDateTime::fromString(row.at(3).toString(), TimeFormat)};
    return entries;
}

QList<Moved> MoveToBin(TDModule &module, const QList<qint64> &objectIds)
{
    Transaction tx(module);
    QList<Moved> entries;
    const QString now = QDateTime::currentDateTime().toString(TimeFormat);
    for (const qint64 objectId : objectIds) {
        const std::optional<ObjectImage> image = ReadObjectImage(module, objectId);
        if (!image)
            continue;
        const qint64 entryId = module.GenID(Table).toLongLong();
        module.exec(QStringLiteral("INSERT INTO ERASED (E_ID, E_OBJECT, E_NAME, E_WHEN, E_IMAGE) VALUES(?,?,?,?,?)"),
                    {entryId, objectId, image->title(), now, image->serialize()});
        EraseObjectRows(module, objectId);
        entries << Moved{entryId, *image};
    }
    RefreshSearchIndex(module);
    tx.commit();
    return entries;
}

ObjectImage Image(TDModule &module, qint64 entryId)
{
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT E_IMAGE FROM ERASED WHERE E_ID = ?"), {entryId});
    if (rows.isEmpty())
        throw DbError(QStringLiteral("Объекта уже нет в корзине: его восстановил или удалил навсегда другой пользователь."));
    return ObjectImage::deserialize(rows.first().first().toByteArray());
}

QStringList RestoreMisfits(TDModule &module, const QList<qint64> &entryIds)
{
    QStringList lines;
    for (const qint64 entryId : entryIds) {
        const ObjectImage image = Image(module, entryId);
        const QStringList misfits = ImageMisfits(module, image);
        if (!misfits.isEmpty())
            lines << QStringLiteral("«%1»: %2").arg(image.title(), misfits.join(QLatin1String("; ")));
    }
    return lines;
}

QList<Restored> Restore(TDModule &module, const QList<qint64> &entryIds)
{
    Transaction tx(module);
    QList<Restored> restored;
    for (const qint64 entryId : entryIds) {
        const ObjectImage image = Image(module, entryId);
        Restored one{entryId, objectOf(module, entryId), false};
        if (one.objectId <= 0 || ObjectExists(module, one.objectId)) {
            one.objectId = ReserveObjectId(module);
            one.renumbered = true;
        }
        InsertObjectImage(module, image, one.objectId);
        module.exec(QStringLiteral("DELETE FROM ERASED WHERE E_ID = ?"), {entryId});
        restored << one;
    }
    RefreshSearchIndex(module);
    tx.commit();
    return restored;
}

bool Holds(TDModule &module, qint64 entryId, qint64 objectId)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT E_ID FROM ERASED WHERE E_ID = ? AND E_OBJECT = ?"), {entryId, objectId}).isEmpty();
}

bool Forget(TDModule &module, qint64 entryId, qint64 objectId)
{
    const bool there = Holds(module, entryId, objectId);
    module.exec(QStringLiteral("DELETE FROM ERASED WHERE E_ID = ? AND E_OBJECT = ?"), {entryId, objectId});
    return there;
}

int DiscardForGood(TDModule &module, const Discard &what, const BeforeDiscard &before)
{
    const QString condition = what.deletedBefore ? QStringLiteral(" WHERE E_WHEN < ?") : QString();
    const QVariantList values =
        what.deletedBefore ? QVariantList{what.deletedBefore->toString(TimeFormat)} : QVariantList{};
    const int count =
        module.QRWork->readAll(QLatin1String("SELECT COUNT(*) FROM ERASED") + condition, values).first().first().toInt();
    if (count == 0)
        return 0;
    if (before && !before())
        return 0;
    Transaction tx(module);
    module.exec(QLatin1String("DELETE FROM ERASED") + condition, values);
    tx.commit();
    return count;
}

int Empty(TDModule &module, const BeforeDiscard &before)
{
    return DiscardForGood(module, Discard{}, before);
}

int Purge(TDModule &module, int days, const BeforeDiscard &before, const QDateTime &now)
{
    if (days <= 0)
        return 0;
    return DiscardForGood(module, Discard{now.addDays(-days)}, before);
}

}
