#include "fields/picturefiles.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <libheif/heif.h>
#include <memory>

// The metadata library's interface still names std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {
// A photograph of 100 megapixels and more still opens; Qt's own limit (128 MiB) refuses one of 35.
constexpr int AllocationLimitMiB = 1024;

// The kinds a picture is taken in. Pictures of Qt's other kinds stored earlier are still shown, but
// those readers guess kinds from a few bytes and would take some text files for pictures.
bool isTakenKind(const QByteArray &format)
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

// The EXIF block of a picture, read by the metadata library; null when there is none or it cannot be read.
// The library is made ready once, before any thread reads: its XMP part must not be started twice at once.
std::unique_ptr<Exiv2::Image> exifOf(const QByteArray &bytes)
{
    static const bool prepared = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
        return true;
    }();
    Q_UNUSED(prepared);
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
        if (!image.get())
            return {};
        image->readMetadata();
        return std::unique_ptr<Exiv2::Image>(image.release());
    } catch (const std::exception &) {
        return {};
    }
}

// How a picture tagged with EXIF `orientation` is turned to be shown, as Qt words it for JPEG and TIFF.
QImageIOHandler::Transformations turnOfOrientation(long orientation)
{
    switch (orientation) {
    case 2: return QImageIOHandler::TransformationMirror;
    case 3: return QImageIOHandler::TransformationRotate180;
    case 4: return QImageIOHandler::TransformationFlip;
    case 5: return QImageIOHandler::TransformationFlipAndRotate90;
    case 6: return QImageIOHandler::TransformationRotate90;
    case 7: return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8: return QImageIOHandler::TransformationRotate270;
    default: return QImageIOHandler::TransformationNone;
    }
}

// Qt turns JPEG and TIFF pictures by their tag itself; PNG (its eXIf chunk) and WebP (its EXIF chunk) hold
// the same tag, which Qt's readers pass over, so the program reads it. Only where Qt's reader turns
// nothing: a reader that learns the tag is not followed by a second turn.
QImageIOHandler::Transformations turnQtMisses(QImageReader &reader, const QByteArray &bytes)
{
    if (reader.transformation() != QImageIOHandler::TransformationNone)
        return QImageIOHandler::TransformationNone;
    const QByteArray format = reader.format();
    const bool tagged = (format == "png" && bytes.contains("eXIf")) || (format == "webp" && bytes.contains("EXIF"));
    if (!tagged)
        return QImageIOHandler::TransformationNone;
    const std::unique_ptr<Exiv2::Image> image = exifOf(bytes);
    if (!image)
        return QImageIOHandler::TransformationNone;
    const Exiv2::ExifData &exif = image->exifData();
    const auto tag = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    return tag != exif.end() && tag->count() > 0 ? turnOfOrientation(tag->toLong()) : QImageIOHandler::TransformationNone;
}

// The picture as decoded, turned as Qt turns a tagged JPEG: mirrored or flipped first, then a quarter clockwise.
QImage turned(QImage image, QImageIOHandler::Transformations turn)
{
    if (turn & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        image = image.mirrored(turn & QImageIOHandler::TransformationMirror, turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// `quality` above 50 makes the JPEG reader shrink smoothly, worth its time for a picture kept.
QImage readByQt(const QByteArray &bytes, const QSize &bound, int quality = -1)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(AllocationLimitMiB);
    reader.setAutoTransform(true);
    reader.setQuality(quality);
    const QImageIOHandler::Transformations ownTurn = turnQtMisses(reader, bytes);
    const bool onSide = (reader.transformation() | ownTurn) & QImageIOHandler::TransformationRotate90;
    const QSize decoded = decodedSizeWithin(reader.size(), bound, onSide);
    if (decoded.isValid())
        reader.setScaledSize(decoded);
    const QImage image = reader.read();
    return ownTurn == QImageIOHandler::TransformationNone || image.isNull() ? image : turned(image, ownTurn);
}

// HEIC/HEIF, as phones write them; read through libheif, which turns the picture by its own rotation and
// mirror boxes while decoding (the EXIF orientation inside such a file repeats them and is not applied).
namespace Heif {
bool isHeif(const QByteArray &bytes)
{
    return bytes.size() >= 12 && QByteArrayView(bytes).sliced(4, 4) == QByteArrayView("ftyp")
           && heif_check_filetype(reinterpret_cast<const uint8_t *>(bytes.constData()), int(qMin(bytes.size(), qsizetype(64))))
                  == heif_filetype_yes_supported;
}

struct Library
{
    Library() { heif_init(nullptr); }
    ~Library() { heif_deinit(); }
};

struct ContextFree { void operator()(heif_context *c) const { heif_context_free(c); } };
struct HandleFree { void operator()(heif_image_handle *h) const { heif_image_handle_release(h); } };
struct ImageFree { void operator()(heif_image *i) const { heif_image_release(i); } };
struct OptionsFree { void operator()(heif_decoding_options *o) const { heif_decoding_options_free(o); } };
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;

// The file's context over `bytes` (which must outlive it), null when the file cannot be read.
Context opened(const QByteArray &bytes)
{
    static const Library library;
    Context context(heif_context_alloc());
    if (!context || heif_context_read_from_memory_without_copy(context.get(), bytes.constData(), size_t(bytes.size()), nullptr).code != heif_error_Ok)
        return {};
    return context;
}

Handle primary(heif_context *context)
{
    heif_image_handle *handle = nullptr;
    if (heif_context_get_primary_image_handle(context, &handle).code != heif_error_Ok)
        return {};
    return Handle(handle);
}

// The smallest of the picture's stored previews that still covers `bound` (their sizes are as shown), or
// the picture itself: HEVC cannot be decoded at a reduced size, a preview is the reduced picture.
Handle smallestCovering(heif_image_handle *picture, const QSize &bound)
{
    Handle best;
    if (!bound.isValid())
        return best;
    const int count = heif_image_handle_get_number_of_thumbnails(picture);
    std::vector<heif_item_id> ids(size_t(qMax(count, 0)));
    heif_image_handle_get_list_of_thumbnail_IDs(picture, ids.data(), count);
    qint64 bestArea = qint64(heif_image_handle_get_width(picture)) * heif_image_handle_get_height(picture);
    for (heif_item_id id : ids) {
        heif_image_handle *preview = nullptr;
        if (heif_image_handle_get_thumbnail(picture, id, &preview).code != heif_error_Ok)
            continue;
        Handle kept(preview);
        const QSize size(heif_image_handle_get_width(preview), heif_image_handle_get_height(preview));
        const QSize needed = QSize(heif_image_handle_get_width(picture), heif_image_handle_get_height(picture)).scaled(bound, Qt::KeepAspectRatio);
        const qint64 area = qint64(size.width()) * size.height();
        if (size.width() >= needed.width() && size.height() >= needed.height() && area < bestArea) {
            bestArea = area;
            best = std::move(kept);
        }
    }
    return best;
}

QSize shownSize(const QByteArray &bytes)
{
    const Context context = opened(bytes);
    const Handle picture = context ? primary(context.get()) : Handle();
    return picture ? QSize(heif_image_handle_get_width(picture.get()), heif_image_handle_get_height(picture.get())) : QSize();
}

QImage decoded(const QByteArray &bytes, const QSize &bound)
{
    const Context context = opened(bytes);
    const Handle picture = context ? primary(context.get()) : Handle();
    if (!picture)
        return {};
    const QSize full(heif_image_handle_get_width(picture.get()), heif_image_handle_get_height(picture.get()));
    if (qint64(full.width()) * full.height() * 4 > qint64(AllocationLimitMiB) * 1024 * 1024)
        return {};
    const Handle preview = smallestCovering(picture.get(), bound);
    heif_image_handle *source = preview ? preview.get() : picture.get();
    const bool alpha = heif_image_handle_has_alpha_channel(source);
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image *raw = nullptr;
    if (heif_decode_image(source, &raw, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options.get()).code != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image, ImageFree> image(raw);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(raw, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(raw, heif_channel_interleaved);
    const int height = heif_image_get_height(raw, heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0)
        return {};
    QImage shown = QImage(pixels, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888).copy();
    const QSize fitting = decodedSizeWithin(shown.size(), bound, false);
    return fitting.isValid() ? shown.scaled(fitting, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : shown;
}
}

// The size of the picture as Qt reads it and as shown (turned by its orientation); invalid when unknown.
QSize sizeByQt(const QByteArray &bytes, QByteArray *format = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (format)
        *format = reader.format();
    const QSize stored = reader.size();
    return (reader.transformation() | turnQtMisses(reader, bytes)) & QImageIOHandler::TransformationRotate90 ? stored.transposed()
                                                                                                             : stored;
}
}

bool IsReadablePicture(const QByteArray &bytes)
{
    if (Heif::isHeif(bytes))
        return Heif::shownSize(bytes).isValid();   // libheif refuses a file cut short
    QByteArray format;
    const QSize size = sizeByQt(bytes, &format);
    if (!isTakenKind(format) || !size.isValid())
        return false;
    if (format == "jpeg" || format == "jpg")
        return jpegIsComplete(bytes);
    if (format == "bmp" && !bmpIsComplete(bytes))
        return false;
    // The other kinds are decoded: a small decode says whether the whole file is there.
    return !readByQt(bytes, QSize(64, 64)).isNull();
}

QImage ShownPicture(const QByteArray &bytes, const QSize &bound)
{
    if (bytes.isEmpty())
        return {};
    return Heif::isHeif(bytes) ? Heif::decoded(bytes, bound) : readByQt(bytes, bound);
}

QSize ShownPictureSize(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    return Heif::isHeif(bytes) ? Heif::shownSize(bytes) : sizeByQt(bytes);
}

QByteArray PictureAsStored(const QByteArray &chosen, const Options::PictureStoring &rule)
{
    // A HEIC stays the user's own file: shrinking would turn it into another kind of file.
    if (!rule.shrink || Heif::isHeif(chosen))
        return chosen;
    const QSize size = sizeByQt(chosen);
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

QDate ExifDayTaken(const QByteArray &bytes)
{
    const std::unique_ptr<Exiv2::Image> image = exifOf(bytes);
    if (!image)
        return {};
    const Exiv2::ExifData &exif = image->exifData();
    const auto taken = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
    if (taken == exif.end())
        return {};
    // "2019:03:15 10:20:30"; cameras without a clock write blanks or zeros.
    return QDate::fromString(QString::fromStdString(taken->toString()).left(10), QStringLiteral("yyyy:MM:dd"));
}
