#include "classifier/lazytree.h"

#include "app/generalerror.h"
#include "core/dmodule.h"

#include <QHash>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {
constexpr int IdRole = Qt::UserRole;
const QString PlaceholderText = QStringLiteral("child");
}

LazyTree::LazyTree(QTreeWidget *tree, SourceFn source, FormatFn displayFormat)
    : QObject(tree), m_tree(tree), m_source(std::move(source)), m_format(std::move(displayFormat))
{
    connect(m_tree, &QTreeWidget::itemExpanded, this, &LazyTree::onExpanded);
}

qint64 LazyTree::itemId(const QTreeWidgetItem *item)
{
    return item ? item->data(0, IdRole).toLongLong() : 0;
}

bool LazyTree::isPlaceholder(const QTreeWidgetItem *item)
{
    return item && itemId(item) == 0;
}

bool LazyTree::hasChildren(const QTreeWidgetItem *item)
{
    return item && item->childCount() > 0;
}

void LazyTree::clear()
{
    m_tree->clear();
}

void LazyTree::expand(QTreeWidgetItem *node)
{
    const TreeSource source = m_source();
    // Read before touching the tree, so a failed read leaves it as it was.
    const QVector<TreeRow> rows = source.isValid() ? ReadTreeLevel(*DModule, source, itemId(node)) : QVector<TreeRow>();
    if (node)
        qDeleteAll(node->takeChildren());
    else
        m_tree->clear();
    const int format = m_format();
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const TreeRow &row : rows) {
        auto *item = new QTreeWidgetItem(QStringList{TreeItemText(row.name, row.code, format)});
        item->setData(0, IdRole, row.id);
        if (row.hasChildren) {
            auto *placeholder = new QTreeWidgetItem(item, QStringList{PlaceholderText});
            placeholder->setData(0, IdRole, 0);
        }
        items << item;
    }
    if (node)
        node->addChildren(items);
    else
        m_tree->addTopLevelItems(items);
}

void LazyTree::onExpanded(QTreeWidgetItem *item)
{
    if (item->childCount() > 0 && isPlaceholder(item->child(0))) {
        // A failed read leaves the node collapsed with its placeholder, for a later try.
        if (!Guarded([&] { expand(item); }))
            item->setExpanded(false);
    }
}

QTreeWidgetItem *LazyTree::findItem(qint64 id) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if (itemId(*it) == id)
            return *it;
    }
    return nullptr;
}

void LazyTree::reread()
{
    // Tree order puts a parent before its children, so each node is read before it is opened.
    QList<qint64> expanded;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->isExpanded() && !isPlaceholder(*it))
            expanded << itemId(*it);
    }
    const qint64 current = itemId(m_tree->currentItem());
    const int scrolled = m_tree->verticalScrollBar()->value();
    rebuild();
    QHash<qint64, QTreeWidgetItem *> shown;
    const auto note = [&](QTreeWidgetItem *parent) {
        const int count = parent ? parent->childCount() : m_tree->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem *item = parent ? parent->child(i) : m_tree->topLevelItem(i);
            if (!isPlaceholder(item))
                shown.insert(itemId(item), item);
        }
    };
    note(nullptr);
    for (const qint64 id : std::as_const(expanded)) {
        QTreeWidgetItem *item = shown.value(id);
        if (!item)
            continue;   // gone, or under a node that is gone
        item->setExpanded(true);
        note(item);
    }
    if (QTreeWidgetItem *item = shown.value(current))
        m_tree->setCurrentItem(item);
    m_tree->verticalScrollBar()->setValue(scrolled);
}
