#pragma once

#include <QDialog>

class QButtonGroup;
class QLabel;
class QPushButton;
class QScrollArea;

// The component palette of the catalog designer: toggle buttons, exactly one pressed, choosing what a
// click on the layout places.
class TForm12 : public QDialog
{
    Q_OBJECT
public:
    // Positions of the buttons; the field buttons follow the fixed ones in the order of the field query.
    enum Button { NothingButton, TextLabelButton, TextImageButton, FrameButton, ReferenceListButton, FirstFieldButton };

    explicit TForm12(QWidget *parent = nullptr);

    int PressedButton() const;
    QString PressedCaption() const;
    QList<QPushButton *> buttons() const { return m_buttons; }

public Q_SLOTS:
    // Rebuilds the buttons from the description fields. Throws DbError.
    void FillForm();
    void PressNothing();

private:
    QScrollArea *m_scroll;
    QWidget *m_content = nullptr;
    QButtonGroup *m_group = nullptr;
    QList<QPushButton *> m_buttons;
};
