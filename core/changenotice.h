#pragma once

#include <QString>

// What a committed write changed, announced to the other programs working on the same server database:
// their object lists are opened again after a change of objects, their windows reload after a change of
// the design (fields, lookup lists, reference books, classes, catalogs).
namespace ChangeNotice {

enum Change : int { None = 0, Objects = 1, Design = 2 };

// The server's notification channel every program of a database listens on.
QString Channel();

// What a statement written through the data module changes. Temporary tables and indexes change
// nothing another program sees; a write to a table the program does not know counts as a change of
// objects (the others only read their lists again).
int ChangeMadeBy(const QString &statement);

// The notification's text for the changes and back; the design includes the objects.
QString Payload(int changes);
int FromPayload(const QString &payload);

}
