#pragma once

#include <QString>
#include <QVector>

class TDModule;

// Where a lazy tree reads its rows: CLASSES (prefix "C") or a reference book REFER{n} (prefix "R{n}").
struct TreeSource
{
    QString table;
    QString prefix;
    QString orderColumn;   // "" = the database's order

    static TreeSource classes(int sortChoice);            // 0 name, 1 code, 2 time of adding
    static TreeSource referenceBook(const QString &referId, int displayFormat);
    bool isValid() const { return !table.isEmpty(); }
};

struct TreeRow
{
    qint64 id = 0;
    QString name;
    QString code;
    bool hasChildren = false;
};

// Item text by the display format: 0 NAME (CODE), 1 CODE - NAME, 2 NAME; the name alone without a code.
QString TreeItemText(const QString &name, const QString &code, int displayFormat);

// One level of the tree below `parent` (0 = top level) with the child test for every row, as one
// statement on QRClasses.
QVector<TreeRow> ReadTreeLevel(TDModule &module, const TreeSource &source, qint64 parent);
