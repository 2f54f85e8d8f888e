#pragma once

#include <QImage>
#include <QPageLayout>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QWidget;

// Page layouts of the printed object list and object card, for a printer or a PDF writer alike.

struct ListPrintout
{
    QString title;
    QString date;                // printed under the title
    QStringList headers;         // the visible columns, in their order
    int rowCount = 0;
    std::function<QStringList(int row)> row;   // the shown texts of one row
};

// What each column of a printed list needs, in points: its widest text on one line and its longest
// word, the header counted as one of its texts. Reads every row.
struct ListColumnNeeds
{
    QList<double> oneLine;
    QList<double> longestWord;
    double oneLineTotal() const;
};
ListColumnNeeds MeasureListColumns(const ListPrintout &printout);

// The column widths on a page `pageWidth` points wide. A printout never cuts a text: the one-line widths
// when they fit; otherwise each column keeps at least its longest word and the rest of the page goes to
// the columns in proportion to the width they give up, their texts wrapping in the cells; when even the
// longest words do not fit, the page is shared in proportion to them and long words wrap too.
QList<double> FitListColumns(const ListColumnNeeds &needs, double pageWidth);

// The page for the list: portrait when every column fits the portrait page on one line, landscape
// otherwise. Sets it on `device` (before painting; the user may still turn it back in a print preview).
QPageLayout::Orientation ChooseListOrientation(QPagedPaintDevice &device, const ListPrintout &printout);

// The list on as many pages as it takes, in the device's orientation: title and date on the first page,
// the header row on every page, "Страница n из m" at the foot; every text whole, wrapped in its cell
// where the column is narrower than the text. Returns the number of pages. `progress` gets the rows
// laid out and cancels when it returns false.
int PaintListPages(QPagedPaintDevice &device, const ListPrintout &printout,
                   const std::function<bool(int rows)> &progress = {});

struct CardPrintout
{
    QString title;
    QString date;
    struct Line { QString caption; QString text; };
    QList<Line> lines;                          // every field but the pictures, with its caption
    struct Picture { QString caption; QImage image; };
    QList<Picture> pictures;
    QStringList parameters;                     // as the object editor words them
};

// The card of one object; returns the number of pages.
int PaintCardPages(QPagedPaintDevice &device, const CardPrintout &card);

// A screen as one PDF page (".pdf") or a PNG picture (any other name). Throws DbError when the file
// cannot be written.
void SaveScreenPicture(QWidget &screen, const QString &path);
