#pragma once

#include "core/dberror.h"
#include "fields/fieldkind.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QSqlQuery;

class SharedQuery;
class TDModule;

// One field's value as read from its control: text for lookups, numbers, strings and long texts (long
// texts with "\n" between lines), QDate, QTime, bool, and for pictures the file's bytes.
struct FieldInput
{
    DescriptionField field;
    QVariant value;
    bool pictureChosen = false;   // a picture is written only when the user chose a file
    std::optional<QByteArray> thumbnail;   // the picture's thumbnail made beforehand, beside the interface thread
};

// Index of the first field that must be filled and is empty; -1 if none.
int FirstMissingField(const QList<FieldInput> &inputs);

// Reserves the identifier of a new object under which no links are left from an abandoned earlier addition.
qint64 ReserveObjectId(TDModule &module);

// The texts of a lookup list as its drop-down box shows them: the empty entry left out, in text order.
QStringList LookupTexts(TDModule &module, qint64 fieldId);
// The entry whose text equals `text`; a text not in the list becomes a new entry.
qint64 LookupEntryId(TDModule &module, qint64 fieldId, const QString &text);

// Writes a new object (its lookup entries and pictures included) as one transaction.
void InsertObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs);
// Adds many objects of the same fields in one transaction (the import), keeping from row to row the
// insert, prepared once, and the entry of each lookup text met before. The search index is not brought up
// to date: the batch's action calls RefreshSearchIndex once before its transaction ends.
class ObjectRowBatch
{
public:
    explicit ObjectRowBatch(TDModule &module);
    ~ObjectRowBatch();
    void insert(qint64 objectId, const QList<FieldInput> &inputs);

private:
    TDModule &m_module;
    std::unique_ptr<QSqlQuery> m_insert;
    QHash<QPair<qint64, QString>, qint64> m_entries;
};
// Adds many new objects as one transaction (an import): `adding` inserts them through `batch` under the
// identifiers from `firstId` on, one after another, and answers false to stop, when nothing is written.
// The new objects' sort keys (`keysProgress` told meanwhile) and the search index are made before the
// commit. Returns whether the objects were written. Throws DbError; then nothing is written either.
bool AddObjectsAsOne(TDModule &module, const std::function<bool(ObjectRowBatch &batch, qint64 firstId)> &adding,
                     const std::function<void(qint64 done, qint64 total)> &keysProgress = {});
// What an object's row held when it was read: its identifier and every field's value, pictures by
// their digest. Compared with the row at saving, it tells whether another program changed the object.
struct ObjectState
{
    QStringList columns;   // as the select names them
    QVariantList values;
};

// The object's state as stored now, for the given fields; nothing when no object has that identifier.
std::optional<ObjectState> ReadObjectState(TDModule &module, qint64 objectId, const QList<DescriptionField> &fields);

// Opens on `query` the object's row with the columns of the object list (pictures left out); false
// when the list's statement does not give it (the object is gone, or a lookup value of a damaged file
// names no entry).
bool OpenObjectRow(SharedQuery &query, qint64 objectId, const QList<DescriptionField> &fields);

// Another program changed or deleted the object since it was read: nothing was stored.
class ObjectChangedElsewhere : public DbError
{
public:
    enum What { Changed, Deleted };
    ObjectChangedElsewhere(What what, const QString &message) : DbError(message), what(what) {}
    What what;
};

// Changes an object; pictures are written only where one was chosen. With no field but pictures no
// UPDATE of the other columns runs. One transaction. An object no longer stored throws
// ObjectChangedElsewhere (Deleted), as does one whose row no longer holds `asRead` (Changed), given.
void UpdateObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs,
                  const std::optional<ObjectState> &asRead = std::nullopt);
// Deletes an object and its links as one transaction, for good (the user's deletions go into the recycle
// bin instead: objects/recyclebin.h).
void DeleteObject(TDModule &module, qint64 objectId);
