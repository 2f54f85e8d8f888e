#include "catalogs/website.h"

#include "catalogs/catalogobject.h"
#include "catalogs/catalogstore.h"
#include "catalogs/placedelements.h"
#include "catalogs/websitefiles.h"
#include "classifier/treelevel.h"
#include "core/collation.h"
#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "fields/picturefiles.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/thumbnails.h"
#include "references/referencestore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFuture>
#include <QHash>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <deque>
#include <numeric>

namespace WebSite {

namespace {

using Kind = Layout::PlacedElement::Kind;

// The long side of a web-sized picture, and the most pixels a picture may declare (as the panel refuses).
constexpr int WebLongSide = 1600;
constexpr int WebQuality = 85;
constexpr int OriginalQuality = 95;
constexpr qint64 MaxPicturePixels = 250'000'000;
// A picture shown in a box is made twice the box's size (sharp on dense screens), never larger than itself.
constexpr int BoxSharpness = 2;

// Text for HTML content and for attribute values (both quotes escaped).
QString Html(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return escaped;
}

// JSON for a <script> element: "<" never appears as such, so no text can close the element or open a
// comment; the line separators some parsers refuse as raw characters are escaped too.
QString ScriptJson(const QJsonValue &value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    QString json = QString::fromUtf8(document.toJson(QJsonDocument::Compact));
    json.replace(QLatin1Char('<'), QLatin1String("\\u003c"));
    json.replace(QLatin1Char('>'), QLatin1String("\\u003e"));
    json.replace(QChar(0x2028), QLatin1String("\\u2028"));
    json.replace(QChar(0x2029), QLatin1String("\\u2029"));
    return json;
}

QString CssColor(Layout::Color color, QPalette::ColorRole role)
{
    const QColor c = Layout::ToQColor(color, role);
    if (c.alpha() == 0)
        return QStringLiteral("transparent");
    return c.alpha() == 255 ? c.name(QColor::HexRgb) : QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}

// A font family for a style attribute: only the characters a font name is made of, in single quotes, so it
// can end neither the style nor the attribute.
QString CssFamily(const QString &name)
{
    QString safe;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('_'))
            safe += c;
    }
    return safe.isEmpty() ? QStringLiteral("sans-serif") : QLatin1Char('\'') + safe + QLatin1String("',sans-serif");
}

// A page as the program writes text files: UTF-8, lines ended by CR LF (a browser reads a line break in a
// text the same either way).
QByteArray TextFile(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toUtf8();
}

// An object's page is named by its number, so its address keeps its meaning whatever is added or removed.
QString PageName(qint64 objectId)
{
    return QStringLiteral("o%1.html").arg(objectId);
}

// ---------------------------------------------------------------------------------------------------
// Pictures

struct PictureFile
{
    QString path;   // empty: nothing to show
    QSize size;     // the picture's size in that file
};

QSize WebSize(QSize full, QSize box, bool original)
{
    if (original)
        return full;
    QSize asked = full;
    if (box.isValid() && !box.isEmpty())
        asked = full.scaled(box * BoxSharpness, Qt::KeepAspectRatioByExpanding).boundedTo(full);
    if (asked.width() > WebLongSide || asked.height() > WebLongSide)
        asked = asked.scaled(WebLongSide, WebLongSide, Qt::KeepAspectRatio);
    return asked.expandedTo(QSize(1, 1));
}

QByteArray EncodedPicture(const QByteArray &source, QSize size, bool original)
{
    QImage image = ShownPicture(source, size);
    if (!image.isNull() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) {
        // The header promised a picture the data does not hold: a plain grey box rather than a broken link.
        image = QImage(size.boundedTo(QSize(64, 64)), QImage::Format_RGB32);
        image.fill(QColor(0xC0, 0xC0, 0xC0));
    }
    // Even the original size is written as an upright JPEG: a browser may ignore the orientation tag of
    // the file the user chose, or not read its format at all (HEIC, TIFF).
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(original ? OriginalQuality : WebQuality);
    writer.setOptimizedWrite(true);
    writer.write(image);
    return bytes;
}

// Makes the picture files on worker threads, a bounded number at a time, and hands each finished one to
// the sink on the calling thread. A file asked for twice (one background on every page, one picture in
// two objects) is made once, and not at all when the sink has it from an earlier publishing.
class PictureMaker
{
public:
    PictureMaker(Sink &sink, bool original) : m_sink(sink), m_original(original)
    {
        m_limit = qMax(2, 2 * QThreadPool::globalInstance()->maxThreadCount());
    }
    // Whatever is still being made when publishing ends early is waited for and dropped.
    ~PictureMaker() { abandon(); }

    // A thumbnail is web-sized whatever the options say.
    PictureFile file(const QByteArray &source, QSize box, bool thumbnail = false)
    {
        if (source.isEmpty())
            return {};
        const QSize full = ShownPictureSize(source);
        if (!full.isValid() || qint64(full.width()) * full.height() > MaxPicturePixels)
            return {};
        const bool original = m_original && !thumbnail;
        const QSize size = WebSize(full, box, original);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(source);
        hash.addData(QStringLiteral("|%1x%2|%3").arg(size.width()).arg(size.height()).arg(original ? 1 : 0).toLatin1());
        const QString path = QLatin1String("p/") + QString::fromLatin1(hash.result().toHex().left(32)) + QLatin1String(".jpg");
        if (!m_known.contains(path)) {
            m_known.insert(path);
            if (!m_sink.hasPicture(path)) {
                while (m_pending.size() >= size_t(m_limit))
                    takeOldest();
                m_pending.push_back({path, QtConcurrent::run([source, size, original] {
                                         return EncodedPicture(source, size, original);
                                     })});
            }
        }
        return {path, size};
    }
    // Hands over what is finished without waiting.
    void collect()
    {
        while (!m_pending.empty() && m_pending.front().bytes.isFinished())
            takeOldest();
    }
    void finish()
    {
        while (!m_pending.empty())
            takeOldest();
    }
    // Drops what is still being made (a stopped publishing).
    void abandon()
    {
        for (Pending &pending : m_pending)
            pending.bytes.waitForFinished();
        m_pending.clear();
    }
    int pictures() const { return int(m_known.size()); }
    int made() const { return m_made; }

private:
    struct Pending
    {
        QString path;
        QFuture<QByteArray> bytes;
    };
    void takeOldest()
    {
        Pending pending = std::move(m_pending.front());
        m_pending.pop_front();
        m_sink.put(pending.path, pending.bytes.result());
        ++m_made;
    }

    Sink &m_sink;
    bool m_original;
    int m_limit;
    QSet<QString> m_known;
    std::deque<Pending> m_pending;
    int m_made = 0;
};

// ---------------------------------------------------------------------------------------------------
// The grid of the index

// What a title click sorts a cell by: numbers as numbers, dates and times by their stored (ISO) text,
// other texts folded. Null sorts first, as the engine sorts it.
QJsonValue SortKey(const DescriptionField &field, const QVariant &stored)
{
    if (stored.isNull())
        return QJsonValue();
    switch (field.kind()) {
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::Boolean:
        return stored.toDouble();
    case FieldKind::Date:
    case FieldKind::Time:
        return stored.toString();
    default:
        return QString::fromUtf8(FoldForMatching(DisplayText(field, stored)));
    }
}

bool NumericKind(FieldKind kind)
{
    return kind == FieldKind::Integer || kind == FieldKind::Real || kind == FieldKind::Boolean;
}

// The running catalog's grid columns the layout leaves shown (it hides them by position).
QList<DescriptionField> ShownColumns(const QList<DescriptionField> &fields, const Layout::Catalog &layout)
{
    const QList<DescriptionField> columns = GridColumnFields(fields);
    QList<DescriptionField> shown;
    for (int c = 0; c < columns.size(); ++c) {
        if (c >= layout.columns.size() || layout.columns[c])
            shown << columns[c];
    }
    return shown;
}

// ---------------------------------------------------------------------------------------------------
// The reference books of the filter: every entry numbered across the books, as the site names it.

struct Books
{
    // [{"n": name, "o": first number, "e": [[text, parent, "book-entry"], ...]}], parent -1 at the top; the
    // last names the entry in the index's address, which keeps its meaning from one publishing to the next.
    QJsonArray json;
    QHash<QPair<qint64, qint64>, int> entryIndex;   // (book, entry) -> number
};

Books ReadBooks(TDModule &module, int entryFormat)
{
    Books books;
    int next = 0;
    for (const ReferenceStore::Book &book : ReferenceStore::Books(module)) {
        const TreeSource source = TreeSource::referenceBook(QString::number(book.id), entryFormat);
        QJsonArray entries;
        const int first = next;
        std::function<void(qint64, int)> level = [&](qint64 parent, int parentIndex) {
            for (const TreeRow &row : ReadTreeLevel(module, source, parent)) {
                const int index = next++;
                books.entryIndex.insert({book.id, row.id}, index);
                entries.append(QJsonArray{TreeItemText(row.name, row.code, entryFormat), parentIndex < 0 ? -1 : parentIndex - first,
                                          QString::number(book.id) + QLatin1Char('-') + QString::number(row.id)});
                if (row.hasChildren)
                    level(row.id, index);
            }
        };
        level(0, -1);
        books.json.append(QJsonObject{{QStringLiteral("n"), book.name}, {QStringLiteral("o"), first}, {QStringLiteral("e"), entries}});
    }
    return books;
}

QHash<qint64, QList<QPair<qint64, qint64>>> ReadLinks(TDModule &module)
{
    QHash<qint64, QList<QPair<qint64, qint64>>> links;
    for (const QVariantList &row : module.QRWork->readAll(QStringLiteral("SELECT L_OBJECT, L_REFER, L_CLASS FROM LINKS")))
        links[row.value(0).toLongLong()] << qMakePair(row.value(1).toLongLong(), row.value(2).toLongLong());
    return links;
}

// ---------------------------------------------------------------------------------------------------
// Pages

QString Head(const QString &title, const QString &pageClass)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                          "<title>%1</title><link rel=\"stylesheet\" href=\"site.css\"></head>\n<body class=\"%2\">\n")
        .arg(Html(title), pageClass);
}

QString Box(const QRect &r)
{
    return QStringLiteral("left:%1px;top:%2px;width:%3px;height:%4px;").arg(r.left()).arg(r.top()).arg(qMax(r.width(), 0)).arg(qMax(r.height(), 0));
}

QString TextLook(const Layout::PlacedElement &element, QPalette::ColorRole textRole)
{
    return QStringLiteral("font-family:%1;--fs:%2pt;font-weight:%3;color:%4;")
        .arg(CssFamily(element.fontName))
        .arg(Layout::ShownFontSize(element.fontSize))
        .arg(element.bold ? QStringLiteral("bold") : QStringLiteral("normal"))
        .arg(CssColor(element.fontColor, textRole));
}

QString Img(const PictureFile &file, const QRect &r, const QString &cls, const QString &extra = QString(),
            const QString &alt = QString())
{
    return QStringLiteral("<img class=\"e %1\" src=\"%2\" alt=\"%5\" style=\"%3%4\">\n").arg(cls, file.path, Box(r), extra, Html(alt));
}

struct ObjectShown
{
    QHash<QString, QString> texts;          // by field name
    QHash<QString, QByteArray> pictures;    // by field name
    QString referenceList;
};

// The order a narrow screen lists the elements in: as one reads the panel, top to bottom, left to right.
QList<int> ReadingOrder(const QList<Layout::PlacedElement> &elements)
{
    QList<int> order(elements.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QPoint pa = elements[a].rect.topLeft(), pb = elements[b].rect.topLeft();
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    QList<int> rank(elements.size());
    for (int i = 0; i < order.size(); ++i)
        rank[order[i]] = i;
    return rank;
}

QString PanelHtml(const QList<Layout::PlacedElement> &elements, const QList<int> &reading, QSize panel,
                  const PictureFile &background, const QList<PictureFile> &textImages, const ObjectShown &shown,
                  PictureMaker &maker)
{
    QString html = QStringLiteral("<div class=\"stage\" id=\"stage\"><div class=\"panel\" id=\"panel\" data-w=\"%1\" data-h=\"%2\" "
                                  "style=\"width:%1px;height:%2px;background:%3;\">\n")
                       .arg(panel.width())
                       .arg(panel.height())
                       .arg(QGuiApplication::palette().color(QPalette::Window).name());
    if (!background.path.isEmpty())
        html += Img(background, QRect(QPoint(0, 0), panel), QStringLiteral("bg"));
    for (int i = 0; i < elements.size(); ++i) {
        const Layout::PlacedElement &element = elements[i];
        const QRect &r = element.rect;
        const QString order = QStringLiteral("order:%1;").arg(reading[i]);
        switch (element.kind) {
        case Kind::FieldLabel:
        case Kind::TextLabel: {
            const QString text = element.kind == Kind::TextLabel ? element.text : shown.texts.value(element.text);
            html += QStringLiteral("<div class=\"e t\" style=\"left:%1px;top:%2px;%3%4\">%5</div>\n")
                        .arg(r.left())
                        .arg(r.top())
                        .arg(TextLook(element, QPalette::WindowText), order, Html(text));
            break;
        }
        case Kind::FieldMemo:
        case Kind::ReferenceList: {
            const QString text = element.kind == Kind::FieldMemo ? shown.texts.value(element.text) : shown.referenceList;
            html += QStringLiteral("<div class=\"e box\" style=\"%1%2background:%3;%4\">%5</div>\n")
                        .arg(Box(r), TextLook(element, QPalette::Text), CssColor(element.background, QPalette::Base), order,
                             Html(text));
            break;
        }
        case Kind::FieldImage: {
            const PictureFile file = maker.file(shown.pictures.value(element.text), r.size());
            if (!file.path.isEmpty())
                html += Img(file, r, QStringLiteral("pic"), order, element.text);
            break;
        }
        case Kind::TextImage: {
            const PictureFile file = textImages.value(element.textImage);
            if (!file.path.isEmpty())
                html += Img(file, r, QStringLiteral("pic"), order);
            break;
        }
        case Kind::Frame: {
            const QString colour = CssColor(element.penColor, QPalette::WindowText);
            // A frame whose bands meet is a line: filled with the pen's colour.
            const bool line = r.width() <= 2 * element.penWidth || r.height() <= 2 * element.penWidth;
            html += QStringLiteral("<div class=\"e fr\" style=\"%1%2\"></div>\n")
                        .arg(Box(r), line ? QStringLiteral("background:%1;").arg(colour)
                                          : QStringLiteral("border:%1px solid %2;").arg(element.penWidth).arg(colour));
            break;
        }
        }
    }
    return html + QStringLiteral("</div></div>\n");
}

// The neighbours in the whole list; the position "k из N" and the neighbours in a list the visitor
// narrowed are written by the site's script (so adding or removing one object rewrites only its neighbours).
QString Navigation(qint64 previous, qint64 next, const QString &catalogName)
{
    QString html = QStringLiteral("<nav class=\"bar\"><a id=\"toindex\" href=\"index.html\">%1</a>").arg(Html(catalogName));
    html += previous >= 0 ? QStringLiteral("<a id=\"prev\" rel=\"prev\" href=\"%1\">&larr; Предыдущий</a>").arg(PageName(previous))
                          : QStringLiteral("<span id=\"prev\" class=\"off\">&larr; Предыдущий</span>");
    html += QStringLiteral("<span class=\"pos\" id=\"pos\"></span>");
    html += next >= 0 ? QStringLiteral("<a id=\"next\" rel=\"next\" href=\"%1\">Следующий &rarr;</a>").arg(PageName(next))
                      : QStringLiteral("<span id=\"next\" class=\"off\">Следующий &rarr;</span>");
    return html + QStringLiteral("</nav>\n");
}

}

QSize PagePanelSize(const Layout::Catalog &layout)
{
    QSize panel = Layout::RunningCatalogPanel(QSize(1920, 1080)).size();
    for (const Layout::PlacedElement &element : Layout::PlacedElements(layout)) {
        if (!element.sizesToText())
            panel = panel.expandedTo(QSize(element.rect.right() + 1, element.rect.bottom() + 1));
    }
    return panel;
}

Result Generate(TDModule &module, const QString &catalogName, const QList<qint64> &objectIds, const Options &options,
                Sink &sink, const std::function<bool(int done, int total)> &progress)
{
    Result result;
    PictureMaker maker(sink, options.originalPictures);
    const int total = int(objectIds.size());
    const auto stop = [&] {
        maker.abandon();
        result.stopped = true;
        return result;
    };
    try {
        const std::optional<CatalogStore::Stored> stored = CatalogStore::Open(module, catalogName);
        if (!stored) {
            result.error = QStringLiteral("Каталог \"%1\" не найден.").arg(catalogName);
            return result;
        }
        const Layout::Catalog layout = Layout::Read(stored->layoutText).catalog;
        const CatalogStore::Pictures saved = CatalogStore::LoadPictures(module, catalogName, *stored, layout);
        const QList<DescriptionField> fields = ReadDescriptionFields(module);
        const CatalogObject::BoundFields bound = CatalogObject::ResolveFields(fields, layout);
        const QList<Layout::PlacedElement> elements = Layout::PlacedElements(layout);
        const QList<int> reading = ReadingOrder(elements);
        const QSize panel = PagePanelSize(layout);
        const bool withReferenceList = !layout.referenceLists.isEmpty();

        // What every page shares.
        const PictureFile background =
            layout.backgroundFile.isEmpty() ? PictureFile() : maker.file(saved.background, panel);
        QList<PictureFile> textImages;
        for (int k = 0; k < layout.textImages.size(); ++k) {
            const Layout::TextImage &record = layout.textImages[k];
            textImages << maker.file(saved.textImages.value(k), QSize(record.width, record.height));
        }
        const QList<DescriptionField> columns = ShownColumns(fields, layout);
        const Books books = ReadBooks(module, options.entryFormat);
        const QHash<qint64, QList<QPair<qint64, qint64>>> links = ReadLinks(module);

        QString gridRows;
        QJsonArray rowData;
        SharedQuery row(QStringLiteral("WebSiteRow"), &module);
        const QString oneObject = ObjectList::OneObjectStatement(fields);
        for (int k = 0; k < total; ++k) {
            if (progress && !progress(k, total))
                return stop();
            row.open(oneObject, {objectIds[k]});
            ObjectShown shown;
            const bool found = !row.isEmpty();
            // A picture both on the page and in the grid is read from the database once.
            const auto picture = [&](const DescriptionField &field) {
                const auto known = shown.pictures.constFind(field.name);
                return known != shown.pictures.cend() ? *known : CatalogObject::PictureData(module, row, field);
            };
            if (found) {
                for (auto it = bound.byName.cbegin(); it != bound.byName.cend(); ++it) {
                    if (it->kind() == FieldKind::Image)
                        shown.pictures.insert(it.key(), picture(*it));
                    else
                        shown.texts.insert(it.key(), CatalogObject::ShownText(row, *it));
                }
                if (withReferenceList)
                    shown.referenceList = CatalogObject::ReferenceListText(module, objectIds[k]);
            }
            // Its row of the grid.
            QString cells;
            QJsonArray keys;
            QStringList searched;
            QString objectName;   // the page's title: the first text column's, else the first field label's
            for (const DescriptionField &field : columns) {
                if (field.kind() == FieldKind::Image) {
                    const PictureFile thumb =
                        found ? maker.file(picture(field), Thumbnails::Bound, true) : PictureFile();
                    cells += QStringLiteral("<td data-t=\"%1\">").arg(Html(field.name));
                    if (!thumb.path.isEmpty()) {
                        const QSize fit = thumb.size.scaled(Thumbnails::Bound, Qt::KeepAspectRatio);
                        cells += QStringLiteral("<img src=\"%1\" alt=\"%4\" width=\"%2\" height=\"%3\" loading=\"lazy\">")
                                     .arg(thumb.path)
                                     .arg(fit.width())
                                     .arg(fit.height())
                                     .arg(Html(field.name));
                    }
                    cells += QStringLiteral("</td>");
                    keys.append(QJsonValue());
                    continue;
                }
                const QVariant stored = found ? row.value(field.listColumn()) : QVariant();
                const QString text = GridCellText(field, stored);
                if (searched.isEmpty())
                    objectName = text;
                cells += QStringLiteral("<td data-t=\"%1\">%2</td>").arg(Html(field.name), Html(text));
                keys.append(SortKey(field, stored));
                searched << QString::fromUtf8(FoldForMatching(DisplayText(field, stored)));
            }
            if (!cells.isEmpty()) {
                const int open = int(cells.indexOf(QLatin1Char('>'))) + 1;
                const int close = int(cells.indexOf(QLatin1String("</td>")));
                cells.insert(close, QLatin1String("</a>"));
                cells.insert(open, QStringLiteral("<a href=\"%1\">").arg(PageName(objectIds[k])));
            }
            gridRows += QStringLiteral("<tr data-i=\"%1\" data-href=\"%2\">%3</tr>\n").arg(k).arg(PageName(objectIds[k]), cells);
            if (objectName.isEmpty() && !layout.fieldLabels.isEmpty())
                objectName = shown.texts.value(layout.fieldLabels.constFirst().text);
            const QString page = Head(objectName.isEmpty() ? catalogName : objectName + QStringLiteral(" — ") + catalogName, QStringLiteral("page-object"))
                                 + Navigation(k > 0 ? objectIds[k - 1] : -1, k + 1 < total ? objectIds[k + 1] : -1, catalogName)
                                 + PanelHtml(elements, reading, panel, background, textImages, shown, maker)
                                 + QStringLiteral("<script src=\"site.js\"></script>\n</body></html>\n");
            sink.put(PageName(objectIds[k]), TextFile(page));

            QJsonArray linked;
            for (const QPair<qint64, qint64> &link : links.value(objectIds[k])) {
                const int entry = books.entryIndex.value(link, -1);
                if (entry >= 0)
                    linked.append(entry);
            }
            rowData.append(QJsonObject{{QStringLiteral("s"), searched.join(QChar(0x1F))},
                                       {QStringLiteral("k"), keys},
                                       {QStringLiteral("l"), linked}});
            ++result.objects;
            maker.collect();
        }
        if (progress && !progress(total, total))
            return stop();

        QString titles;
        QJsonArray numeric;
        for (int c = 0; c < columns.size(); ++c) {
            const bool picture = columns[c].kind() == FieldKind::Image;
            titles += picture ? QStringLiteral("<th>%1</th>").arg(Html(columns[c].name))
                              : QStringLiteral("<th data-c=\"%1\" tabindex=\"0\">%2</th>").arg(c).arg(Html(columns[c].name));
            numeric.append(NumericKind(columns[c].kind()));
        }
        const QJsonObject data{{QStringLiteral("rows"), rowData},
                               {QStringLiteral("numeric"), numeric},
                               {QStringLiteral("books"), books.json}};
        const QString index =
            Head(catalogName, QStringLiteral("page-index"))
            + QStringLiteral("<header class=\"bar\"><h1>%1</h1>"
                             "<input id=\"search\" type=\"search\" autocomplete=\"off\" placeholder=\"Поиск\" aria-label=\"Поиск\" "
                             "title=\"Показать только объекты, в столбцах которых встречается этот текст\"></header>\n"
                             "<div class=\"index\"><aside id=\"filter\"><select id=\"book\" aria-label=\"Справочник\"></select>"
                             "<div id=\"tree\"></div><p class=\"hint\">Условие отбора:</p><ul id=\"chosen\"></ul></aside>\n"
                             "<main><p id=\"count\"></p><table id=\"grid\"><thead><tr>%2</tr></thead><tbody>\n%3</tbody></table></main></div>\n"
                             "<script id=\"data\" type=\"application/json\">%4</script>\n"
                             "<script src=\"site.js\"></script>\n</body></html>\n")
                  .arg(Html(catalogName), titles, gridRows, ScriptJson(data));
        sink.put(QStringLiteral("index.html"), TextFile(index));
        sink.put(QStringLiteral("site.css"), SiteStyle());
        sink.put(QStringLiteral("site.js"), SiteScript());
        maker.finish();
        result.pictures = maker.pictures();
        result.picturesMade = maker.made();
    } catch (const std::exception &error) {
        maker.abandon();
        result.error = QString::fromUtf8(error.what());
    }
    return result;
}

}
