#include "app/grids.h"

#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QTableView>

namespace {
// Remembers the widths the user gave columns, by title, for as long as the grid lives.
class UserColumnWidths : public QObject
{
public:
    explicit UserColumnWidths(QTableView *grid)
        : QObject(grid), m_grid(grid)
    {
        setObjectName(QStringLiteral("UserColumnWidths"));
        connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
            if (!m_fitting)
                m_widths.insert(title(column), width);
        });
    }

    void fit()
    {
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

private:
    QString title(int column) const
    {
        return m_grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    QTableView *m_grid;
    QHash<QString, int> m_widths;
    bool m_fitting = false;
};
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
