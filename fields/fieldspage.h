#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

// The tab "Поля описания объектов" of the editing-mode window: the field list and its input panel.
// TForm1 forwards its handlers of this tab here.
class FieldsPage : public QWidget
{
    Q_OBJECT
public:
    // goToDbButton is the main window's view/fill switch, disabled while the input panel is open.
    FieldsPage(QPushButton *goToDbButton, QWidget *parent = nullptr);

    QTableView *DBGrid = nullptr;
    QPushButton *AddFieldBtn = nullptr, *EditFieldBtn = nullptr, *DeleteFieldBtn = nullptr, *LookupBtn = nullptr;
    QGroupBox *GroupBox7 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

    // Runs the field query on QRFields and shows it in the grid (opening a database).
    void reloadFieldList();
    // Number of description fields in the list.
    int fieldCount() const;
    // Empties Edit4, unticks CheckBox3, sets LookupBtn by the current field (part of TForm1::ClearForm).
    void clearInputs();

public Q_SLOTS:
    void AddFieldBtnClick();
    void EditFieldBtnClick();
    void DeleteFieldBtnClick();
    void OKBtnClick();
    void CancelBtnClick();
    void ComboBox1Change();
    void DBGridCellClick();
    void LookupBtnClick();

private:
    QPushButton *m_goToDbButton;
};
