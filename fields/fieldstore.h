#pragma once

#include <QList>
#include <QString>

#include "fields/fieldkind.h"

class TDModule;

// Description fields and their lookup lists: the rows of FIELDS, the columns G{n} of GENER and the
// tables LOOKUP{n}. Every operation is one transaction; a refused statement throws DbError with the
// engine's text and leaves the database as it was.
namespace FieldStore {

// Type numbers are positions in the type list and equal TYPES.T_ID; only strings may have a lookup list.
constexpr int StringType = FieldKinds::StringType;

// The captions of the type list, by type number.
QStringList TypeCaptions();

// The type number of a TYPES.T_NAME; -1 when no type has that name.
int TypeNumber(TDModule &module, const QString &typeName);

// Adds a field and its column (and its lookup list when `lookup`); returns the new F_ID.
// A lookup list is only made for the string type: for any other type the flag is cleared.
qint64 AddField(TDModule &module, const QString &name, int type, bool lookup);

// How many objects' values in the field a change to `type` and `lookup` cannot keep (the rule is in
// fields/typeconversion.h); 0 for a rename. Ask before a change that loses values.
qint64 ValuesLostByChange(TDModule &module, qint64 fieldId, int type, bool lookup);
// Whether a change to `type` and `lookup` makes the field's column anew (anything but a rename).
bool ChangeRebuildsColumn(TDModule &module, qint64 fieldId, int type, bool lookup);

// Changes a field's name, type and lookup flag. Renaming alone keeps the column; a new type name or a
// new lookup flag rebuilds the column with every value that converts (a new lookup list gets an entry
// per text). Returns how many values could not be kept.
qint64 ChangeField(TDModule &module, qint64 fieldId, const QString &name, int type, bool lookup);

// Deletes a field with its column and lookup list. Deleting the last field deletes every object and
// every link. Returns true when no field is left.
bool DeleteField(TDModule &module, qint64 fieldId);

// The field's current lookup flag and type number, read from FIELDS.
struct FieldDefinition {
    qint64 id = 0;
    QString name;
    int type = -1;
    bool lookup = false;
};
FieldDefinition ReadField(TDModule &module, qint64 fieldId);

struct LookupEntry {
    qint64 id = 0;
    QString text;
};

// The user entries of a field's lookup list (entry 0, the empty value, is never listed), ordered by text.
// Read completely, so no read stays pending on the table.
QList<LookupEntry> ReadLookupList(TDModule &module, qint64 fieldId);
// Adds an entry as typed (empty and repeated texts included); returns its number. The one way a lookup
// entry is made, by the lookup list window and by the object editor alike.
qint64 AddLookupEntry(TDModule &module, qint64 fieldId, const QString &text);
// Renames an entry: every object that holds it shows the new text.
void RenameLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId, const QString &text);
// Deletes an entry unless an object uses it; returns false (and deletes nothing) when one does.
bool DeleteLookupEntry(TDModule &module, qint64 fieldId, qint64 entryId);

}
