#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The column chooser of the object grid: one check box per grid column, matched to the columns by position.
class TForm21 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm21(QWidget *parent = nullptr);

    QList<QCheckBox *> checkBoxes() const { return m_checkBoxes; }
    QPushButton *doneButton() const { return m_done; }
    QPushButton *cancelButton() const { return m_cancel; }

public Q_SLOTS:
    void LoadFields();
    void ColumnsVisible();
    void CloseForm();

private:
    QLabel *m_title = nullptr;
    QList<QCheckBox *> m_checkBoxes;
    QPushButton *m_done = nullptr, *m_cancel = nullptr;
};
