#pragma once

#include "core/snapshots.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// "Файл → Резервные копии…": the snapshots of the open database file, newest first, to restore one, to
// open one for a look, or to delete one. A server database keeps none: the window says what applies.
class TBackupsWindow : public QDialog
{
    Q_OBJECT
public:
    explicit TBackupsWindow(QWidget *parent = nullptr);

    // Reads the list of the database open now.
    void ShowSnapshots();

public Q_SLOTS:
    void RestoreBtnClick();
    void ViewBtnClick();
    void DeleteBtnClick();

private:
    QLabel *InfoLabel;
    QTableWidget *SnapshotsTable;
    QPushButton *RestoreBtn, *ViewBtn, *DeleteBtn, *CloseBtn;
    QList<Snapshots::Snapshot> m_snapshots;
    QString m_databasePath;   // whose snapshots are listed

    // The snapshot of the chosen row; nullptr when none is chosen.
    const Snapshots::Snapshot *chosen() const;
    void enableButtons();
};

// The size of a file as the user reads it: "512 КБ", "1,5 МБ".
QString ReadableSize(qint64 bytes);
