#include "fields/picturefiles.h"

#include "settings/form6.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace {
// A photograph of 100 megapixels and more still opens; Qt's own limit (128 MiB) refuses one of 35.
constexpr int AllocationLimitMiB = 1024;

// The kinds a picture field shows. Qt's other readers guess kinds from a few bytes and would take some
// text files for pictures.
bool isShownKind(const QByteArray &format)
{
    static const QByteArray kinds[] = {"jpeg", "jpg", "png", "bmp", "tiff", "tif", "webp", "gif"};
    return std::find(std::begin(kinds), std::end(kinds), format.toLower()) != std::end(kinds);
}

// A JPEG whose compressed picture runs on to its end marker. A file cut short (a copy stopped half way)
// decodes with a grey lower part and no error, so it is caught here, without decoding.
bool jpegIsComplete(const QByteArray &bytes)
{
    const auto at = [&](qsizetype i) { return uchar(bytes[i]); };
    if (bytes.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return false;
    qsizetype pos = 2;
    while (pos + 4 <= bytes.size()) {
        if (at(pos) != 0xFF)
            return false;
        const uchar marker = at(pos + 1);
        if (marker == 0xFF) {   // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {   // markers without a length
            pos += 2;
            continue;
        }
        if (marker == 0xD9)   // ended before the first scan
            return false;
        const int length = (at(pos + 2) << 8) | at(pos + 3);
        if (length < 2)
            return false;
        // Inside compressed data every 0xFF is followed by 0x00 or a restart marker, so the end marker
        // after the first scan is the picture's own (an embedded preview's lies before it).
        if (marker == 0xDA)
            return bytes.indexOf(QByteArrayView("\xFF\xD9", 2), pos + 2 + length) >= 0;
        pos += 2 + length;
    }
    return false;
}

// A BMP holding all the rows its header promises: Qt's reader shows a cut one with its missing rows black.
bool bmpIsComplete(const QByteArray &bytes)
{
    if (bytes.size() < 54)
        return false;
    const auto number = [&](int at, int width) {
        quint32 value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | uchar(bytes[at + i]);
        return value;
    };
    const quint32 fileSize = number(2, 4), pixelsAt = number(10, 4), compression = number(30, 4);
    if (fileSize > quint64(bytes.size()))
        return false;
    if (compression != 0 && compression != 3)   // packed rows: only the header's size tells
        return true;
    const qint64 width = qint32(number(18, 4)), height = qAbs(qint64(qint32(number(22, 4))));
    const qint64 rowBytes = (width * number(28, 2) + 31) / 32 * 4;
    return pixelsAt + rowBytes * height <= bytes.size();
}

// The reader's size to decode at so that the turned picture fits `bound`; invalid for the full size.
QSize decodedSizeWithin(const QSize &full, const QSize &bound, bool turnedOnSide)
{
    if (!bound.isValid() || !full.isValid())
        return {};
    const QSize box = turnedOnSide ? bound.transposed() : bound;
    if (full.width() <= box.width() && full.height() <= box.height())
        return {};
    return full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// `quality` above 50 makes the JPEG reader shrink smoothly, worth its time for a picture kept.
QImage readByQt(const QByteArray &bytes, const QSize &bound, int quality = -1)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!isShownKind(reader.format()))
        return {};
    reader.setAllocationLimit(AllocationLimitMiB);
    reader.setAutoTransform(true);
    reader.setQuality(quality);
    const bool onSide = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize decoded = decodedSizeWithin(reader.size(), bound, onSide);
    if (decoded.isValid())
        reader.setScaledSize(decoded);
    return reader.read();
}

// The size of the picture as it stands in the file (before its orientation turns it); invalid when unknown.
QSize storedSize(const QByteArray &bytes, QByteArray *format = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (format)
        *format = reader.format();
    return isShownKind(reader.format()) ? reader.size() : QSize();
}
}

bool IsReadablePicture(const QByteArray &bytes)
{
    QByteArray format;
    const QSize size = storedSize(bytes, &format);
    if (format == "jpeg" || format == "jpg")
        return size.isValid() && jpegIsComplete(bytes);
    if (format == "bmp" && !bmpIsComplete(bytes))
        return false;
    // The other kinds are decoded: a small decode says whether the whole file is there.
    return isShownKind(format) && !readByQt(bytes, QSize(64, 64)).isNull();
}

QImage ShownPicture(const QByteArray &bytes, const QSize &bound)
{
    if (bytes.isEmpty())
        return {};
    return readByQt(bytes, bound);
}

QByteArray PictureAsStored(const QByteArray &chosen)
{
    return PictureAsStored(chosen, Settings::PictureStoring());
}

QByteArray PictureAsStored(const QByteArray &chosen, const Options::PictureStoring &rule)
{
    if (!rule.shrink)
        return chosen;
    const QSize size = storedSize(chosen);
    if (!size.isValid() || qMax(size.width(), size.height()) <= rule.longSide)
        return chosen;
    QImage shrunk = readByQt(chosen, QSize(rule.longSide, rule.longSide), 100);
    if (shrunk.isNull())
        return chosen;
    if (shrunk.hasAlphaChannel()) {
        // JPEG keeps no transparency: the clear parts become white, as on a sheet of paper.
        QImage flat(shrunk.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, shrunk);
        painter.end();
        shrunk = flat;
    }
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(rule.quality);
    return writer.write(shrunk) ? written : chosen;
}
