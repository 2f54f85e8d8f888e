// Pictures made in the photo tests: a scene whose every turn shows differently, stored as a camera
// stores it with an orientation tag, and the check that it is shown upright.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>
#include <libheif/heif.h>

#include <gtest/gtest.h>

namespace {
// A scene with a colour in each quarter: any turn or mirror of it shows a different arrangement.
const QColor TopLeft = Qt::red, TopRight = Qt::green, BottomLeft = Qt::blue, BottomRight = Qt::yellow;

QImage Scene(QSize size)
{
    QImage scene(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool right = x >= size.width() / 2, bottom = y >= size.height() / 2;
            scene.setPixelColor(x, y, bottom ? (right ? BottomRight : BottomLeft) : (right ? TopRight : TopLeft));
        }
    }
    return scene;
}

// Where the stored pixel (column c, row r) of a picture tagged `orientation` appears when shown, in a
// shown picture `shown` large: the tag tells on which side the stored first row and first column lie.
QPoint ShownPosition(int orientation, int c, int r, QSize shown)
{
    const int w = shown.width() - 1, h = shown.height() - 1;
    switch (orientation) {
    case 2: return {w - c, r};
    case 3: return {w - c, h - r};
    case 4: return {c, h - r};
    case 5: return {r, c};
    case 6: return {w - r, c};
    case 7: return {w - r, h - c};
    case 8: return {r, h - c};
    default: return {c, r};
    }
}

// The pixels a camera stores for `scene` when it tags them with `orientation`.
QImage StoredFor(const QImage &scene, int orientation)
{
    const QSize stored = orientation >= 5 ? scene.size().transposed() : scene.size();
    QImage pixels(stored, QImage::Format_RGB32);
    for (int r = 0; r < stored.height(); ++r)
        for (int c = 0; c < stored.width(); ++c)
            pixels.setPixel(c, r, scene.pixel(ShownPosition(orientation, c, r, scene.size())));
    return pixels;
}

QByteArray Encoded(const QImage &image, const char *format, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

// The EXIF block as TIFF lays it out, holding the orientation tag alone.
QByteArray ExifOrientation(int orientation)
{
    QByteArray tiff("MM\0\x2A\0\0\0\x08", 8);                  // big-endian header, first directory at 8
    tiff += QByteArray("\0\x01", 2);                           // one entry
    tiff += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8);         // Orientation, SHORT, one value
    tiff += char(0);
    tiff += char(orientation);
    tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0');                               // no next directory
    return tiff;
}

template <typename T>
QByteArray Number(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

// A JPEG as a camera writes it: an EXIF block with the orientation tag right after the start marker.
QByteArray JpegWithOrientation(const QImage &pixels, int orientation)
{
    const QByteArray jpeg = Encoded(pixels, "jpeg");
    const QByteArray payload = QByteArray("Exif\0\0", 6) + ExifOrientation(orientation);
    return jpeg.left(2) + QByteArray("\xFF\xE1", 2) + Number(qToBigEndian(quint16(payload.size() + 2))) + payload + jpeg.mid(2);
}

quint32 Crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG with the tag in an eXIf chunk right after its header chunk, as editors and phones write it.
QByteArray PngWithOrientation(const QImage &pixels, int orientation)
{
    const QByteArray png = Encoded(pixels, "png");
    const QByteArray typeAndData = "eXIf" + ExifOrientation(orientation);
    const QByteArray chunk = Number(qToBigEndian(quint32(typeAndData.size() - 4))) + typeAndData
                             + Number(qToBigEndian(Crc32(typeAndData)));
    constexpr int afterHeader = 8 + 4 + 4 + 13 + 4;   // the signature, then the header chunk
    return png.left(afterHeader) + chunk + png.mid(afterHeader);
}

// A WebP in its extended layout: the VP8X chunk announcing EXIF, the picture's chunk, the EXIF chunk.
QByteArray WebpWithOrientation(const QImage &pixels, int orientation)
{
    const QByteArray picture = Encoded(pixels, "webp").mid(12);   // after "RIFF", the size and "WEBP"
    const auto threeBytes = [](int value) { return Number(qToLittleEndian(quint32(value))).left(3); };
    const QByteArray vp8x = "VP8X" + Number(qToLittleEndian(quint32(10))) + QByteArray("\x08\0\0\0", 4)
                            + threeBytes(pixels.width() - 1) + threeBytes(pixels.height() - 1);
    QByteArray exif = ExifOrientation(orientation);
    exif = "EXIF" + Number(qToLittleEndian(quint32(exif.size()))) + exif + QByteArray(exif.size() % 2, '\0');
    const QByteArray body = "WEBP" + vp8x + picture + exif;
    return "RIFF" + Number(qToLittleEndian(quint32(body.size()))) + body;
}

// A phone's HEIC: `pixels` as stored, tagged to be shown turned by `orientation`, with `preview` (made
// from other pixels, so that a test sees which one was decoded) as its stored preview when given.
QByteArray Heic(const QImage &pixels, int orientation, const QImage &preview = {})
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    EXPECT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    const auto encode = [&](const QImage &source, heif_image_handle **handle) {
        const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
        heif_image *image = nullptr;
        heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
        int stride = 0;
        uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
        EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, handle).code, heif_error_Ok);
        heif_image_release(image);
    };
    heif_image_handle *main = nullptr;
    encode(pixels, &main);
    if (!preview.isNull()) {
        heif_image_handle *small = nullptr;
        encode(preview, &small);
        // This libheif writes the reference the other way round from its declaration: these arguments
        // give the file a phone writes, the preview referring to the picture (heif-info shows it so).
        EXPECT_EQ(heif_context_assign_thumbnail(context, small, main).code, heif_error_Ok);
        heif_context_set_primary_image(context, main);
        heif_image_handle_release(small);
    }
    heif_image_handle_release(main);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    QByteArray written;
    heif_writer writer{1, [](heif_context *, const void *data, size_t size, void *target) {
        static_cast<QByteArray *>(target)->append(static_cast<const char *>(data), qsizetype(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    }};
    EXPECT_EQ(heif_context_write(context, &writer, &written).code, heif_error_Ok);
    heif_context_free(context);
    return written;
}

// Colours equal but for what lossy compression changes.
bool IsNear(const QColor &seen, const QColor &expected)
{
    return qAbs(seen.red() - expected.red()) <= 40 && qAbs(seen.green() - expected.green()) <= 40
           && qAbs(seen.blue() - expected.blue()) <= 40;
}

// Whether `shown` is the scene upright: its size and the colour in the middle of each quarter.
::testing::AssertionResult IsUprightScene(const QImage &shown, QSize size)
{
    if (shown.size() != size)
        return ::testing::AssertionFailure() << "size " << shown.width() << "x" << shown.height();
    const int qx = size.width() / 4, qy = size.height() / 4;
    const std::pair<QPoint, QColor> expected[] = {{{qx, qy}, TopLeft}, {{3 * qx, qy}, TopRight},
                                                  {{qx, 3 * qy}, BottomLeft}, {{3 * qx, 3 * qy}, BottomRight}};
    for (const auto &[point, colour] : expected) {
        const QColor seen = shown.pixelColor(point);
        if (!IsNear(seen, colour))
            return ::testing::AssertionFailure() << "at " << point.x() << "," << point.y() << " "
                                                 << seen.name().toStdString() << " instead of " << colour.name().toStdString();
    }
    return ::testing::AssertionSuccess();
}
}
