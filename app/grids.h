#pragma once

#include <QAbstractItemView>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

class QAbstractButton;
class QAbstractItemModel;
class QTableView;
class QTableWidget;
class QWidget;

// A read-only grid named DBGrid over `model`: whole-row, single selection.
QTableView *NewReadOnlyGrid(QAbstractItemModel *model, QWidget *parent);

// A read-only table named `name` with the column `titles`: whole rows chosen by `mode`, no row numbers.
QTableWidget *NewReadOnlyTable(const char *name, const QStringList &titles, QAbstractItemView::SelectionMode mode,
                               QWidget *parent);

// Header data of a grid column title: the caption, centred and bold, as every grid of the program shows it.
QVariant GridTitleData(const QString &caption, int role);

// Sizes every column to its title and the rows on screen (no further rows are read), now and whenever the
// grid's rows are read again; a column whose width the user changed keeps the user's width, matched by
// its title. A picture column (`isPicture`) keeps the widest its thumbnails made it, and stays in view:
// the text columns fitted give up width for it where the view can hold them all at their titles' width.
void FitGridColumns(QTableView *grid, std::function<bool(int column)> isPicture = {});

// Keys pressed in `widget` (Enter on a grid row, Delete on a listed entry) press `button`, when it is
// enabled; other keys go on as before.
void PressButtonOnKeys(QWidget *widget, const QList<int> &keys, QAbstractButton *button);
