#pragma once

#include "fields/fieldkind.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class TDModule;

// A whole object as it is stored, kept apart from the design it was read under: every field's value by
// the field's identifier (a lookup value as its text, a picture as its bytes) and every link with the
// names of its book and entries. It is what the recycle bin keeps of a deleted object and what undo puts
// back, so it can be written again after fields, lists or books changed, or tell what no longer fits.
struct ObjectImage
{
    struct Value
    {
        qint64 fieldId = 0;
        QString fieldName;
        FieldKind kind = FieldKind::String;
        QVariant stored;       // as the column holds it; for a lookup field its entry's text (NULL for none)
        bool emptyEntry = false;   // a lookup field holding the list's empty entry
        // As the user reads it ("изображение" for a picture, empty for none).
        QString shownText() const;
    };
    struct Link
    {
        qint64 referId = 0;
        qint64 entryId = 0;
        QString value;
        qint64 captionId = 0;
        QString bookName, entryName, captionName;   // for messages when the book or entry is gone
        // "{caption}: {entry}" with " = {value}", as the parameter list shows it.
        QString shownText() const;
    };

    qint64 objectId = 0;
    QList<Value> values;
    QList<Link> links;

    // The text the object is known by in lists of deleted or changed objects: its first field shown in
    // the object list, as shown there.
    QString title() const;
    QByteArray serialize() const;
    // Throws DbError for bytes that are no image (a damaged row).
    static ObjectImage deserialize(const QByteArray &bytes);
    // Whether this (the object as stored now) still holds every value of `earlier` and exactly its
    // links (link identifiers aside); fields added since are not compared.
    bool holds(const ObjectImage &earlier) const;
};

// The object as stored now; nothing when no object has that identifier.
std::optional<ObjectImage> ReadObjectImage(TDModule &module, qint64 objectId);

// What of an image the database as it is now cannot hold: one line per value whose field is gone or has
// another type, per link whose book or entry is gone. Empty when the image fits whole.
QStringList ImageMisfits(TDModule &module, const ObjectImage &image);

// Writes the image as a new object `objectId` (no object may have it): its values into the fields that
// still exist with the same type, lookup texts recreated as entries where the list lost them, its links
// where book and entries still exist. The caller's transaction holds it; the caller decides beforehand
// (ImageMisfits) whether what does not fit may be left out.
void InsertObjectImage(TDModule &module, const ObjectImage &image, qint64 objectId);

// Makes the stored object `image.objectId` hold exactly the image (values and links); every field of the
// database that the image does not name is left as it is. The caller checks ImageMisfits first.
void RewriteObjectImage(TDModule &module, const ObjectImage &image);

// Deletes the object's row and links (the caller's transaction).
void EraseObjectRows(TDModule &module, qint64 objectId);

// Whether an object holds the identifier.
bool ObjectExists(TDModule &module, qint64 objectId);
