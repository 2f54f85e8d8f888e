#pragma once

#include <QList>
#include <QString>

class TDModule;

// An object's parameters: its LINKS rows, each a reference to one entry of one reference book with an
// optional value and caption. Every failure throws DbError with the engine's text.

struct ObjectLink
{
    qint64 id = 0;          // L_ID
    qint64 referId = 0;     // L_REFER
    qint64 entryId = 0;     // L_CLASS
    QString value;          // L_VALUE
    qint64 captionId = 0;   // L_CAPTION: 0 = the book's name captions the parameter
    QString caption;        // the book's name or the caption entry's name
    QString entryName;      // the plain name of the linked entry
};

// "{caption}: {entry}" with " = {value}" when the value is not empty.
QString ObjectLinkText(const ObjectLink &link);

// The object's links in the order they were added, with their caption and entry names resolved.
QList<ObjectLink> ReadObjectLinks(TDModule &module, const QString &objectId);

// Whether the object a link is added to is stored already, or only reserved by an editor adding it.
enum class LinkedObject { Reserved, Stored };

// Inserts one link and returns its L_ID. The value may hold any text, quotes included. A stored object
// that another program has deleted gets no link: ObjectChangedElsewhere (Deleted) is thrown.
qint64 AddObjectLink(TDModule &module, const QString &objectId, qint64 referId, qint64 entryId, const QString &value,
                     qint64 captionId, LinkedObject object = LinkedObject::Reserved);

void DeleteObjectLink(TDModule &module, qint64 linkId);
