#pragma once

#include "fields/fieldkind.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QVariant>
#include <functional>

class TDModule;
struct sqlite3_value;

// The quick search's index: the folded texts the object grid shows, kept beside GENER in a narrow table,
// so that a keystroke reads prepared text instead of formatting and folding every value of every object.
// One row per field and block of 128 consecutive objects holds "\x1F<n>\x1E<folded shown text>" for each
// object of the block that has a value in the field, n being the object's place in the block. Lookup fields are not in it: their lists are
// short and searched directly, so renaming an entry changes no row here.
// Triggers on GENER mark the blocks whose objects were added, changed or deleted, whichever program wrote
// them (an earlier build included); the writers of this program rebuild the marked blocks in their own
// transaction (RefreshSearchIndex), and the search reads a block still marked from GENER itself.
// A server database keeps the same tables; its triggers mark blocks through a function, and a block
// marked by one program's open transaction waits for the others until it commits, so that the program
// that writes the block last makes it from everything written.

// 128 objects to a block: rebuilding one after a single change reads little, scanning all rows stays short.
constexpr int SearchBlockShift = 7;

// Fields whose texts the index holds: those with a grid column, except lookups.
bool IsSearchIndexed(const DescriptionField &field);

// The folded text the grid shows for stored values: strings as stored, numbers without thousands
// separators, dates, times, yes/no and reals as the user's locale writes them; lower case, Ё read as Е.
// The one home of that text; formatted values are remembered, since dates repeat across a collection.
class ShownTextFolder
{
public:
    // Appends the text of a stored value as a database file gives it (nothing for NULL); the index's
    // separators become spaces.
    void append(FieldKind kind, sqlite3_value *value, QByteArray &out);
    // The same for a value as a server database gives it (a null QVariant for NULL).
    void append(FieldKind kind, const QVariant &value, QByteArray &out);

private:
    void appendShown(FieldKind kind, const QByteArray &text, const std::function<QVariant()> &stored, QByteArray &out);
    QHash<QByteArray, QByteArray> m_formatted[int(FieldKind::Lookup) + 1];
};

// Reads the objects of blocks `firstBlock`..`lastBlock` from GENER and hands over each block that holds
// objects with its texts, one per field of `fields` (all indexed). Throws DbError.
using TakeBlock = std::function<void(qint64 block, const QList<QByteArray> &texts)>;
// `folder` may be kept across calls so that formatted values are remembered.
void ReadShownBlocks(TDModule &module, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock,
                     const TakeBlock &take, ShownTextFolder *folder = nullptr);

// Whether the file holds the index (a read-only file of an earlier build may not).
bool SearchIndexExists(TDModule &module);
// Blocks marked since they were last built.
QList<qint64> StaleSearchBlocks(TDModule &module);

// When a database is opened: makes the index (an earlier build's file has none), makes it again when its texts
// were made under another locale, and otherwise brings it up to date with what other programs changed.
// One transaction; `progress` is told blocks done and blocks in all while the index is made. A file that
// cannot be written keeps what it has: the search then reads what is missing from GENER; so does a
// server database whose user may not make tables. Programs opening one server database at once make
// its index one after the other.
void EnsureSearchIndex(TDModule &module, const std::function<void(int done, int total)> &progress = {});

// Rebuilds the marked blocks: every writer of GENER calls it inside its transaction. Throws DbError.
void RefreshSearchIndex(TDModule &module);

// After a field was added, changed or deleted (inside that transaction): drops the texts of fields that
// are gone or whose column was made anew. Throws DbError.
void SyncSearchIndexFields(TDModule &module);

// Runs a change of GENER that shows no indexed text (a new lookup column's values) without marking
// every block it touches. Inside the caller's transaction.
void WithoutSearchTracking(TDModule &module, const std::function<void()> &change);
