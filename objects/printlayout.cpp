#include "objects/printlayout.h"

#include "core/dberror.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>
#include <numeric>

namespace {
constexpr double Padding = 4;          // points between a cell's text and its borders
constexpr int WidthSampleRows = 200;   // rows measured to share the page width among the columns

// Page coordinates in points: the painter is scaled so that layouts do not depend on the resolution.
class PageCanvas
{
public:
    explicit PageCanvas(QPagedPaintDevice &device)
        : m_device(device), m_painter(&device)
    {
        if (!m_painter.isActive())
            throw DbError(QStringLiteral("Не удается начать печать"));
        const double scale = device.logicalDpiX() / 72.0;
        m_painter.scale(scale, scale);
        const QRectF paint = device.pageLayout().paintRect(QPageLayout::Point);
        m_size = paint.size();
    }
    QPainter &painter() { return m_painter; }
    double width() const { return m_size.width(); }
    double height() const { return m_size.height(); }
    void newPage() { m_device.newPage(); }

private:
    QPagedPaintDevice &m_device;
    QPainter m_painter;
    QSizeF m_size;
};

// Sizes in pixels of the point-scaled painter, so that measuring and painting agree on any device.
QFont baseFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    return font;
}

QFont boldFont(int size)
{
    QFont font = baseFont();
    font.setPixelSize(size);
    font.setBold(true);
    return font;
}

void paintFooter(PageCanvas &canvas, int page, int pages)
{
    QPainter &p = canvas.painter();
    p.setFont(baseFont());
    const double line = QFontMetricsF(p.font()).height();
    p.drawText(QRectF(0, canvas.height() - line, canvas.width(), line), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Страница %1 из %2").arg(page).arg(pages));
}

QList<double> columnWidths(const ListPrintout &printout, double pageWidth)
{
    const QFontMetricsF body(baseFont()), head(boldFont(9));
    QList<double> widths;
    for (const QString &header : printout.headers)
        widths << head.horizontalAdvance(header) + 2 * Padding;
    for (int row = 0; row < qMin(printout.rowCount, WidthSampleRows); ++row) {
        const QStringList texts = printout.row(row);
        for (int c = 0; c < widths.size(); ++c)
            widths[c] = qMax(widths[c], body.horizontalAdvance(texts.value(c)) + 2 * Padding);
    }
    double total = 0;
    for (double w : widths)
        total += w;
    // Narrow lists keep their natural widths; wide ones share the page in proportion.
    if (total > pageWidth) {
        for (double &w : widths)
            w *= pageWidth / total;
    }
    return widths;
}

void paintRow(QPainter &p, const QList<double> &widths, double top, double height, const QStringList &texts)
{
    double left = 0;
    const QFontMetricsF metrics(p.font());
    for (int c = 0; c < widths.size(); ++c) {
        const QRectF cell(left, top, widths[c], height);
        p.drawRect(cell);
        const QString text = metrics.elidedText(texts.value(c).simplified(), Qt::ElideRight, widths[c] - 2 * Padding);
        p.drawText(cell.adjusted(Padding, 0, -Padding, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        left += widths[c];
    }
}
}

int PaintListPages(QPagedPaintDevice &device, const ListPrintout &printout, const std::function<bool(int rows)> &progress)
{
    PageCanvas canvas(device);
    QPainter &p = canvas.painter();
    const QList<double> widths = columnWidths(printout, canvas.width());
    const double rowHeight = QFontMetricsF(baseFont()).height() + 2 * Padding;
    const double titleHeight = QFontMetricsF(boldFont(14)).height() + QFontMetricsF(baseFont()).height() + 8;
    const double footer = QFontMetricsF(baseFont()).height() + 6;
    const int firstPageRows = qMax(1, int((canvas.height() - titleHeight - footer) / rowHeight) - 1);
    const int otherPageRows = qMax(1, int((canvas.height() - footer) / rowHeight) - 1);
    const int pages = printout.rowCount <= firstPageRows
                          ? 1
                          : 1 + (printout.rowCount - firstPageRows + otherPageRows - 1) / otherPageRows;
    int row = 0;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            canvas.newPage();
        double top = 0;
        if (page == 1) {
            p.setFont(boldFont(14));
            const double titleLine = QFontMetricsF(p.font()).height();
            p.drawText(QRectF(0, 0, canvas.width(), titleLine), Qt::AlignLeft | Qt::AlignVCenter, printout.title);
            p.setFont(baseFont());
            p.drawText(QRectF(0, titleLine, canvas.width(), QFontMetricsF(p.font()).height()), Qt::AlignLeft, printout.date);
            top = titleHeight;
        }
        p.setFont(boldFont(9));
        p.fillRect(QRectF(0, top, std::accumulate(widths.cbegin(), widths.cend(), 0.0), rowHeight), QColor(230, 230, 230));
        paintRow(p, widths, top, rowHeight, printout.headers);
        top += rowHeight;
        p.setFont(baseFont());
        const int last = qMin(printout.rowCount, row + (page == 1 ? firstPageRows : otherPageRows));
        for (; row < last; ++row, top += rowHeight)
            paintRow(p, widths, top, rowHeight, printout.row(row));
        paintFooter(canvas, page, pages);
        if (progress && !progress(row))
            break;
    }
    return pages;
}

int PaintCardPages(QPagedPaintDevice &device, const CardPrintout &card)
{
    PageCanvas canvas(device);
    QPainter &p = canvas.painter();
    const double footer = QFontMetricsF(baseFont()).height() + 6;
    const double bottom = canvas.height() - footer;
    const double captionWidth = canvas.width() * 0.3;
    // Laid out twice: once to count the pages, once to paint them with "Страница n из m".
    const auto layOut = [&](bool paint, int pages) {
        int page = 1;
        double top = 0;
        const auto ensureRoom = [&](double height) {
            if (top + height <= bottom || top == 0)
                return;
            if (paint) {
                paintFooter(canvas, page, pages);
                canvas.newPage();
            }
            ++page;
            top = 0;
        };
        const auto text = [&](const QRectF &area, int flags, const QString &value) {
            const double height = p.boundingRect(area, flags, value).height();
            if (paint)
                p.drawText(QRectF(area.topLeft(), QSizeF(area.width(), height)), flags, value);
            return height;
        };
        p.setFont(boldFont(14));
        top += text(QRectF(0, top, canvas.width(), 1e6), Qt::AlignLeft | Qt::TextWordWrap, card.title);
        p.setFont(baseFont());
        top += text(QRectF(0, top, canvas.width(), 1e6), Qt::AlignLeft, card.date) + 10;

        for (const CardPrintout::Line &line : card.lines) {
            p.setFont(baseFont());
            const QRectF valueArea(captionWidth, 0, canvas.width() - captionWidth, 1e6);
            const double height = qMax(p.boundingRect(valueArea, Qt::TextWordWrap, line.text).height(),
                                       QFontMetricsF(p.font()).height()) + 4;
            ensureRoom(height);
            p.setFont(boldFont(9));
            text(QRectF(0, top, captionWidth - 8, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line.caption);
            p.setFont(baseFont());
            text(QRectF(captionWidth, top, canvas.width() - captionWidth, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                 line.text);
            top += height;
        }
        for (const CardPrintout::Picture &picture : card.pictures) {
            if (picture.image.isNull())
                continue;
            QSizeF size = picture.image.size();
            if (size.width() > canvas.width() || size.height() > bottom / 2)
                size.scale(QSizeF(canvas.width(), bottom / 2), Qt::KeepAspectRatio);
            const double captionHeight = QFontMetricsF(boldFont(9)).height() + 2;
            ensureRoom(captionHeight + size.height() + 8);
            p.setFont(boldFont(9));
            text(QRectF(0, top, canvas.width(), captionHeight), Qt::AlignLeft, picture.caption);
            top += captionHeight;
            if (paint)
                p.drawImage(QRectF(QPointF(0, top), size), picture.image);
            top += size.height() + 8;
        }
        if (!card.parameters.isEmpty()) {
            p.setFont(boldFont(10));
            const double heading = QFontMetricsF(p.font()).height() + 4;
            ensureRoom(heading * 2);
            text(QRectF(0, top + 4, canvas.width(), heading), Qt::AlignLeft, QStringLiteral("Параметры"));
            top += heading + 4;
            p.setFont(baseFont());
            for (const QString &parameter : card.parameters) {
                const QRectF area(12, top, canvas.width() - 12, 1e6);
                const double height = p.boundingRect(area, Qt::TextWordWrap, parameter).height() + 2;
                ensureRoom(height);
                top += text(QRectF(12, top, canvas.width() - 12, 1e6), Qt::AlignLeft | Qt::TextWordWrap, parameter) + 2;
            }
        }
        if (paint)
            paintFooter(canvas, page, pages);
        return page;
    };
    const int pages = layOut(false, 0);
    return layOut(true, pages);
}

void SaveScreenPicture(QWidget &screen, const QString &path)
{
    const QPixmap picture = screen.grab();
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        if (!picture.save(path, "PNG"))
            throw DbError(QStringLiteral("Не удается записать файл %1").arg(path));
        return;
    }
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(picture.width(), picture.height()), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    if (!painter.isActive())
        throw DbError(QStringLiteral("Не удается записать файл %1").arg(path));
    painter.drawPixmap(0, 0, picture);
}
