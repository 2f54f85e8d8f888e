#pragma once

#include "classifier/treelevel.h"

#include <QObject>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// The lazily read tree, for the class tree and every reference-book tree: a node's children are read
// when it is first expanded; until then a placeholder child "child" (data 0) marks a node with children.
// The source and the display format are asked for at each read, so a tree follows its window's
// current choice of sort order or reference book.
class LazyTree : public QObject
{
    Q_OBJECT
public:
    using SourceFn = std::function<TreeSource()>;
    using FormatFn = std::function<int()>;

    LazyTree(QTreeWidget *tree, SourceFn source, FormatFn displayFormat);

    // ClassesViewExpand: reads one level below `node`, or the whole tree from the top when node is null.
    void expand(QTreeWidgetItem *node);
    void rebuild() { expand(nullptr); }
    // Reads the whole tree again as the database holds it now, opening the nodes that were open and
    // keeping the current node and the scroll position where they still exist.
    void reread();
    void clear();
    QTreeWidget *tree() const { return m_tree; }

    static qint64 itemId(const QTreeWidgetItem *item);
    static bool isPlaceholder(const QTreeWidgetItem *item);
    // True when the item has children, read or not.
    static bool hasChildren(const QTreeWidgetItem *item);
    // Finds the item with this id among the items read so far.
    QTreeWidgetItem *findItem(qint64 id) const;

private:
    void onExpanded(QTreeWidgetItem *item);

    QTreeWidget *m_tree;
    SourceFn m_source;
    FormatFn m_format;
};
