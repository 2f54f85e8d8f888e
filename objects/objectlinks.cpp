#include "objects/objectlinks.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/sqltext.h"

#include <QHash>

namespace {
// A half-read shared query keeps its tables busy; every read here ends with the query closed.
struct ClosedAfterUse
{
    SharedQuery &query;
    ~ClosedAfterUse() { query.close(); }
};

// Identifiers come from the program, but the object id arrives as text: refuse anything but a number
// rather than put it into a statement.
qint64 objectNumber(const QString &objectId)
{
    bool ok = false;
    const qint64 id = objectId.trimmed().toLongLong(&ok);
    if (!ok)
        throw DbError(QStringLiteral("Неверный идентификатор объекта: %1").arg(objectId));
    return id;
}

// The names of the given entries of one book, read with one statement.
QHash<qint64, QString> entryNames(TDModule &module, qint64 referId, const QList<qint64> &ids)
{
    QHash<qint64, QString> names;
    if (ids.isEmpty())
        return names;
    const QString p = QStringLiteral("R%1").arg(referId);
    SharedQuery &q = *module.QRClasses;
    ClosedAfterUse closer{q};
    q.open(QStringLiteral("SELECT %1_ID, %1_NAME FROM REFER%2 WHERE %3").arg(p).arg(referId).arg(InList(p + QLatin1String("_ID"), ids)));
    const int count = q.recordCount();
    for (int row = 0; row < count; ++row)
        names.insert(q.valueAt(row, 0).toLongLong(), q.valueAt(row, 1).toString());
    return names;
}
}

QString ObjectLinkText(const ObjectLink &link)
{
    QString text = link.caption + QLatin1String(": ") + link.entryName;
    if (!link.value.isEmpty())
        text += QLatin1String(" = ") + link.value;
    return text;
}

QList<ObjectLink> ReadObjectLinks(TDModule &module, const QString &objectId)
{
    QList<ObjectLink> links;
    QHash<qint64, QString> bookNames;
    {
        SharedQuery &q = *module.QRWork;
        ClosedAfterUse closer{q};
        q.open(QStringLiteral("SELECT L_ID, R_ID, R_NAME, L_CLASS, L_VALUE, L_CAPTION FROM LINKS, REFERS "
                              "WHERE (L_OBJECT = %1) AND (L_REFER = R_ID) ORDER BY L_ID")
                   .arg(objectNumber(objectId)));
        const int count = q.recordCount();
        links.reserve(count);
        for (int row = 0; row < count; ++row) {
            ObjectLink link;
            link.id = q.valueAt(row, 0).toLongLong();
            link.referId = q.valueAt(row, 1).toLongLong();
            bookNames.insert(link.referId, q.valueAt(row, 2).toString());
            link.entryId = q.valueAt(row, 3).toLongLong();
            link.value = q.valueAt(row, 4).toString();
            link.captionId = q.valueAt(row, 5).toLongLong();
            links << link;
        }
    }
    // One name lookup per book rather than two per link.
    QHash<qint64, QList<qint64>> wanted;
    for (const ObjectLink &link : links) {
        wanted[link.referId] << link.entryId;
        if (link.captionId != 0)
            wanted[link.referId] << link.captionId;
    }
    QHash<qint64, QHash<qint64, QString>> names;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        names.insert(it.key(), entryNames(module, it.key(), it.value()));
    for (ObjectLink &link : links) {
        const QHash<qint64, QString> &book = names[link.referId];
        link.entryName = book.value(link.entryId);
        link.caption = link.captionId == 0 ? bookNames.value(link.referId) : book.value(link.captionId);
    }
    return links;
}

qint64 AddObjectLink(TDModule &module, const QString &objectId, qint64 referId, qint64 entryId, const QString &value,
                     qint64 captionId)
{
    const qint64 object = objectNumber(objectId);
    Transaction tx(module);
    const qint64 linkId = module.GenID(QStringLiteral("LINKS")).toLongLong();
    // The value is appended, not passed through arg(), so a "%1" typed by the user stays as typed.
    module.QRWork->execSql(QStringLiteral("INSERT INTO LINKS VALUES(%1,%2,%3,%4,").arg(linkId).arg(object).arg(referId).arg(entryId)
                           + Quoted(value) + QStringLiteral(",%1)").arg(captionId));
    tx.commit();
    return linkId;
}

void DeleteObjectLink(TDModule &module, qint64 linkId)
{
    module.QRClasses->execSql(QStringLiteral("DELETE FROM LINKS WHERE L_ID = %1").arg(linkId));
}
