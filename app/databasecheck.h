#pragma once

#include <QList>
#include <QString>
#include <functional>

class TDModule;

// "Проверить базу данных": the engine's own check of a database file and the program's checks of what
// its design promises (every field has its column, every lookup value names an entry, links name
// existing objects, books and entries, every book has its table, every catalog its folder, the sort
// keys are those of the texts). Widget-free: the window shows the report and asks about the mend.
namespace DatabaseCheck {

enum class Mend {
    None,            // reported only
    SortKeys,        // keys made anew, indexes made plain
    LookupValues,    // objects' values naming no entry become the empty entry
    DanglingLinks,   // links naming no object, book or entry are deleted
    DanglingCaptions // captions naming no entry are cleared
};

struct Finding
{
    QString text;   // plain Russian, one line
    Mend mend = Mend::None;
    qint64 fieldId = 0;   // for LookupValues
};

// Runs every check on the open database; `progress` is told steps done and steps in all, and may
// answer false to stop (the findings so far are returned). Throws DbError when a check cannot run.
QList<Finding> Run(TDModule &module, const QString &databasePath,
                   const std::function<bool(int done, int total)> &progress = {});

// The report as the user reads it: each finding on a line, or that all is in order; with `copyBeforeMend`
// the question to mend promises the copy made first.
QString Report(const QList<Finding> &findings, bool copyBeforeMend = false);
bool CanMend(const QList<Finding> &findings);

// Mends what the findings offer to mend, in one transaction, after `before` (the copy of the database),
// taken outside it. False, nothing changed, when `before` answered false. Throws DbError (nothing changed).
bool MendFindings(TDModule &module, const QList<Finding> &findings, const std::function<bool()> &before = {});

}
