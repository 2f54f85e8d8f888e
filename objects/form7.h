#pragma once

#include "objects/objectstore.h"

#include <QDialog>

class QLabel;

class ParamsPanel;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The object editor: one generated input per description field on the left, the object's parameters
// on the right.
class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);

    bool EditMode = false;
    QString ObjectId;

    QGroupBox *GroupBox1 = nullptr;
    ParamsPanel *paramsPanel = nullptr;   // GroupBox2
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;

    // The fields the editor was generated for and their input controls, in the same order.
    const QList<DescriptionField> &fields() const { return m_fields; }
    QWidget *inputFor(int fieldIndex) const { return m_inputs.value(fieldIndex); }
    QLabel *labelFor(int fieldIndex) const { return m_labels.value(fieldIndex); }
    // The controls' values as the store takes them.
    QList<FieldInput> readInputs() const;

public Q_SLOTS:
    void FormCreate();
    void GenForm();
    void OkBtnClick();
    void AddRecord();
    void EditRecord();
    void CancelBtnClick();
    void ImageClick();
    // Key filters of the number edits: whether `key`, typed into `edit`, is kept.
    bool IntegerKeyPress(QLineEdit *edit, QChar key);
    bool FloatKeyPress(QLineEdit *edit, QChar key);
    void FormResize();
    // Parameter handlers, forwarded to the parameter panel.
    void ComboBoxChange();
    void AddParamClick();
    void ClassesFill();
    void DeleteParamClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void clearGenerated();
    void addFieldControls(const DescriptionField &field, int &top, int &widestLabel);
    void layOut();
    bool missingValue(const QList<FieldInput> &inputs);
    void showStoredObject();
    // Makes the object the list's current row, with progress shown while a long list is read.
    void showObjectInList(qint64 id);

    QList<DescriptionField> m_fields;
    QList<QLabel *> m_labels;
    QList<QWidget *> m_inputs;
    QWidget *m_inputsPanel = nullptr;   // inside GroupBox1's scroll area
    int m_contentHeight = 24;
    int m_labelWidth = 200;
};
