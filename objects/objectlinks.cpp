#include "objects/objectlinks.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"
#include "core/sqltext.h"
#include "objects/changehistory.h"
#include "objects/objectstore.h"

#include <QHash>

namespace {
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
    const QList<QVariantList> rows = module.QRClasses->readAll(
        QLatin1String("SELECT ") + SchemaName::BookId(referId) + QLatin1String(", ") + SchemaName::BookName(referId)
        + QLatin1String(" FROM ") + SchemaName::BookTable(referId) + QLatin1String(" WHERE ")
        + InList(SchemaName::BookId(referId), ids));
    for (const QVariantList &row : rows)
        names.insert(row.at(0).toLongLong(), row.at(1).toString());
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
    const QList<QVariantList> rows = module.QRWork->readAll(
        QStringLiteral("SELECT L_ID, R_ID, R_NAME, L_CLASS, L_VALUE, L_CAPTION FROM LINKS, REFERS "
                       "WHERE (L_OBJECT = ?) AND (L_REFER = R_ID) ORDER BY L_ID"),
        {objectNumber(objectId)});
    links.reserve(rows.size());
    for (const QVariantList &row : rows) {
        ObjectLink link;
        link.id = row.at(0).toLongLong();
        link.referId = row.at(1).toLongLong();
        bookNames.insert(link.referId, row.at(2).toString());
        link.entryId = row.at(3).toLongLong();
        link.value = row.at(4).toString();
        link.captionId = row.at(5).toLongLong();
        links << link;
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
                     qint64 captionId, LinkedObject linked)
{
    const qint64 object = objectNumber(objectId);
    Transaction tx(module);
    // Held to the commit, so that the object cannot be deleted between this check and the link.
    if (linked == LinkedObject::Stored
        && module.QRWork->readAll(QLatin1String("SELECT G_ID FROM GENER WHERE G_ID = ?") + Engine::HoldRowsRead(module.engine()),
                                  {object})
               .isEmpty())
        throw ObjectChangedElsewhere(ObjectChangedElsewhere::Deleted,
                                     QStringLiteral("Объект удалён другим пользователем. Параметр не добавлен."));
    if (linked == LinkedObject::Stored)
        ChangeHistory::KeepVersion(module, object);
    const qint64 linkId = module.GenID(QStringLiteral("LINKS")).toLongLong();
    module.QRWork->execSql(QStringLiteral("INSERT INTO LINKS VALUES(?,?,?,?,?,?)"),
                           {linkId, object, referId, entryId, value, captionId});
    tx.commit();
    return linkId;
}

void DeleteObjectLink(TDModule &module, qint64 linkId)
{
    Transaction tx(module);
    const QList<QVariantList> owner = module.QRWork->readAll(QStringLiteral("SELECT L_OBJECT FROM LINKS WHERE L_ID = ?"), {linkId});
    if (!owner.isEmpty())
        ChangeHistory::KeepVersion(module, owner.first().first().toLongLong());
    module.QRClasses->execSql(QStringLiteral("DELETE FROM LINKS WHERE L_ID = ?"), {linkId});
    tx.commit();
}
