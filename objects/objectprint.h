#pragma once

#include "fields/fieldkind.h"
#include "objects/printlayout.h"

#include <functional>

class QPagedPaintDevice;
class SharedQuery;
class TDModule;

// What the printed list and card show, read from the object list; laid out by objects/printlayout.h.

// The rows of the open list as the grid shows them, in the given columns. Reads every row of the list.
ListPrintout ObjectListPrintout(SharedQuery &list, const QList<DescriptionField> &columns, const QString &title);

// The current object of the open list: every field with its caption (pictures as pictures), its
// parameters in the editor's wording.
CardPrintout ObjectCardPrintout(TDModule &module, SharedQuery &list, const QList<DescriptionField> &fields,
                                const QString &title);

// The date line of printouts.
QString PrintoutDate();

// Writes a PDF of A4 pages through `paint`; returns what `paint` returns (the pages). Throws DbError
// when the file cannot be written.
int WritePdf(const QString &path, const QString &title, const std::function<int(QPagedPaintDevice &)> &paint);
