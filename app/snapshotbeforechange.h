#pragma once

#include <QString>

#include <optional>

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

// The snapshot before an action that may end having changed nothing - an import the user stops or that
// fails: made as SnapshotBeforeChange makes it, but kept only when the action changed the database. A
// snapshot dropped leaves no trace in the list, and the older ones it would have pushed out stay.
class SnapshotForAction
{
public:
    explicit SnapshotForAction(QWidget *parent);
    // Dropped unless kept.
    ~SnapshotForAction();
    SnapshotForAction(const SnapshotForAction &) = delete;
    SnapshotForAction &operator=(const SnapshotForAction &) = delete;

    // As SnapshotBeforeChange: false, the reason shown, when the action must not run.
    bool make(const QString &cause);
    // The action's end: kept (the oldest beyond the settings' number then go) when it changed the
    // database, dropped otherwise.
    void settle(bool changed);

private:
    QWidget *m_parent;
    QString m_databasePath;
    std::optional<QString> m_made;   // the snapshot's file until settled
};

// The day's snapshot at the first opening of a calendar day of the database file open now; a failure
// is shown and the database stays open.
void DailySnapshot(QWidget *parent);
