#pragma once

#include "objects/objectimage.h"
#include "objects/objectstore.h"

#include <QDialog>

#include <optional>

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

    // The fields the editor was generated for and their input controls, in the same order.
    const QList<DescriptionField> &fields() const { return m_fields; }
    QWidget *inputFor(int fieldIndex) const { return m_inputs.value(fieldIndex); }
    QLabel *labelFor(int fieldIndex) const { return m_labels.value(fieldIndex); }
    // The line under an input saying what will be stored, or why it cannot be.
    QLabel *noteFor(int fieldIndex) const { return m_notes.value(fieldIndex); }
    // Whether any input holds another value than the editor opened with.
    bool hasChanges() const;
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
    void FormResize();
    // Parameter handlers, forwarded to the parameter panel.
    void ComboBoxChange();
    void AddParamClick();
    void ClassesFill();
    void DeleteParamClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    QGroupBox *GroupBox1 = nullptr;
    ParamsPanel *paramsPanel = nullptr;   // GroupBox2
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;

    void clearGenerated();
    // What a picture field stores for the file bytes `chosen`, prepared as the settings say; empty when
    // they hold no picture, nothing when the user stopped the wait.
    std::optional<QByteArray> pictureToStore(const QByteArray &chosen);
    void addFieldControls(const DescriptionField &field);
    void layOut();
    void showNote(int fieldIndex);
    bool missingValue(const QList<FieldInput> &inputs);
    // The inputs to store: all when adding, the changed ones when changing; empty with `ok` false when
    // a value cannot be stored (the user was told, or declined to shorten a text).
    QList<FieldInput> inputsToStore(bool *ok);
    // Shows the object as stored now and remembers that state for saving; throws ObjectChangedElsewhere
    // when the object is gone.
    void showStoredObject();
    // Remembers each input's value as the one the editor opened with.
    void rememberOpened();
    // Another program changed or deleted the object before this save: nothing was stored.
    void savedElsewhereFirst(const ObjectChangedElsewhere &elsewhere);
    // Makes the object the list's current row, with progress shown while a long list is read.
    void showObjectInList(qint64 id);

    QList<DescriptionField> m_fields;
    QList<QLabel *> m_labels;
    QList<QWidget *> m_inputs;
    QList<QLabel *> m_notes;
    QList<QVariant> m_opened;           // each input's value when the editor opened
    std::optional<ObjectState> m_asRead;   // the changed object's row as the inputs show it
    // The changed object, links included, when the editor opened: what undo of the change brings back
    // (links are stored as soon as they are added, so a change may be links alone).
    std::optional<ObjectImage> m_openedImage;
    // Records the change of the edited object in the history, when it holds anything else than at opening.
    void recordChange();
    QWidget *m_inputsPanel = nullptr;   // inside GroupBox1's scroll area
    QSize m_chosenSize;                 // the size the user gave the window, kept for the next opening
    bool m_closingChecked = false;
};
