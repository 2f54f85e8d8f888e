#include "app/grids.h"

#include <QAbstractButton>
#include <QFont>
#include <QKeyEvent>
#include <QHash>
#include <QEvent>
#include <QHeaderView>
#include <QTimer>
#include <QTableView>
#include <QTableWidget>

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
            if (remembered != m_widths.constEnd())
                m_grid->setColumnWidth(column, *remembered);
            else
                m_grid->resizeColumnToContents(column);
        }
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
    QString title(int column) const
    {
        return m_grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    QTableView *m_grid;
    QHash<QString, int> m_widths;
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

void FitGridColumns(QTableView *grid)
{
    // No meta-object of its own: found by name, not by type.
    auto *widths = dynamic_cast<UserColumnWidths *>(
        grid->findChild<QObject *>(QStringLiteral("UserColumnWidths"), Qt::FindDirectChildrenOnly));
    if (!widths)
        widths = new UserColumnWidths(grid);
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
