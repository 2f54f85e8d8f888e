#pragma once

#include "fields/fieldkind.h"

#include <QList>
#include <QString>
#include <QVariantList>

class QSqlDatabase;
class TDModule;

// The quick search of the object list: an object passes when the text shown in one of the given columns
// contains the search text, case-blind in Russian and Latin, Ё read as Е. Strings and lookup texts are
// matched as stored, dates, times, yes/no and reals as the grid shows them; numbers without the thousands
// separator.

// Registers the engine functions the search condition calls: SEARCH_FOUND and SEARCH_HIT, which read the
// search index (objects/searchindex.h), and SEARCH_MATCH for the texts of lookup lists.
void RegisterObjectSearch(QSqlDatabase &db);

struct SearchCondition
{
    QString sql;           // a condition for the object list's WHERE clause; empty: no search
    QVariantList values;   // bound to its placeholders
};

// The condition for `text` over the columns of `fields` (as the object list names them); empty when the
// text is empty or no field is given.
SearchCondition ObjectSearchCondition(const QList<DescriptionField> &fields, const QString &text);

// Sets the object list's search and opens the list again on QRGeneral; the view/fill window and the
// running catalog call it as the user types. Throws DbError.
void ApplyObjectSearch(TDModule &module, const QList<DescriptionField> &fields, const QString &text);
