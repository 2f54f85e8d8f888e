#pragma once

#include "objects/objectlist.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QVector>

class SharedQuery;
class QTableView;

// The object grid's read-only model over a shared query: one column per shown description field, rows
// read from the query as the view scrolls. It follows the query when the statement runs again. A picture
// column shows the object's stored thumbnail, read for the rows near the one painted.
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
    void forgetThumbnails();
    void onThumbnailsMade(const QList<qint64> &objectIds);
    QVariant thumbnailAt(int row, qint64 fieldId) const;
    void readThumbnailsNear(int row) const;

    SharedQuery *m_query;
    QList<DescriptionField> m_fields;
    QVector<int> m_queryColumns;
    int m_rows = 0;
    int m_idColumn = -1;
    mutable QHash<QPair<qint64, qint64>, QPixmap> m_thumbnails;   // by object and field; null: none to show
    mutable QSet<qint64> m_thumbnailsRead;                        // the objects whose thumbnails were read
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
    // The rows as high as a thumbnail while a picture column is visible, of a line of text otherwise.
    void fitRowHeights() const;

private:
    QTableView &m_grid;
    const ObjectGridModel &m_model;
};

// The fields of the grid's visible text columns (pictures left out), in the order shown.
QList<DescriptionField> VisibleGridFields(const QTableView &grid, const ObjectGridModel &model);

// The grid's columns for these fields, by position: one per field that has one, then one per picture
// field (after the others: the catalogs keep their columns by position).
QList<DescriptionField> GridColumnFields(const QList<DescriptionField> &fields);

// A cell's text exactly as an object grid paints it: the model's value written by the view's delegate in
// the user's locale as the view hands it over (a copy of the grid elsewhere reads the same).
QString GridCellText(const DescriptionField &field, const QVariant &stored);

// Shows the list's fields in an object grid as every mode does on entry: one column per field that has
// one, then one per picture field (after the others: the catalogs keep their columns by position), every
// column visible again, widths fitted, the rows as high as a thumbnail.
void ShowGridColumns(QTableView &grid, ObjectGridModel &model, const QList<DescriptionField> &fields);

// A click on a grid title in the view/fill window or the running catalog: the list sorted by the column
// captioned `caption` (again: the other way round); when that fails, the list as it was.
void SortObjectListByTitle(ObjectList &list, const QString &caption);
