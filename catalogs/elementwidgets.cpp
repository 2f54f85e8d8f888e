#include "catalogs/elementwidgets.h"
#include "catalogs/placedelements.h"
#include "fields/picturedecoder.h"
#include "fields/picturefiles.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QRegion>
#include <QTableView>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {
std::atomic<int> decodedPictures = 0;

void Place(QWidget *element, int left, int top, int width, int height)
{
    element->setGeometry(left, top, qMax(width, 0), qMax(height, 0));
}
}

QFont ElementFont(const QString &name, int pointSize, bool bold)
{
    QFont font(name);
    font.setPointSize(pointSize > 0 ? pointSize : Layout::DefaultFontSize);
    font.setBold(bold);
    return font;
}

// ---------------------------------------------------------------------------------------------------

LabelElement::LabelElement(const Layout::Label &record, bool fieldBound, bool bold, QWidget *panel)
    : QLabel(panel), m_fieldBound(fieldBound), m_fieldName(fieldBound ? record.text : QString()),
      m_fontColor(record.fontColor)
{
    setTextFormat(Qt::PlainText);
    setText(record.text);
    move(record.left, record.top);
    setLook(ElementFont(record.fontName, record.fontSize, bold), record.fontColor);
}

Layout::Label LabelElement::record() const
{
    return {m_fieldBound ? m_fieldName : text(), m_fontColor, font().pointSize(), font().family(), x(), y()};
}

void LabelElement::setLook(const QFont &font, Layout::Color fontColor)
{
    m_fontColor = fontColor;
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Layout::ToQColor(fontColor, QPalette::WindowText, colours));
    setPalette(colours);
    adjustSize();
}

void LabelElement::setShownText(const QString &text)
{
    setText(text);
    adjustSize();
}

// ---------------------------------------------------------------------------------------------------

BoxElement::BoxElement(bool referenceList, QWidget *panel)
    : QPlainTextEdit(panel), m_referenceList(referenceList)
{
    setReadOnly(true);
}

BoxElement *BoxElement::memo(const Layout::FieldMemo &record, bool bold, QWidget *panel)
{
    auto *box = new BoxElement(false, panel);
    box->m_fieldName = record.text;
    box->setPlainText(record.text);
    box->setBackground(record.background);
    box->setLook(ElementFont(record.fontName, record.fontSize, bold), record.fontColor);
    Place(box, record.left, record.top, record.width, record.height);
    return box;
}

BoxElement *BoxElement::referenceList(const Layout::ReferenceList &record, bool bold, QWidget *panel)
{
    auto *box = new BoxElement(true, panel);
    box->setPlainText(QStringLiteral("Список ссылок на справочники"));
    box->setBackground(record.background);
    box->setLook(ElementFont(record.fontName, record.fontSize, bold), record.fontColor);
    Place(box, record.left, record.top, record.width, record.height);
    return box;
}

Layout::FieldMemo BoxElement::memoRecord() const
{
    return {m_fieldName, m_background, m_fontColor, font().pointSize(), font().family(), width(), height(), x(), y()};
}

Layout::ReferenceList BoxElement::listRecord() const
{
    return {m_background, m_fontColor, font().pointSize(), font().family(), width(), height(), x(), y()};
}

void BoxElement::setLook(const QFont &font, Layout::Color fontColor)
{
    m_fontColor = fontColor;
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, Layout::ToQColor(fontColor, QPalette::Text, colours));
    setPalette(colours);
}

void BoxElement::setBackground(Layout::Color background)
{
    m_background = background;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Layout::ToQColor(background, QPalette::Base, colours));
    setPalette(colours);
}

// ---------------------------------------------------------------------------------------------------

PictureElement::PictureElement(QWidget *parent)
    : QWidget(parent)
{
}

PictureElement *PictureElement::fieldImage(const Layout::FieldImage &record, QWidget *panel)
{
    auto *box = new PictureElement(panel);
    box->m_fieldName = record.fieldName;
    Place(box, record.left, record.top, record.width, record.height);
    return box;
}

PictureElement *PictureElement::textImage(const Layout::TextImage &record, QWidget *panel)
{
    auto *box = new PictureElement(panel);
    Place(box, record.left, record.top, record.width, record.height);
    return box;
}

int PictureElement::decodeCount()
{
    return decodedPictures;
}

bool PictureElement::setPictureData(const QByteArray &data)
{
    if (m_decoder)
        m_decoder->forget();
    m_data = data;
    if (m_data.isEmpty() || !decode()) {
        const bool tooLarge = m_tooLarge;
        clearPicture();
        m_tooLarge = tooLarge;
        return false;
    }
    update();
    return true;
}

void PictureElement::showPictureData(const QByteArray &data)
{
    // The same picture again (the same object shown anew) stays as it is.
    if (!data.isEmpty() && data == m_data && (!m_image.isNull() || decoding()))
        return;
    clearPicture();
    m_data = data;
    if (!m_data.isEmpty())
        decodeBeside();
}

void PictureElement::decodeBeside()
{
    if (!m_decoder) {
        m_decoder = new PictureDecoder(this);
        connect(m_decoder, &PictureDecoder::decoded, this, [this](const QImage &image) {
            m_image = image;
            m_stale = false;
            if (image.isNull()) {
                const QSize full = ShownPictureSize(m_data);
                m_data.clear();
                m_tooLarge = full.isValid() && qint64(full.width()) * full.height() > MaxPicturePixels;
            }
            update();
        });
    }
    m_decoder->request([data = m_data, size = decodeSize()] {
        bool tooLarge = false;
        return decoded(data, size, &tooLarge);
    });
}

bool PictureElement::decoding() const
{
    return m_decoder && m_decoder->busy();
}

void PictureElement::clearPicture()
{
    if (m_decoder)
        m_decoder->forget();
    m_data.clear();
    m_image = QImage();
    m_stale = false;
    m_tooLarge = false;
    update();
}

QSize PictureElement::decodeSize() const
{
    const QScreen *shownOn = screen();
    return shownOn ? size().boundedTo(shownOn->size()) : size();
}

QImage PictureElement::decoded(const QByteArray &data, QSize size, bool *tooLarge)
{
    ++decodedPictures;
    const QSize full = ShownPictureSize(data);
    *tooLarge = full.isValid() && qint64(full.width()) * full.height() > MaxPicturePixels;
    if (*tooLarge)
        return QImage();
    if (size.width() <= 0 || size.height() <= 0 || !full.isValid())
        return ShownPicture(data);
    // The picture is stretched over the box: decoded at the smallest size that still covers it (a
    // photograph is never decoded whole for a box), then stretched.
    const QImage image = ShownPicture(data, full.scaled(size, Qt::KeepAspectRatioByExpanding));
    if (image.isNull() || image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool PictureElement::decode()
{
    m_image = decoded(m_data, decodeSize(), &m_tooLarge);
    m_stale = false;
    return !m_image.isNull();
}

QList<bool> PictureElement::setPictureData(const QList<PictureElement *> &boxes, const QList<QByteArray> &data)
{
    const int count = int(qMin(boxes.size(), data.size()));
    std::vector<QImage> images(count);
    std::vector<QSize> sizes(count);
    std::unique_ptr<bool[]> tooLarge(new bool[size_t(count)]());
    for (int i = 0; i < count; ++i)
        sizes[i] = boxes[i]->decodeSize();
    std::atomic<int> next = 0;
    const auto work = [&] {
        for (int i = next++; i < count; i = next++)
            images[i] = decoded(data[i], sizes[i], &tooLarge[size_t(i)]);
    };
    std::vector<std::thread> helpers;
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, count > 0 ? count : 1);
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &helper : helpers)
        helper.join();

    QList<bool> loaded;
    for (int i = 0; i < count; ++i) {
        PictureElement *box = boxes[i];
        const bool ok = !data[i].isEmpty() && !images[i].isNull();
        if (ok) {
            if (box->m_decoder)
                box->m_decoder->forget();
            box->m_data = data[i];
            box->m_image = images[i];
            box->m_stale = false;
            box->m_tooLarge = false;
            box->update();
        } else {
            box->clearPicture();
            box->m_tooLarge = tooLarge[size_t(i)];
        }
        loaded << ok;
    }
    return loaded;
}

Layout::FieldImage PictureElement::fieldImageRecord() const
{
    return {m_fieldName, width(), height(), x(), y()};
}

Layout::TextImage PictureElement::textImageRecord() const
{
    return {width(), height(), x(), y()};
}

void PictureElement::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && hasPicture())
        Q_EMIT doubleClicked();
}

void PictureElement::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (decoding())
        decodeBeside();
    else if (hasPicture() && m_image.size() != size())
        m_stale = true;
}

void PictureElement::paintEvent(QPaintEvent *)
{
    if (m_stale)
        decode();
    QPainter painter(this);
    if (!m_image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_image);
        return;
    }
    if (m_tooLarge) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().intersected(QRect(0, 0, 600, 200)), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Изображение слишком велико для показа"));
        return;
    }
    if (m_fieldName.isEmpty())
        return;
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(ElementFont(Layout::DefaultFontName, Layout::DefaultFontSize, true));
    painter.drawText(QRect(10, 10, qMax(width() - 12, 0), qMax(height() - 12, 0)), Qt::AlignLeft | Qt::AlignTop,
                     m_fieldName);
}

// ---------------------------------------------------------------------------------------------------

FrameElement::FrameElement(const Layout::Frame &record, QWidget *panel)
    : QWidget(panel), m_penColor(record.penColor), m_penWidth(qMax(record.penWidth, 1))
{
    Place(this, record.left, record.top, record.width, record.height);
    updateMask();
}

Layout::Frame FrameElement::record() const
{
    return {m_penColor, m_penWidth, width(), height(), x(), y()};
}

void FrameElement::setPen(Layout::Color color, int width)
{
    m_penColor = color;
    m_penWidth = qMax(width, 1);
    updateMask();
    update();
}

void FrameElement::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor colour = Layout::ToQColor(m_penColor, QPalette::WindowText, palette());
    const int w = m_penWidth;
    // Four bands of the pen's width along the edges; a line is a frame whose bands meet.
    painter.fillRect(0, 0, width(), w, colour);
    painter.fillRect(0, height() - w, width(), w, colour);
    painter.fillRect(0, 0, w, height(), colour);
    painter.fillRect(width() - w, 0, w, height(), colour);
}

void FrameElement::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateMask();
}

void FrameElement::updateMask()
{
    // The mouse finds a thin frame by a band a few pixels wide.
    const int band = qMax(m_penWidth, 5);
    const QRegion outer(rect());
    const QRect inner = rect().adjusted(band, band, -band, -band);
    setMask(inner.isValid() && !inner.isEmpty() ? outer.subtracted(QRegion(inner)) : outer);
}

void PanelElementLists::destroyElements()
{
    qDeleteAll(Labels);
    qDeleteAll(TextLabels);
    qDeleteAll(Memos);
    qDeleteAll(GroupBoxes);
    qDeleteAll(Images);
    qDeleteAll(TextImages);
    qDeleteAll(Shapes);
    *this = PanelElementLists();
}

PanelElementLists::Built PanelElementLists::buildElements(const Layout::Catalog &layout, QWidget *panel, QTableView *grid,
                                                          PictureElement *background, const QByteArray &backgroundPicture,
                                                          const QList<QByteArray> &textImagePictures,
                                                          bool fieldImagePlaceholders)
{
    using Kind = Layout::PlacedElement::Kind;
    const int columns = grid && grid->model() ? grid->model()->columnCount() : 0;
    for (int column = 0; column < layout.columns.size() && column < columns; ++column)
        grid->setColumnHidden(column, !layout.columns[column]);
    // The background and the text images are decoded together once every element stands.
    QList<PictureElement *> boxes;
    QList<QByteArray> pictures;
    QList<int> boxTextImages;
    const bool withBackground = background && !layout.backgroundFile.isEmpty();
    if (background)
        background->clearPicture();
    if (withBackground) {
        boxes << background;
        pictures << backgroundPicture;
        boxTextImages << -1;
    }
    for (const Layout::PlacedElement &element : Layout::PlacedElements(layout)) {
        const QRect &r = element.rect;
        switch (element.kind) {
        case Kind::FieldLabel:
        case Kind::TextLabel: {
            const Layout::Label record{element.text, element.fontColor, element.fontSize, element.fontName, r.left(), r.top()};
            const bool fieldBound = element.kind == Kind::FieldLabel;
            (fieldBound ? Labels : TextLabels) << new LabelElement(record, fieldBound, element.bold, panel);
            break;
        }
        case Kind::FieldMemo:
            Memos << BoxElement::memo({element.text, element.background, element.fontColor, element.fontSize,
                                       element.fontName, r.width(), r.height(), r.left(), r.top()},
                                      element.bold, panel);
            break;
        case Kind::FieldImage:
            Images << (fieldImagePlaceholders
                           ? PictureElement::fieldImage({element.text, r.width(), r.height(), r.left(), r.top()}, panel)
                           : PictureElement::textImage({r.width(), r.height(), r.left(), r.top()}, panel));
            break;
        case Kind::TextImage:
            TextImages << PictureElement::textImage({r.width(), r.height(), r.left(), r.top()}, panel);
            boxes << TextImages.last();
            pictures << textImagePictures.value(element.textImage);
            boxTextImages << element.textImage;
            break;
        case Kind::Frame:
            Shapes << new FrameElement({element.penColor, element.penWidth, r.width(), r.height(), r.left(), r.top()}, panel);
            break;
        case Kind::ReferenceList:
            GroupBoxes << BoxElement::referenceList({element.background, element.fontColor, element.fontSize,
                                                     element.fontName, r.width(), r.height(), r.left(), r.top()},
                                                    element.bold, panel);
            break;
        }
    }
    const QList<bool> loaded = PictureElement::setPictureData(boxes, pictures);
    Built built;
    for (int i = 0; i < loaded.size(); ++i) {
        if (loaded[i])
            continue;
        if (boxTextImages[i] < 0)
            built.backgroundMissing = true;
        else
            built.missingTextImages << boxTextImages[i];
    }
    return built;
}
