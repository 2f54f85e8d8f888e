#pragma once

#include <QGroupBox>
#include <QStringList>

class LazyTree;
class QComboBox;
class QListWidget;
class QPushButton;
class QTreeWidget;

// The reference book chosen in the filter's book box; shared by the view/fill mode and the catalogs.
extern QString ReferId;

// The group " Условие отбора объектов ": a book box, its lazy tree, the filter entries and their
// conditions. Evaluating sets FilterPart and runs the object list again on QRGeneral. The view/fill
// window and the running catalog each hold one.
class FilterPanel : public QGroupBox
{
    Q_OBJECT
public:
    // `grid` is hidden while the filter works.
    explicit FilterPanel(QWidget *grid, QWidget *parent = nullptr);

    QComboBox *ComboBox = nullptr;
    QTreeWidget *ClassesView = nullptr;
    QPushButton *AddFilter = nullptr, *DeleteFilter = nullptr;
    QListWidget *ListBox = nullptr;
    QStringList Memo;   // one condition per filter entry, parallel to ListBox

    // Empties the filter entries and their conditions (LoadGeneral step 2).
    void reset();
    // Fills the book box from REFERS and loads the first book's tree (LoadGeneral steps 6 and 7).
    // Throws DbError; the caller's action shows it.
    void fillBooks();

    // The book whose tree this panel shows (its own, so another window changing ReferId cannot make
    // this tree read a different book).
    QString shownBook() const { return m_bookId; }

public Q_SLOTS:
    void ComboBoxChange();
    void AddFilterClick();
    void DeleteFilterClick();
    void MakeFClass();
    // Reads the shown book's tree again from the top (after a change of the display format).
    void rebuildTree();

private:
    void loadBook();
    bool applyFilter();

    QWidget *m_grid;
    LazyTree *m_tree = nullptr;
    QString m_bookId;
    QString m_bookName;
};
