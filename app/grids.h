#pragma once

#include <QVariant>

class QAbstractItemModel;
class QTableView;

// A read-only grid named DBGrid over `model`: whole-row, single selection.
QTableView *NewReadOnlyGrid(QAbstractItemModel *model, QWidget *parent);

// Header data of a grid column title: the caption, centred and bold, as every grid of the program shows it.
QVariant GridTitleData(const QString &caption, int role);

// Sizes every column to its title and the rows on screen (no further rows are read); a column whose
// width the user changed keeps the user's width, matched by its title.
void FitGridColumns(QTableView *grid);
