#pragma once

#include "fields/fieldkind.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class FieldListModel;

// The tab "Поля описания объектов" of the editing-mode window: the field list and its input panel.
// TForm1 forwards its handlers of this tab here.
class FieldsPage : public QWidget
{
    Q_OBJECT
public:
    explicit FieldsPage(QWidget *parent = nullptr);

    // Runs the field query on QRFields and shows it in the grid (opening a database).
    void reloadFieldList();
    // Reads the list again, the same field staying current while it exists.
    void rereadKeepingCurrent();
    // Whether a field is being added or changed in the input panel.
    bool panelOpen() const;
    // Number of description fields in the list.
    int fieldCount() const;
    // Empties Edit4, unticks CheckBox3, sets LookupBtn by the current field (part of TForm1::ClearForm).
    void clearInputs();

    // The field of the grid's current row; id 0 when the list is empty.
    DescriptionField selectedField() const;
    // Makes the row of the field `fieldId` the current one; false when it is not listed.
    bool selectField(qint64 fieldId);

Q_SIGNALS:
    // The input panel opened or closed: the main window's way to the view/fill mode waits meanwhile.
    void panelOpenChanged(bool open);

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
    QTableView *DBGrid = nullptr;
    QPushButton *AddFieldBtn = nullptr, *EditFieldBtn = nullptr, *DeleteFieldBtn = nullptr, *LookupBtn = nullptr;
    QGroupBox *GroupBox7 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QLabel *Label14 = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

    enum class PanelMode { Adding, Editing };

    void openPanel(PanelMode mode);
    void closePanel();
    void updateLookupButton();
    // Asks before a change of type loses values that do not convert; false when nothing is to change.
    bool confirmValuesLost(qint64 fieldId, int type, bool lookup);
    // Re-reads the list; a failure is shown and leaves the grid empty.
    void rereadFieldList();

    FieldListModel *m_model = nullptr;
    PanelMode m_mode = PanelMode::Adding;
    qint64 m_editedFieldId = 0;
};
