#include "catalogs/touchnavigation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScroller>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTouchEvent>
#include <QTreeView>
#include <QWidget>
#include <QtMath>

namespace {
constexpr double TapMillimetres = 9.0;
constexpr double FallbackDotsPerInch = 96.0;

// Rows of lists and trees at least a tap high.
class TapRowsDelegate : public QStyledItemDelegate
{
public:
    TapRowsDelegate(int tap, QObject *parent) : QStyledItemDelegate(parent), m_tap(tap) {}
    void setTap(int tap) { m_tap = tap; }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(size.height(), m_tap));
        return size;
    }

private:
    int m_tap;
};

void AtLeastTapHigh(QWidget *control, int tap)
{
    control->setMinimumHeight(qMax(tap, qMin(control->minimumHeight(), control->maximumHeight())));
}

void TallRows(QAbstractItemView *view, int tap)
{
    if (auto *table = qobject_cast<QTableView *>(view)) {
        table->verticalHeader()->setMinimumSectionSize(tap);
        table->verticalHeader()->setDefaultSectionSize(tap);
        table->horizontalHeader()->setMinimumHeight(tap);
        return;
    }
    if (auto *tall = dynamic_cast<TapRowsDelegate *>(view->itemDelegate()))
        tall->setTap(tap);
    else if (view->itemDelegate() && QByteArray(view->itemDelegate()->metaObject()->className()) == "QStyledItemDelegate")
        view->setItemDelegate(new TapRowsDelegate(tap, view));
    if (auto *tree = qobject_cast<QTreeView *>(view))
        tree->setIndentation(qMax(tree->indentation(), tap));
    view->doItemsLayout();
}
}

int TapSizePixels(const QWidget *widget)
{
    const QScreen *screen = widget ? widget->screen() : nullptr;
    double dotsPerInch = screen ? screen->physicalDotsPerInch() : 0;
    // A missing or made-up physical size (0 mm, or a projector claiming a few dots per inch).
    if (!(dotsPerInch >= 40 && dotsPerInch <= 1200))
        dotsPerInch = FallbackDotsPerInch;
    // Widgets measure in device-independent pixels.
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return qCeil(TapMillimetres / 25.4 * dotsPerInch / (ratio > 0 ? ratio : 1.0));
}

void MakeTouchFriendly(QWidget *window)
{
    const int tap = TapSizePixels(window);
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        AtLeastTapHigh(button, tap);
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        AtLeastTapHigh(edit, tap);
    for (QComboBox *box : window->findChildren<QComboBox *>()) {
        AtLeastTapHigh(box, tap);
        TallRows(box->view(), tap);
    }
    for (QAbstractItemView *view : window->findChildren<QAbstractItemView *>()) {
        if (qobject_cast<QComboBox *>(view->parentWidget()))
            continue;
        TallRows(view, tap);
        // A finger drags the rows; a mouse still selects and drags the scroll bar as before.
        QScroller::grabGesture(view->viewport(), QScroller::TouchGesture);
        view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    }
}

SwipeDetector::SwipeDetector(QWidget *area)
    : QObject(area)
    , m_area(area)
{
    area->setAttribute(Qt::WA_AcceptTouchEvents);
    area->installEventFilter(this);
}

bool SwipeDetector::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_area)
        return false;
    switch (event->type()) {
    case QEvent::TouchBegin: {
        auto *touch = static_cast<QTouchEvent *>(event);
        if (touch->points().size() == 1)
            begin(touch->points().first().globalPosition());
        // Accepted, or the rest of the touch never comes here.
        event->accept();
        return true;
    }
    case QEvent::TouchUpdate: {
        // A second finger makes it a pinch or a rest, not a swipe.
        if (static_cast<QTouchEvent *>(event)->points().size() != 1)
            m_tracking = false;
        event->accept();
        return true;
    }
    case QEvent::TouchEnd: {
        auto *touch = static_cast<QTouchEvent *>(event);
        if (touch->points().size() == 1)
            end(touch->points().first().globalPosition());
        m_tracking = false;
        event->accept();
        return true;
    }
    case QEvent::TouchCancel:
        m_tracking = false;
        return true;
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The mouse a finger's touch was turned into already counted as the touch.
        if (mouse->button() == Qt::LeftButton && mouse->source() == Qt::MouseEventNotSynthesized)
            begin(mouse->globalPosition());
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && mouse->source() == Qt::MouseEventNotSynthesized)
            end(mouse->globalPosition());
        return false;
    }
    default:
        return false;
    }
}

void SwipeDetector::begin(QPointF at)
{
    m_tracking = true;
    m_start = at;
}

void SwipeDetector::end(QPointF at)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    const QPointF moved = at - m_start;
    const double across = qAbs(moved.x());
    const double needed = qMax(2.0 * TapSizePixels(m_area), 0.1 * m_area->width());
    if (across < needed || across < 2.0 * qAbs(moved.y()))
        return;
    if (moved.x() < 0)
        Q_EMIT swipedLeft();
    else
        Q_EMIT swipedRight();
}
