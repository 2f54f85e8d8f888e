#pragma once

#include "objects/objectimage.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TDModule;

// The recycle bin: a deleted object is kept whole (its ObjectImage) in a table of its own beside the
// objects, which the object list, the search, the filter and templates never read. Each deletion is one
// row, so an object deleted, restored and deleted again is there twice.
namespace RecycleBin {

inline const QString Table = QStringLiteral("ERASED");

// Makes the bin's table in a database of an earlier version, in one transaction (an open hook).
void EnsureTable(TDModule &module);

struct Entry
{
    qint64 id = 0;          // the bin's own number
    qint64 objectId = 0;    // the number the object had
    QString name;           // ObjectImage::title() at deletion
    QDateTime deleted;      // local time
};

// The deleted objects, the last deleted first.
QList<Entry> Entries(TDModule &module);

struct Moved
{
    qint64 entryId = 0;
    ObjectImage image;
};
// Moves the objects, with their links and pictures, into the bin as one transaction; tells what was
// moved, in the order given. Objects another program deleted meanwhile are passed over.
QList<Moved> MoveToBin(TDModule &module, const QList<qint64> &objectIds);

// What a deleted object held.
ObjectImage Image(TDModule &module, qint64 entryId);

// For each entry whose object cannot come back whole (its field or book was deleted or changed since):
// its name and what would be left out, as lines for one message. Empty when all fit.
QStringList RestoreMisfits(TDModule &module, const QList<qint64> &entryIds);

struct Restored
{
    qint64 entryId = 0;
    qint64 objectId = 0;      // the number the object has again
    bool renumbered = false;  // its old number had been given to another object
};
// Puts the entries' objects back under their old numbers (a new one where that is taken) and takes them
// out of the bin, as one transaction. What RestoreMisfits names is left out: the caller asked first.
QList<Restored> Restore(TDModule &module, const QList<qint64> &entryIds);

// Whether the entry that took object `objectId` into the bin is still there. The object is checked too:
// the number of an entry emptied out of the bin is given to the next one.
bool Holds(TDModule &module, qint64 entryId, qint64 objectId);

// Takes that entry out of the bin without restoring it (its object came back otherwise); false when it
// was no longer there. The caller's transaction.
bool Forget(TDModule &module, qint64 entryId, qint64 objectId);

// What is removed from the bin for good: all of it, or what was deleted before a moment.
struct Discard
{
    std::optional<QDateTime> deletedBefore;   // nothing: everything
};
// The step taken before anything leaves the bin for good (the snapshot of the database); false stops the
// discard.
using BeforeDiscard = std::function<bool()>;
// The one way anything leaves the bin for good (emptying and the purge by age). Returns the number of
// objects removed; nothing is done (and `before` not taken) when none matches, nothing either when
// `before` answers false.
int DiscardForGood(TDModule &module, const Discard &what, const BeforeDiscard &before);
// Empties the bin.
int Empty(TDModule &module, const BeforeDiscard &before);
// Removes what was deleted more than `days` days ago (at opening, with the settings' period).
int Purge(TDModule &module, int days, const BeforeDiscard &before, const QDateTime &now = QDateTime::currentDateTime());

}
