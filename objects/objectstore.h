#pragma once

#include "fields/fieldkind.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class TDModule;

// One field's value as read from its control: text for lookups, numbers, strings and long texts (long
// texts with "\n" between lines), QDate, QTime, bool, and for pictures the file's bytes.
struct FieldInput
{
    DescriptionField field;
    QVariant value;
    bool pictureChosen = false;   // a picture is written only when the user chose a file
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
// The same without bringing the search index up to date: for a batch of objects, which calls
// RefreshSearchIndex once before its transaction ends.
void InsertObjectRow(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs);
// Changes an object; pictures are written only where one was chosen. With no field but pictures no
// UPDATE of the other columns runs. One transaction.
void UpdateObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs);
// Deletes an object and its links as one transaction.
void DeleteObject(TDModule &module, qint64 objectId);
