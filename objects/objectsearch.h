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

// Registers the engine functions the search condition calls on a database file: SEARCH_FOUND, SEARCH_HIT, SEARCH_COUNT and
// SEARCH_IDS, which read the search index (objects/searchindex.h), and SEARCH_MATCH for lookup texts.
void RegisterObjectSearch(QSqlDatabase &db);

struct SearchCondition
{
    QString sql;           // a condition for the object list's WHERE clause; empty: no search
    QVariantList values;   // bound to its placeholders
};

// How many objects showed the text when it was typed. The condition for few lists them (anew at every
// opening), so that the engine reads those objects alone whatever the order; the one for many is walked
// in the list's order up to the first screen. Both find the same objects.
enum class SearchReach { Many, Few };

// The condition for `text` over the columns of `fields` (as the object list names them) on a database
// file; empty when the text is empty or no field is given. The object list asks the connection's search
// engine (objects/searchengine.h), which chooses the reach.
SearchCondition ObjectSearchCondition(const QList<DescriptionField> &fields, const QString &text,
                                      SearchReach reach = SearchReach::Many);
