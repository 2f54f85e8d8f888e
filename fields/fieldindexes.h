#pragma once

#include "core/engine.h"
#include "fields/fieldkind.h"

#include <QString>

class TDModule;

// The indexes that let the object list sort, join its lookup lists and locate an object without reading
// every row: one per shown field's column of GENER, one per lookup list's texts, and the filter's
// covering index on LINKS. Text columns are indexed in the order the object list sorts them by.
namespace FieldIndexes {

// The statement that creates the index of a field's column; empty for pictures and long texts, which
// are never sorted by.
QString ColumnIndexStatement(const DescriptionField &field, EngineKind engine);
// The statement that creates the index of a lookup list's texts.
QString LookupIndexStatement(qint64 fieldId, EngineKind engine);

// Creates the indexes a field's column (and its lookup list) needs; for a new or rebuilt column.
void CreateFieldIndexes(TDModule &module, const DescriptionField &field);
// Drops the index of a field's column: the engine refuses to drop an indexed column.
void DropColumnIndex(TDModule &module, qint64 fieldId);

// Databases made by earlier versions lack some of these indexes: creates the missing ones in one
// transaction. Nothing is written when none is missing; a file that cannot be written is left as it
// is (the lists still work, only slower). Returns the number of indexes created.
int EnsureFieldIndexes(TDModule &module);

}
