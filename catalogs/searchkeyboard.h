#pragma once

#include <QFrame>

class QLineEdit;

// The running catalog's own keyboard for its search box, for a touch screen without a keyboard where the
// system's on-screen keyboard cannot appear (a Wayland compositor that has none). Russian letters, digits,
// the space bar, a key that takes back a letter and one that puts the keyboard away: nothing else, so it
// opens nothing. Its keys take no focus; the letters go into the box as typed.
class SearchKeyboard : public QFrame
{
    Q_OBJECT
public:
    SearchKeyboard(QLineEdit *box, QWidget *parent);
    // Shown along the bottom of its parent, its keys a tap or more high.
    void showBelow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addKey(class QGridLayout *rows, const QString &text, int row, int column, int span = 1);

    QLineEdit *m_box;
};
