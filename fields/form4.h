#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

// The lookup list window: the ready-made values of one string field. Modeless, on top of the others.
// The list is read completely into the window's own model, so nothing else can replace its rows.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);

    // Fills the window with the list of the field and shows it; a refused read throws DbError.
    void ShowList(qint64 fieldId, const QString &fieldName);
    // After a field was changed or deleted: a window showing that field's list follows the change
    // (read again, or closed when the list is gone).
    void fieldChanged(qint64 fieldId);

    qint64 fieldId() const { return m_fieldId; }
    // The entry of the grid's current row; 0 when the list is empty.
    qint64 selectedEntryId() const;

public Q_SLOTS:
    void AddBtnClick();
    void Button2Click();
    void DeleteBtnClick();
    void DBGridCellClick();
    void Button1Click();
    void FormResize();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTableView *DBGrid = nullptr;
    QGroupBox *GroupBox1 = nullptr, *GroupBox3 = nullptr, *GroupBox2 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr;
    QPushButton *AddBtn = nullptr, *Button2 = nullptr, *DeleteBtn = nullptr, *Button1 = nullptr;

    void loadList();
    void selectEntry(qint64 entryId);

    QStandardItemModel *m_model = nullptr;
    qint64 m_fieldId = 0;
};
