#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

// "Корзина": the deleted objects with the time of deletion; restores the chosen ones or empties the bin.
class RecycleBinWindow : public QDialog
{
    Q_OBJECT
public:
    explicit RecycleBinWindow(QWidget *parent = nullptr);

    // Reads the bin again.
    void LoadEntries();

public Q_SLOTS:
    void RestoreBtnClick();
    void EmptyBinBtnClick();

Q_SIGNALS:
    // Objects came back; the first is to be shown in the list.
    void restored(qint64 firstObjectId);

private:
    QTableWidget *BinList = nullptr;
    QPushButton *RestoreBtn = nullptr, *EmptyBinBtn = nullptr, *CloseBtn = nullptr;
    void enableButtons();
};
