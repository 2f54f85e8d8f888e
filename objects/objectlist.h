#pragma once

#include <QString>

class TDModule;

// The object-list statement: five pieces shared by the view/fill mode, the object editor, the filter and
// the catalogs, always run as their concatenation.
extern QString SelectPart;
extern QString FromPart;
extern QString WherePart;
extern QString FilterPart;
extern QString OrderPart;

QString ObjectListStatement();

// Sets SelectPart, FromPart and WherePart from the description fields (walking the rows of QRFields from
// the first, after running the field query on it) and empties FilterPart and OrderPart.
void BuildObjectListPieces(TDModule &module);

// Opens the whole statement on QRGeneral.
void OpenObjectList(TDModule &module);
