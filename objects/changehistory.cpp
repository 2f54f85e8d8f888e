#include "objects/changehistory.h"

#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "objects/objectstore.h"
#include "objects/searchindex.h"


namespace ChangeHistory {

namespace {
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool kept(const TDModule &module)
{
    return module.engine() == EngineKind::Server;
}
}

void EnsureTable(TDModule &module)
{
    // A file gets the table too, empty: a copy between the engines then carries it either way.
    EnsureAddedTable(module, Table,
                     {QLatin1String("CREATE TABLE IF NOT EXISTS HISTORY(H_ID INTEGER NOT NULL PRIMARY KEY, H_OBJECT INTEGER, "
                                    "H_USER VARCHAR(100), H_WHEN VARCHAR(19), H_IMAGE ")
                          + Engine::ColumnType(module.engine(), QStringLiteral("BLOB")) + QLatin1Char(')'),
                      QStringLiteral("CREATE INDEX IF NOT EXISTS HISTORY_OBJECT ON HISTORY(H_OBJECT)")});
}

void KeepVersion(TDModule &module, qint64 objectId)
{
    if (!kept(module))
        return;
    if (const std::optional<ObjectImage> image = ReadObjectImage(module, objectId))
        KeepVersion(module, *image);
}

void KeepVersion(TDModule &module, const ObjectImage &image)
{
    if (!kept(module))
        return;
    Transaction tx(module);
    const qint64 id = module.GenID(Table).toLongLong();
    module.exec(QStringLiteral("INSERT INTO HISTORY (H_ID, H_OBJECT, H_USER, H_WHEN, H_IMAGE) VALUES(?,?,?,?,?)"),
                {id, image.objectId, module.database().userName(), QDateTime::currentDateTime().toString(TimeFormat),
                 image.serialize()});
    tx.commit();
}

QList<Version> Versions(TDModule &module, qint64 objectId)
{
    QList<Version> versions;
    if (!kept(module))
        return versions;
    const QList<QVariantList> rows = module.QRWork->readAll(
        QStringLiteral("SELECT H_ID, H_USER, H_WHEN, H_IMAGE FROM HISTORY WHERE H_OBJECT = ? ORDER BY H_ID DESC"), {objectId});
    for (const QVariantList &row : rows)
        versions << Version{row.at(0).toLongLong(), row.at(1).toString(), QDateTime::fromString(row.at(2).toString(), TimeFormat),
                            ObjectImage::deserialize(row.at(3).toByteArray())};
    return versions;
}

std::pair<ObjectImage, ObjectImage> RestoreVersion(TDModule &module, const ObjectImage &version)
{
    Transaction tx(module);
    const std::optional<ObjectImage> now = ReadObjectImage(module, version.objectId);
    if (!now)
        throw ObjectChangedElsewhere(ObjectChangedElsewhere::Deleted,
                                     QStringLiteral("Объект удалён другим пользователем. Версия не восстановлена."));
    RewriteObjectImage(module, version);
    RefreshSearchIndex(module);
    const std::optional<ObjectImage> after = ReadObjectImage(module, version.objectId);
    tx.commit();
    return {*now, *after};
}

}
