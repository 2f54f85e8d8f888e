#include "objects/printlayout.h"

#include "core/dberror.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>
#include <QWidget>
#include <numeric>

namespace {
constexpr double Padding = 4;          // points between a cell's text and its borders

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

// The shown form of a cell's text: one paragraph, as the grid shows it.
// Line breaks and runs of spaces become one space; a no-break space (a number's digit groups) stays.
QString cellText(const QString &text)
{
    static const QRegularExpression breakable(QStringLiteral("[ \\t\\r\\n]+"));
    return QString(text).replace(breakable, QStringLiteral(" ")).trimmed();
}

// A cell's text laid out in lines `width` points wide: at word boundaries, inside a word only when the
// word alone is wider. Measuring and painting use the same lines.
class WrappedText
{
public:
    WrappedText(const QString &text, const QFont &font, double width)
        : m_layout(text, font)
    {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_layout.setTextOption(option);
        m_layout.beginLayout();
        for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
            line.setLineWidth(qMax(1.0, width));
            line.setPosition(QPointF(0, m_height));
            m_height += line.height();
        }
        m_layout.endLayout();
        m_height = qMax(m_height, QFontMetricsF(font).height());
    }
    double height() const { return m_height; }
    void paint(QPainter &p, const QPointF &at) { m_layout.draw(&p, at); }

private:
    QTextLayout m_layout;
    double m_height = 0;
};

// Room for a width measured on one line, so that laying it out again does not wrap it on rounding.
constexpr double WidthSlack = 1;

void measureTexts(ListColumnNeeds &needs, const QStringList &texts, const QFontMetricsF &metrics)
{
    // Only the spaces a line may break at: a number's digit groups are joined by a no-break space.
    static const QRegularExpression blanks(QStringLiteral("[ \\t\\r\\n]+"));
    for (int c = 0; c < needs.oneLine.size(); ++c) {
        const QString text = cellText(texts.value(c));
        needs.oneLine[c] = qMax(needs.oneLine[c], metrics.horizontalAdvance(text) + 2 * Padding + WidthSlack);
        double word = 0;
        for (const QString &part : text.split(blanks, Qt::SkipEmptyParts))
            word = qMax(word, metrics.horizontalAdvance(part));
        needs.longestWord[c] = qMax(needs.longestWord[c], word + 2 * Padding + WidthSlack);
    }
}

double rowHeight(const QList<double> &widths, const QStringList &texts, const QFont &font)
{
    double height = 0;
    for (int c = 0; c < widths.size(); ++c)
        height = qMax(height, WrappedText(cellText(texts.value(c)), font, widths[c] - 2 * Padding).height());
    return height + 2 * Padding;
}

void paintRow(QPainter &p, const QList<double> &widths, double top, double height, const QStringList &texts)
{
    double left = 0;
    for (int c = 0; c < widths.size(); ++c) {
        const QRectF cell(left, top, widths[c], height);
        p.drawRect(cell);
        WrappedText(cellText(texts.value(c)), p.font(), widths[c] - 2 * Padding).paint(p, QPointF(left + Padding, top + Padding));
        left += widths[c];
    }
}

double portraitWidth(const QPagedPaintDevice &device)
{
    QPageLayout layout = device.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    return layout.paintRect(QPageLayout::Point).width();
}
}

double ListColumnNeeds::oneLineTotal() const
{
    return std::accumulate(oneLine.cbegin(), oneLine.cend(), 0.0);
}

ListColumnNeeds MeasureListColumns(const ListPrintout &printout)
{
    ListColumnNeeds needs;
    for (int c = 0; c < printout.headers.size(); ++c) {
        needs.oneLine << 0;
        needs.longestWord << 0;
    }
    measureTexts(needs, printout.headers, QFontMetricsF(boldFont(9)));
    const QFontMetricsF body(baseFont());
    for (int row = 0; row < printout.rowCount; ++row)
        measureTexts(needs, printout.row(row), body);
    return needs;
}

QList<double> FitListColumns(const ListColumnNeeds &needs, double pageWidth)
{
    const double total = needs.oneLineTotal();
    if (total <= pageWidth)
        return needs.oneLine;
    QList<double> least;
    for (int c = 0; c < needs.oneLine.size(); ++c)
        least << qMin(needs.longestWord.value(c), needs.oneLine[c]);
    const double leastTotal = std::accumulate(least.cbegin(), least.cend(), 0.0);
    QList<double> widths;
    if (leastTotal <= pageWidth) {
        const double rest = pageWidth - leastTotal, givenUp = total - leastTotal;
        for (int c = 0; c < least.size(); ++c)
            widths << least[c] + rest * (needs.oneLine[c] - least[c]) / givenUp;
    } else {
        for (double w : least)
            widths << w * pageWidth / leastTotal;
    }
    return widths;
}

QPageLayout::Orientation ChooseListOrientation(QPagedPaintDevice &device, const ListPrintout &printout)
{
    const QPageLayout::Orientation orientation = MeasureListColumns(printout).oneLineTotal() <= portraitWidth(device)
                                                     ? QPageLayout::Portrait
                                                     : QPageLayout::Landscape;
    device.setPageOrientation(orientation);
    return orientation;
}

int PaintListPages(QPagedPaintDevice &device, const ListPrintout &printout, const std::function<bool(int rows)> &progress)
{
    PageCanvas canvas(device);
    QPainter &p = canvas.painter();
    const QList<double> widths = FitListColumns(MeasureListColumns(printout), canvas.width());
    const double tableWidth = std::accumulate(widths.cbegin(), widths.cend(), 0.0);
    const double headerHeight = rowHeight(widths, printout.headers, boldFont(9));
    const double titleHeight = QFontMetricsF(boldFont(14)).height() + QFontMetricsF(baseFont()).height() + 8;
    const double footer = QFontMetricsF(baseFont()).height() + 6;
    // Rows wrap to different heights: the pages are counted before any is painted, for "из m".
    QList<double> heights;
    heights.reserve(printout.rowCount);
    QList<int> pageStarts{0};
    double room = canvas.height() - footer - titleHeight - headerHeight;
    for (int row = 0; row < printout.rowCount; ++row) {
        heights << rowHeight(widths, printout.row(row), baseFont());
        // A row taller than a whole page still gets a page of its own.
        if (heights.last() > room && row > pageStarts.last()) {
            pageStarts << row;
            room = canvas.height() - footer - headerHeight;
        }
        room -= heights.last();
    }
    const int pages = int(pageStarts.size());
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
        p.fillRect(QRectF(0, top, tableWidth, headerHeight), QColor(230, 230, 230));
        paintRow(p, widths, top, headerHeight, printout.headers);
        top += headerHeight;
        p.setFont(baseFont());
        const int last = page < pages ? pageStarts[page] : printout.rowCount;
        for (int row = pageStarts[page - 1]; row < last; ++row) {
            paintRow(p, widths, top, heights[row], printout.row(row));
            top += heights[row];
        }
        paintFooter(canvas, page, pages);
        if (progress && !progress(last))
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
