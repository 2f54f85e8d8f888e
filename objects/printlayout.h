#pragma once

#include <QImage>
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

// The list on as many pages as it takes: title and date on the first page, the header row on every
// page, "Страница n из m" at the foot. Returns the number of pages. `progress` gets the rows laid out
// and cancels when it returns false.
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
