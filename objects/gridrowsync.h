#pragma once

#include <QObject>

class ObjectGridModel;
class QTableView;

// Keeps an object grid and its shared query on the same row: a row chosen in the grid (click, keys)
// becomes the query's current row, and a move of the query (or a new statement) selects its row in the
// grid, reading rows up to it as needed. The title of the column the list is sorted by shows the sort
// arrow, whatever changed the order.
class GridRowSync : public QObject
{
    Q_OBJECT
public:
    GridRowSync(QTableView *grid, ObjectGridModel *model);

public Q_SLOTS:
    void followQueryRow();
    void followGridRow(int row);
    void followQueryOrder();

private:
    QTableView *m_grid;
    ObjectGridModel *m_model;
    bool m_syncing = false;
};
