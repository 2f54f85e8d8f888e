#pragma once

#include "objects/csvfile.h"
#include "objects/objectstore.h"

#include <QList>
#include <QString>
#include <functional>

class TDModule;

// Objects from a CSV file: the header matched to description fields, every value converted by its
// field's kind and checked as the object editor checks it, then all rows added as one transaction.

// For each column of the header, the index in `fields` of the field it names (case and surrounding
// spaces ignored), or -1; each field is matched once, pictures never.
QList<int> MatchCsvHeader(const QStringList &header, const QList<DescriptionField> &fields);

struct ImportProblem
{
    int line = 0;        // file line of the record
    int column = 0;      // 1-based column of the file; 0 when the value is missing from the file
    QString reason;
    QString text() const;
};

struct ImportPlan
{
    QList<QList<FieldInput>> rows;   // one input per field (pictures left out), every data record
    QList<int> lines;
    QList<ImportProblem> problems;
    QList<bool> rowFails;            // parallel to rows
    int failingRows() const { return int(rowFails.count(true)); }
};

// Converts every data record (all but the header). `mapping` gives, per file column, the field index
// or -1 (skipped). `progress` gets the records done.
ImportPlan ConvertCsvRecords(const CsvDocument &document, const QList<DescriptionField> &fields, const QList<int> &mapping,
                             const std::function<void(int done)> &progress = {});

// Adds the rows as new objects in one transaction, leaving out the failing ones; lookup texts not yet in
// their lists are added. Refuses (writes nothing) while a row fails unless `skipFailing`. `progress`
// returning false cancels (nothing is written). Returns the objects added. Throws DbError.
int WriteImportedObjects(TDModule &module, const ImportPlan &plan, bool skipFailing,
                         const std::function<bool(int done)> &progress = {});
