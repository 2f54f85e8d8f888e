// Pictures made in the photo tests: a scene whose every turn shows differently, stored as a camera
// stores it with an orientation tag, and the check that it is shown upright.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

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

// A JPEG as a camera writes it: an EXIF block with the orientation tag right after the start marker.
QByteArray JpegWithOrientation(const QImage &pixels, int orientation)
{
    const QByteArray jpeg = Encoded(pixels, "jpeg");
    QByteArray tiff("MM\0\x2A\0\0\0\x08", 8);                  // big-endian header, first directory at 8
    tiff += QByteArray("\0\x01", 2);                           // one entry
    tiff += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8);         // Orientation, SHORT, one value
    tiff += char(0);
    tiff += char(orientation);
    tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0');                               // no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    const quint16 length = qToBigEndian(quint16(payload.size() + 2));
    segment += QByteArray(reinterpret_cast<const char *>(&length), 2) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
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
