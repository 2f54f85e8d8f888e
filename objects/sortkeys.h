#pragma once

#include "core/schemanames.h"

#include <QString>
#include <functional>

class TDModule;

// The keys a database file keeps so that texts sort in Russian order through plain indexes: any tool
// with the stock engine can then check, vacuum, dump and write the file, and the list still walks an
// index instead of sorting every object.
//
// OBJECT_KEYS holds one row per object (O_ID = G_ID) with a key column O_G{F_ID} per string field, each
// indexed; ENTRY_KEYS holds the key of every lookup entry with the text it was made from. The keys are
// RussianSortKey's bytes (core/collation.h). Plain triggers on GENER mark an object in STALE_KEYS when it
// is added or changed, whoever writes the file (and drop its row when it is deleted); the program makes
// the marked objects' rows and keys before the list sorts by them. An entry whose text differs from the one its key was made from is
// made again then too (lookup lists are short). KEYS_INFO keeps the version of the order the keys follow.
// A server database sorts with its own collation and has none of this.
namespace SortKeys {

using SchemaName::ObjectKeysTable;
using SchemaName::EntryKeysTable;
using SchemaName::StaleKeysTable;
using SchemaName::KeysInfoTable;
// The key column of a string field in OBJECT_KEYS.
QString KeyColumn(qint64 fieldId);

// When a database file is opened to work in: indexes of earlier versions that need the program's own
// collation are made plain, the key tables and triggers are made, and the keys are made anew when the
// file has none or was keyed in another version of the order; else the marked keys are made. One
// transaction; `progress` is told objects done and objects in all while keys are made. A file that
// cannot be written is left as it is (the list then sorts with the collation, without the index).
// Nothing on a server database. Without `progress`, a file holding more objects than are keyed in a
// moment is left to a later call with it (the open hook, then the main window's opening).
void Prepare(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress = {});

// Whether the list may sort by the keys: the file holds them in the current version, and the marked
// ones (and those of the entries of the lookup list `lookupFieldId`, when given, that changed) have been
// made now (inside the caller's transaction, or one of its own). False on a server, on a file not
// prepared, and when the marked keys cannot be written.
bool Ready(TDModule &module, qint64 lookupFieldId = 0);
// Makes the marked keys inside the caller's transaction (a writer of many objects, with its progress).
// Nothing on a server or a file without keys. Throws DbError.
void MakeMarked(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress = {});
// Runs a change of GENER that adds no object and changes no text of a string field (a new lookup column's values, a
// rebuilt column's, whose keys Sync makes) without marking every object it touches. Inside the caller's
// transaction.
void WithoutTracking(TDModule &module, const std::function<void()> &change);
// Runs `adding`, which adds objects numbered from `firstId` on (an import), and makes their keys after
// it, inside the caller's transaction; nothing more when it answers false (stopped). Returns its answer.
// Throws DbError.
bool AddObjects(TDModule &module, qint64 firstId, const std::function<bool()> &adding,
                const std::function<void(qint64 done, qint64 total)> &progress = {});
// Whether the file holds keys in the current version (nothing is made): the list opened in their order
// makes the marked ones first (Ready).
bool Kept(TDModule &module);

// After a field was added, changed or deleted (inside that transaction): a key column for each string
// field with the keys of its texts, none for other fields, the entries of lookup lists that are gone
// dropped. Nothing when the file holds no keys. Throws DbError.
void Sync(TDModule &module);

// Makes every key anew (the tables kept): for a changed order, or a mend. Inside the caller's transaction.
void Rebuild(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress = {});

// For the check of a database: how many objects (and lookup lists) have keys that are not those of
// their texts now, missing or wrong (marked ones are made before a sort and are no fault); -1 when the file holds no keys of this version.
// `tick`, called now and then while the objects are read, may answer false to stop (DbError).
qint64 KeysAmiss(TDModule &module, const std::function<bool()> &tick = {});
// The mend of all of it: indexes made plain, tables made, every key made anew. In one transaction
// (the caller's when it has one). Throws DbError.
void Remake(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress = {});

// The names of the indexes, triggers and views of the file that need the program's own collation or
// functions to be read or kept: what the stock engine cannot check.
QStringList NeedingTheProgram(TDModule &module);

}
