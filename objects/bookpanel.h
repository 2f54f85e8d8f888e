#pragma once

#include <QGroupBox>

class LazyTree;
class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

// A group with a reference-book box over the lazy tree of the chosen book: the common top of the object
// filter and of the object editor's parameters. Each panel keeps its own book, so another window
// choosing a book never makes this tree read a different one.
class BookPanel : public QGroupBox
{
    Q_OBJECT
public:
    QString bookId() const { return m_bookId; }
    QString bookName() const;
    // The entry selected in the tree; null when none is (a placeholder never counts).
    QTreeWidgetItem *selectedEntry() const;

public Q_SLOTS:
    void ComboBoxChange();
    // Reads the shown book's tree again from the top (after a change of the display format).
    void rebuildTree();

protected:
    BookPanel(const QString &title, const QString &name, QWidget *parent);
    QComboBox *ComboBox = nullptr;
    QTreeWidget *ClassesView = nullptr;
    // Places a control under the tree.
    void addControl(QWidget *control);
    // Lists the books by name and loads the first one's tree; false when there is no book. Throws DbError.
    bool fillBookBox();
    // The box now shows another book.
    virtual void bookChosen() {}

private:
    void loadBook();

    LazyTree *m_tree = nullptr;
    QString m_bookId;
};
