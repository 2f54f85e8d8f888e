#pragma once

#include "objects/bookpanel.h"
#include "objects/searchbox.h"

#include <QStringList>
#include <functional>

class ObjectGridModel;
class ObjectList;
class QListWidget;
class QPushButton;
class QTableView;

// The group " Условие отбора объектов ": a book box, its lazy tree, the filter entries and their
// conditions. Evaluating has the object list (objects/objectlist.h) apply them. The view/fill
// window and the running catalog each hold one.
class FilterPanel : public BookPanel
{
    Q_OBJECT
public:
    // `grid` is disabled (kept in place) while the filter works.
    explicit FilterPanel(QWidget *grid, QWidget *parent = nullptr);

    QStringList Memo;   // one condition per filter entry, parallel to ListBox

    // Empties the filter entries and their conditions (LoadGeneral step 2).
    void reset();
    // Fills the book box from REFERS and loads the first book's tree (LoadGeneral steps 6 and 7).
    // Throws DbError; the caller's action shows it.
    void fillBooks();

Q_SIGNALS:
    // Around each evaluation of the filter (the list is opened again in between): a window that shows
    // the current object waits for the end instead of following every move.
    void evaluationStarted();
    void evaluationFinished();

public Q_SLOTS:
    void AddFilterClick();
    void DeleteFilterClick();
    void MakeFClass();

private:
    QPushButton *AddFilter = nullptr, *DeleteFilter = nullptr;
    QListWidget *ListBox = nullptr;

    bool applyFilter();

    QWidget *m_grid;
};

// The view/fill window and the running catalog show their list afresh the same way: no filter entries,
// an empty search, the list opened by `open`, the grid's columns for its fields and the books read anew.
// Throws DbError.
void ShowListAfresh(FilterPanel &filter, const SearchBox &search, QTableView &grid, ObjectGridModel &model,
                    const std::function<void(ObjectList &list)> &open);
