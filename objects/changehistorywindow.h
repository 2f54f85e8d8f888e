#pragma once

#include "objects/changehistory.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// "История изменений": the kept versions of one object of a server database, what each held, and the
// restoring of a chosen one.
class ChangeHistoryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ChangeHistoryWindow(QWidget *parent = nullptr);

    // Reads the object's versions.
    void LoadVersions(qint64 objectId);

public Q_SLOTS:
    void RestoreVersionBtnClick();

Q_SIGNALS:
    // A version was put back: the object is to be shown in the list.
    void restored(qint64 objectId);

private:
    QLabel *ObjectLabel = nullptr;
    QTableWidget *VersionList = nullptr, *VersionValues = nullptr;
    QPushButton *RestoreVersionBtn = nullptr, *CloseBtn = nullptr;
    qint64 m_objectId = 0;
    QList<ChangeHistory::Version> m_versions;
    void showVersion();
};
