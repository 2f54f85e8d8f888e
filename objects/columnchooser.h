#pragma once

#include <QDialog>

class GridColumns;
class QCheckBox;
class QLabel;
class QPushButton;

// The column chooser of an object grid: one check box per grid column, matched to the columns by
// position. The view/fill window and the catalog designer each have one over their own grid.
class ColumnChooser : public QDialog
{
    Q_OBJECT
public:
    QList<QCheckBox *> checkBoxes() const { return m_checkBoxes; }
    QPushButton *doneButton() const { return m_done; }
    QPushButton *cancelButton() const { return m_cancel; }

public Q_SLOTS:
    void LoadFields();
    void ColumnsVisible();
    void CloseForm();

protected:
    // `chooserWidth` sets the widths of the check boxes and buttons.
    ColumnChooser(const QString &name, int chooserWidth, QWidget *parent);

    // The grid whose columns are chosen.
    virtual GridColumns gridColumns() const = 0;
    // Told after the user showed or hid a column.
    virtual void columnsChanged() {}

private:
    int m_width;
    QLabel *m_title = nullptr;
    QList<QCheckBox *> m_checkBoxes;
    QPushButton *m_done = nullptr, *m_cancel = nullptr;
};
