#pragma once

#include "core/engine.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// The order of the object list spelled as keys the engine can seek by: the sorted expression, then the
// columns that break its ties, G_ID last, so every object has one place. Objects whose sorted value is
// empty (NULL) come first in ascending order and last in descending order.
//
// With it the list can count the objects before a given one and read the objects next to it through
// the indexes, however long the list is.
struct ListOrder
{
    QString column;         // the sorted column as the list selects it; G_ID when the list is unsorted
    bool russianText = false;
    EngineKind engine = EngineKind::File;   // whose spelling of the Russian order
    QStringList ties;       // after the sorted column; always ends with G_ID (empty when unsorted)
    bool descending = false;
    bool seekable = true;   // false when the sorted column is not one of the list's own tables' columns
    // The join that brings the sorted column to GENER, when it lives in a lookup list or in the table
    // of a file's sort keys (objects/sortkeys.h).
    QString lookupTable;
    QString lookupJoin;
    // The list's column the objects are sorted by, when the sorted column is its key.
    QString keyedColumn;
    qint64 keyedLookup = 0;   // the lookup field whose entries' keys are sorted by
    QString listColumn() const { return keyedColumn.isEmpty() ? column : keyedColumn; }

    static ListOrder unsorted();

    QString orderPart() const;          // " ORDER BY ...", as OrderPart holds it
    ListOrder reversed() const;
    bool nullable() const { return column != QLatin1String("G_ID"); }
    QString sortExpression() const;     // the column with its collation
    QStringList keyColumns() const;     // the column, then the ties

    // Conditions on the list's rows relative to one object's keys (its keyColumns() values).
    struct Condition
    {
        QString sql;
        QVariantList values;
    };
    // The rows strictly after the object in this order, as conditions to be read one after another, each
    // in this order: the rest of the object's group (empty or not), then the other group.
    QList<Condition> after(const QVariantList &keys) const;
};
