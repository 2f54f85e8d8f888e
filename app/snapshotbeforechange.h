#pragma once

#include <QString>

class QWidget;
class TDModule;

// The step every destructive design change takes after the user confirmed it and before its transaction:
// a snapshot of the open database file (core/snapshots.h) for `cause` (worded by SnapshotCause). A file
// larger than the settings choose is copied with a progress window that "Отмена" stops. False, the
// reason shown, when the copy failed or was stopped: the change must then not be made. A server
// database keeps no snapshots (the server's own backups apply): true at once.
bool SnapshotBeforeChange(QWidget *parent, const QString &cause);
// The same for a database open in another data module than the program's own.
bool SnapshotBeforeChange(TDModule &module, QWidget *parent, const QString &cause);

// The day's snapshot at the first opening of a calendar day of the database file open now; a failure
// is shown and the database stays open.
void DailySnapshot(QWidget *parent);
