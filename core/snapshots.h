#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class QSqlDatabase;
class TDModule;

// Copies of a database file made while it is open, kept in a folder beside it ("Музей.mdb" keeps them in
// "Музей.snapshots"), newest first, the last N of them. Each copy is a whole database of the program.
namespace Snapshots {

struct Snapshot
{
    QString path;       // the copy's file
    QDateTime made;     // local time
    QString cause;      // what the user was about to do, as the program worded it
    qint64 size = 0;    // bytes
};

// Pages done of pages in all; answers false to stop the copy.
using Progress = std::function<bool(qint64 done, qint64 total)>;

QString FolderOf(const QString &databasePath);

// Copies the database open on `db` into a new file at `target` through the engine's online backup, in
// steps of `pagesPerStep` pages: the copy holds the database as one committed state, whatever other
// connections write meanwhile. Written beside `target` and renamed once complete. False when `progress`
// stopped it (nothing is left behind); throws DbError when the copy failed.
bool BackupInto(const QSqlDatabase &db, const QString &target, const Progress &progress = {}, int pagesPerStep = 1024);

// Makes a snapshot of the file open in `module` for `cause` and keeps only the last `keep` snapshots.
// Refused (DbError) inside a transaction, whose uncommitted changes would be copied, and on a server
// database. Nothing when `progress` stopped it.
std::optional<Snapshot> Make(TDModule &module, const QString &cause, int keep, const Progress &progress = {});

// The snapshots of a database file, newest first.
QList<Snapshot> List(const QString &databasePath);
// What is kept beside a snapshot (its catalog folders) is named by its file's name followed by "_" and
// goes with it.
// Removes all but the newest `keep` snapshots.
void Prune(const QString &databasePath, int keep);
// Removes one snapshot. Throws DbError when its file stays.
void Remove(const QString &databasePath, const QString &snapshotPath);

// Puts the snapshot in place of the database file, which must be closed: written beside the file and
// switched, so a failure leaves the file as it was. Throws DbError.
void PutInPlace(const QString &snapshotPath, const QString &databasePath);

// Whether the day's snapshot of a database file is still to be made: made on the first opening of each
// calendar day. NoteDailyMade remembers the day beside the file.
bool DailyDue(const QString &databasePath, const QDate &today = QDate::currentDate());
void NoteDailyMade(const QString &databasePath, const QDate &today = QDate::currentDate());

}

// The causes the program gives, so that every window words them alike.
namespace SnapshotCause {
QString FieldDeleted(const QString &field);
QString FieldChanged(const QString &field);
QString ClassDeleted(const QString &className);
QString BookRegenerated(const QString &book);
QString BookRemoved(const QString &book);
QString BooksRegenerated();
QString BooksRemoved();
QString CatalogDeleted(const QString &catalog);
QString Import(const QString &fileName);
QString FolderImport(const QString &folderName);
QString BinEmptied();
QString BinPurged();
QString DatabaseMended();
QString Daily();
QString BeforeRestore(const QDateTime &restored);
}
