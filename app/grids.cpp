#include "app/grids.h"

#include <QAbstractButton>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QHash>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>

namespace {
// Remembers the widths the user gave columns, by title, for as long as the grid lives.
class UserColumnWidths : public QObject
{
public:
    explicit UserColumnWidths(QTableView *grid)
        : QObject(grid), m_grid(grid)
    {
        setObjectName(QStringLiteral("UserColumnWidths"));
        grid->installEventFilter(this);
        connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
            if (!m_fitting)
                m_widths.insert(title(column), width);
        });
        // Whenever the list is read again (objects added, deleted, filtered, sorted), the columns fit the
        // rows now on screen, once the view has placed them.
        connect(grid->model(), &QAbstractItemModel::modelReset, this, [this] {
            if (m_fitPending)
                return;
            m_fitPending = true;
            QTimer::singleShot(0, this, [this] {
                m_fitPending = false;
                fit();
            });
        });
    }

    void setPictureColumns(std::function<bool(int column)> isPicture) { m_isPicture = std::move(isPicture); }

    void fit()
    {
        // A hidden grid has no rows on screen to measure: it is fitted once it shows.
        m_fitOnShow = !m_grid->isVisible();
        if (m_fitOnShow)
            return;
        // The rows on screen are measured; a lazy model may not have read them yet.
        QAbstractItemModel *model = m_grid->model();
        const int onScreen = m_grid->viewport()->height() / qMax(1, m_grid->verticalHeader()->defaultSectionSize()) + 1;
        while (model->rowCount() < onScreen && model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        m_fitting = true;
        for (int column = 0; column < m_grid->model()->columnCount(); ++column) {
            const auto remembered = m_widths.constFind(title(column));
            if (remembered != m_widths.constEnd()) {
                m_grid->setColumnWidth(column, *remembered);
            } else if (isPicture(column)) {
                // A picture column keeps the width its thumbnails took: rows on screen without a picture
                // (or whose thumbnails are still being made) never narrow it.
                m_grid->resizeColumnToContents(column);
                int &widest = m_pictureWidths[title(column)];
                widest = qMax(widest, m_grid->columnWidth(column));
                m_grid->setColumnWidth(column, widest);
            } else {
                m_grid->resizeColumnToContents(column);
            }
        }
        keepPicturesInView();
        m_fitting = false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_grid && event->type() == QEvent::Show && m_fitOnShow)
            QTimer::singleShot(0, this, [this] { fit(); });
        return QObject::eventFilter(watched, event);
    }

private:
    bool isPicture(int column) const { return m_isPicture && m_isPicture(column); }

    // Once sorted, every title keeps room for the sort arrow and the columns fitted to texts grow; with the
    // picture columns last they would be pushed out of the view. The fitted text columns (not those the
    // user sized) give up their width, the widest first and never below their titles, so that the whole
    // list fits the view; when even that is too wide, the widths stay as fitted and the list scrolls.
    void keepPicturesInView()
    {
        bool pictures = false;
        int fixed = 0;   // the pictures' and the user's widths
        QList<int> fitted;
        for (int column = 0; column < m_grid->model()->columnCount(); ++column) {
            if (m_grid->isColumnHidden(column))
                continue;
            pictures = pictures || isPicture(column);
            if (isPicture(column) || m_widths.contains(title(column)))
                fixed += m_grid->columnWidth(column);
            else
                fitted << column;
        }
        // A list just read again may not show its scroll bar yet: the room is what is left beside it.
        int view = m_grid->viewport()->width();
        const QScrollBar *rowsBar = m_grid->verticalScrollBar();
        if (!rowsBar->isVisible() && m_grid->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff
            && m_grid->verticalHeader()->length() > m_grid->viewport()->height())
            view -= m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, rowsBar);
        const int room = view - fixed;
        if (!pictures || fitted.isEmpty())
            return;
        QFont titleFont = m_grid->horizontalHeader()->font();
        titleFont.setBold(true);
        const QFontMetrics metrics(titleFont);
        QList<int> floors, widths;
        int total = 0, floorTotal = 0;
        for (int column : std::as_const(fitted)) {
            widths << m_grid->columnWidth(column);
            floors << qMin(widths.last(), metrics.horizontalAdvance(title(column)) + 2 * TitleMargin);
            total += widths.last();
            floorTotal += floors.last();
        }
        if (total <= room || floorTotal > room)
            return;
        // The largest cap on the fitted widths under which they all fit the room left.
        const auto capped = [&](int cap) {
            int sum = 0;
            for (int i = 0; i < widths.size(); ++i)
                sum += qMax(floors[i], qMin(widths[i], cap));
            return sum;
        };
        int low = 0, high = *std::max_element(widths.begin(), widths.end());
        while (low < high) {
            const int cap = (low + high + 1) / 2;
            if (capped(cap) <= room)
                low = cap;
            else
                high = cap - 1;
        }
        for (int i = 0; i < fitted.size(); ++i)
            m_grid->setColumnWidth(fitted[i], qMax(floors[i], qMin(widths[i], low)));
    }

    QString title(int column) const
    {
        return m_grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    QTableView *m_grid;
    static constexpr int TitleMargin = 8;
    QHash<QString, int> m_widths;
    QHash<QString, int> m_pictureWidths;   // by title: the widest a picture column was fitted to
    std::function<bool(int column)> m_isPicture;
    bool m_fitting = false;
    bool m_fitOnShow = false;
    bool m_fitPending = false;
};
}

namespace {
class ButtonKeys : public QObject
{
public:
    ButtonKeys(QWidget *widget, const QList<int> &keys, QAbstractButton *button)
        : QObject(widget), m_keys(keys), m_button(button)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !m_keys.contains(key->key()))
            return QObject::eventFilter(watched, event);
        if (m_button->isEnabled())
            m_button->click();
        return true;
    }

private:
    QList<int> m_keys;
    QAbstractButton *m_button;
};
}

void PressButtonOnKeys(QWidget *widget, const QList<int> &keys, QAbstractButton *button)
{
    new ButtonKeys(widget, keys, button);
}

void FitGridColumns(QTableView *grid, std::function<bool(int column)> isPicture)
{
    // No meta-object of its own: found by name, not by type.
    auto *widths = dynamic_cast<UserColumnWidths *>(
        grid->findChild<QObject *>(QStringLiteral("UserColumnWidths"), Qt::FindDirectChildrenOnly));
    if (!widths)
        widths = new UserColumnWidths(grid);
    widths->setPictureColumns(std::move(isPicture));
    widths->fit();
}

QVariant GridTitleData(const QString &caption, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return caption;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    default:
        return {};
    }
}

QTableWidget *NewReadOnlyTable(const char *name, const QStringList &titles, QAbstractItemView::SelectionMode mode,
                               QWidget *parent)
{
    auto *table = new QTableWidget(0, int(titles.size()), parent);
    table->setObjectName(QLatin1String(name));
    table->setHorizontalHeaderLabels(titles);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(mode);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    return table;
}

QTableView *NewReadOnlyGrid(QAbstractItemModel *model, QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DBGrid"));
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return grid;
}
