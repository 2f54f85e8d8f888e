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

// What is read from a CSV file: the file, the encoding it is read in, and per file column the index of
// the field it fills or -1 (skipped).
struct CsvImportSource
{
    QString path;
    CsvEncoding encoding = CsvEncoding::Utf8;
    bool encodingSure = true;
    QList<int> mapping;
};

struct ImportCheck
{
    int rows = 0;                    // every data record
    int failingRows = 0;
    QList<ImportProblem> problems;   // the first ones, in the order of the file
    int problemCount = 0;            // all of them
    qint64 fileSize = 0;             // the file as checked
    qint64 fileModified = 0;
    bool cancelled = false;          // stopped by the user before the end: nothing may be written
};

// Reads the file record by record, converting every value by its field's kind and checking it as the
// object editor does; nothing is kept but the problems. `progress` gets the records done; answering false
// stops the check (cancelled).
ImportCheck CheckCsvImport(const CsvImportSource &source, const QList<DescriptionField> &fields,
                           const std::function<bool(int done)> &progress = {});

// Reads the file again and adds its rows as new objects in one transaction, leaving out the failing ones;
// lookup texts not yet in their lists are added. Refuses (writes nothing) while a row fails unless
// `skipFailing`, and when the file is no longer the one checked. `progress` returning false cancels
// (nothing is written). Returns the objects added. Throws DbError.
int WriteImportedObjects(TDModule &module, const CsvImportSource &source, const QList<DescriptionField> &fields,
                         const ImportCheck &check, bool skipFailing, const std::function<bool(int done)> &progress = {});

// Whether the database holds any object: an import into it is preceded by a snapshot.
bool DatabaseHasObjects(TDModule &module);
