#pragma once

#include "objects/objectlist.h"

#include <QAbstractTableModel>
#include <QVector>

class SharedQuery;
class QTableView;

// The object grid's read-only model over a shared query: one column per shown description field, rows
// read from the query as the view scrolls. It follows the query when the statement runs again.
class ObjectGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ObjectGridModel(SharedQuery *query, QObject *parent = nullptr);

    // The shown fields, in column order.
    void setColumns(const QList<DescriptionField> &fields);
    const QList<DescriptionField> &columns() const { return m_fields; }
    SharedQuery *query() const { return m_query; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void onRowsReplaced();
    void resolveColumns();

    SharedQuery *m_query;
    QList<DescriptionField> m_fields;
    QVector<int> m_queryColumns;
    int m_rows = 0;
};

// The columns of an object grid by position, as the column choosers and the catalog layouts read and
// set them: the caption shown and whether the column is shown.
class GridColumns
{
public:
    GridColumns(QTableView &grid, const ObjectGridModel &model) : m_grid(grid), m_model(model) {}
    int count() const;
    QString caption(int column) const;
    bool isVisible(int column) const;
    // False when the column was shown (hidden) already.
    bool setVisible(int column, bool visible) const;

private:
    QTableView &m_grid;
    const ObjectGridModel &m_model;
};

// The fields of the grid's visible columns, in the order shown.
QList<DescriptionField> VisibleGridFields(const QTableView &grid, const ObjectGridModel &model);

// Shows the list's fields in an object grid as every mode does on entry: one column per field that has
// one, every column visible again, widths fitted.
void ShowGridColumns(QTableView &grid, ObjectGridModel &model, const QList<DescriptionField> &fields);

// A click on a grid title in the view/fill window or the running catalog: the list sorted by the column
// captioned `caption` (again: the other way round); when that fails, the list as it was.
void SortObjectListByTitle(ObjectList &list, const QString &caption);
