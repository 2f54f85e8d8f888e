#pragma once

#include "fields/fieldkind.h"

#include <QList>
#include <QString>
#include <functional>

class SharedQuery;
class TDModule;

// The object list as a CSV file: the given columns in their order, the rows as the open list holds them
// (filter, search and order applied), values as files exchange them (ExchangeText; with ";", the Russian
// spreadsheets' delimiter, reals with a decimal comma and dates as dd.MM.yyyy), texts safe from being run
// as formulas, one more column of the object's parameters when asked for. UTF-8 with a byte-order mark,
// CR LF line ends.
struct CsvExportOptions
{
    char delimiter = ';';
    bool withParameters = false;
};

inline const QString ParametersColumnTitle = QStringLiteral("Параметры");

// Reads the rows of `list` (the open object list) from the first and writes the file; `progress` gets
// the rows written so far and stops the export (nothing is written) when it returns false. Returns the
// number of objects written. The list's current row is kept. Throws DbError.
int ExportObjectList(TDModule &module, SharedQuery &list, const QList<DescriptionField> &columns,
                     const CsvExportOptions &options, const QString &path,
                     const std::function<bool(int rows)> &progress = {});
