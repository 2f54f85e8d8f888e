#pragma once

#include "core/schemanames.h"
#include "objects/objectimage.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TDModule;

// On a server database every change of an object keeps the object as it was before, with who changed it
// and when, in a table beside the objects; any kept version can be put back. The writers of objects
// call KeepVersion inside their own transaction, so a version is kept exactly when the change commits.
// A database file keeps no such history (its snapshots serve instead).
namespace ChangeHistory {

inline const QString &Table = SchemaName::ChangeHistoryTable;

// Makes the table in a database that has none (an open hook); a file's stays empty.
void EnsureTable(TDModule &module);

// Keeps the object as stored now as a version (a server database only; nothing when the object does not
// exist). To be called inside the changing transaction, before the change.
void KeepVersion(TDModule &module, qint64 objectId);
// The same with the object's image read already.
void KeepVersion(TDModule &module, const ObjectImage &image);

struct Version
{
    qint64 id = 0;
    QString user;          // the server user who changed the object from this version
    QDateTime changed;     // when (the changing program's local time)
    ObjectImage image;     // the object as it was
};
// The object's kept versions, the latest first.
QList<Version> Versions(TDModule &module, qint64 objectId);

// Puts the version back as the object's state (keeping the state it replaces as a version in turn), as
// one transaction; gives the object's state before and after. Throws ObjectChangedElsewhere (Deleted)
// when the object is gone. What ImageMisfits names is left out: the caller asked first.
std::pair<ObjectImage, ObjectImage> RestoreVersion(TDModule &module, const ObjectImage &version);

}
