#include "catalogs/searchkeyboard.h"

#include "catalogs/onscreenkeyboard.h"
#include "catalogs/touchnavigation.h"

#include <QEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString TakeBack = QStringLiteral("⌫");
const QString PutAway = QStringLiteral("Скрыть");
const QString Space = QStringLiteral("Пробел");
const QStringList Rows{QStringLiteral("1234567890"), QStringLiteral("йцукенгшщзхъ"), QStringLiteral("фывапролджэё"),
                       QStringLiteral("ячсмитьбю")};
}

SearchKeyboard::SearchKeyboard(QLineEdit *box, QWidget *parent)
    : QFrame(parent)
    , m_box(box)
{
    setObjectName(QStringLiteral("SearchKeyboard"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto *rows = new QGridLayout(this);
    for (int row = 0; row < Rows.size(); ++row) {
        for (int column = 0; column < Rows[row].size(); ++column)
            addKey(rows, Rows[row].at(column), row, column);
    }
    addKey(rows, TakeBack, 3, 9, 3);
    addKey(rows, Space, 4, 0, 9);
    addKey(rows, PutAway, 4, 9, 3);
    hide();
    box->installEventFilter(this);
}

void SearchKeyboard::addKey(QGridLayout *rows, const QString &text, int row, int column, int span)
{
    auto *key = new QPushButton(text, this);
    key->setObjectName(QStringLiteral("Key ") + text);
    // The letters go where the box's cursor is; the box keeps the focus.
    key->setFocusPolicy(Qt::NoFocus);
    rows->addWidget(key, row, column, 1, span);
    connect(key, &QPushButton::clicked, this, [this, text] {
        if (text == PutAway)
            hide();
        else if (text == TakeBack)
            m_box->backspace();
        else
            m_box->insert(text == Space ? QStringLiteral(" ") : text);
    });
}

void SearchKeyboard::showBelow()
{
    const int tap = TapSizePixels(this);
    QFont letters = font();
    letters.setPixelSize(tap / 2);
    for (QPushButton *key : findChildren<QPushButton *>()) {
        key->setMinimumSize(tap, tap);
        key->setFont(letters);
    }
    QWidget *area = parentWidget();
    const int height = qMin(sizeHint().height(), area->height() / 2);
    setGeometry(0, area->height() - height, area->width(), height);
    show();
    raise();
}

bool SearchKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || !InWindowKeyboardWanted())
        return false;
    // A tap on the box brings the keyboard; leaving the box for anything but a key puts it away.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress)
        showBelow();
    else if (event->type() == QEvent::FocusOut)
        hide();
    return false;
}
