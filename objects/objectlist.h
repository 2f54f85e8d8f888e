#pragma once

#include <QList>
#include <QByteArray>
#include <QString>
#include <functional>
#include <QVariantList>

#include "fields/fieldkind.h"
#include "objects/listorder.h"

#include <optional>

class SharedQuery;
class TDModule;

// The object-list statement: five pieces shared by the view/fill mode, the object editor, the filter and
// the catalogs, always run as their concatenation.
extern QString SelectPart;
extern QString FromPart;
extern QString WherePart;
extern QString FilterPart;
extern QString OrderPart;
// The quick search (objects/objectsearch.h): a bare condition joined to the statement before OrderPart,
// and the values bound to it.
extern QString SearchPart;
extern QVariantList SearchValues;

// The five pieces in order; without an order piece the objects come in the order they were added.
QString ObjectListStatement();

// Forgets what the list learnt about the module's database (whether its lookup values are intact);
// called as its connection closes.
void ForgetLookupValuesIntact(TDModule &module);

// Runs the field query on QRFields and walks its rows from the first.
QList<DescriptionField> ReadDescriptionFields(TDModule &module);

// The select, from and where pieces for these fields, without touching the shared ones. Picture
// fields are left out of the list; ReadObjectPicture reads one object's picture.
struct ObjectListPieces
{
    QString select, from, where;
};
ObjectListPieces ComposeObjectListPieces(const QList<DescriptionField> &fields);

// Sets SelectPart, FromPart and WherePart from the description fields (walking the rows of QRFields from
// the first, after running the field query on it) and empties FilterPart, SearchPart and OrderPart.
void BuildObjectListPieces(TDModule &module);
void BuildObjectListPieces(const QList<DescriptionField> &fields);

// Opens the whole statement on QRGeneral, with the search's values bound, reading pages far from the
// last one read through the order's keys.
void OpenObjectList(TDModule &module);

// The order OrderPart stands for, when the list can seek by it.
std::optional<ListOrder> CurrentListOrder();

// The order of the last title click, while the list is still sorted by it.
std::optional<ListOrder> TitleSortOrder();

// A click on the title of the column captioned `caption`: OrderPart sorts by that field, ascending, or
// descending when it sorted ascending by it already. False (nothing changed) when no field has that name.
bool ApplyTitleSort(TDModule &module, const QString &caption);

// The stored picture of an image field of one object; empty when it has none.
QByteArray ReadObjectPicture(TDModule &module, qint64 objectId, const DescriptionField &field);

// The 1-based row of the object list open on QRGeneral whose G_ID is `objectId`; 0 when the list does
// not hold it. The objects before it are counted by the engine and the rows around it are read, so it
// takes the same time wherever the object stands; only a list whose order cannot be sought is read
// from the top (`progress`, told the rows read so far, may give up by returning false).
int LocateObjectRow(TDModule &module, qint64 objectId, const std::function<bool(int rowsRead)> &progress = {});

// The same by reading the list from the top.
int FindObjectRow(SharedQuery &list, qint64 objectId, const std::function<bool(int rowsRead)> &progress = {});
