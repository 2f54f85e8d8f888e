#pragma once

#include "catalogs/designerrules.h"
#include "catalogs/layouttext.h"

#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The designer's small windows for one element at a time. Each is opened with the element's values and
// an action that applies the user's choice to the element the menu was opened on.

// The size window: every change of a box resizes the element at once.
class TForm15 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm15(QWidget *parent = nullptr);
    // Fills the boxes with `size`; filling counts as a change, so a size beyond the limits shrinks at once.
    void Open(QSize size, std::function<void(QSize)> apply);

private:
    QSpinBox *SpinEdit1, *SpinEdit2;
    QPushButton *Button1;

    void applyBoxes();
    std::function<void(QSize)> m_apply;
    bool m_filling = false;
};

// The label text window of a text label.
class TForm16 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm16(QWidget *parent = nullptr);
    void Open(const QString &text, std::function<void(const QString &)> apply);

public Q_SLOTS:
    void Button1Click();

private:
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

    std::function<void(const QString &)> m_apply;
};

// The frame window: frame type and pen width.
class TForm20 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm20(QWidget *parent = nullptr);
    // Puts in the pen width and preselects the type the frame looks like.
    void Open(int penWidth, QSize size, std::function<void(int, DesignerRules::FrameType)> apply);
    DesignerRules::FrameType chosenType() const;

public Q_SLOTS:
    void Button1Click();

private:
    QRadioButton *RadioFrame, *RadioHorizontal, *RadioVertical;
    QSpinBox *SpinEdit1;
    QPushButton *Button1, *Button2;

    std::function<void(int, DesignerRules::FrameType)> m_apply;
};

// Qt's font dialog with a button for the font colour; on OK `font` and `colour` hold the choice.
bool ChooseElementFont(QWidget *parent, QFont &font, Layout::Color &colour);
// Qt's colour dialog starting at `start`; nothing when cancelled.
std::optional<Layout::Color> ChooseElementColor(QWidget *parent, Layout::Color start, QPalette::ColorRole defaultRole);
