#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>

// A photograph-like 1920x1080 JPEG for the benchmarks: gradients, shapes and fine texture, so the file
// has a realistic size.
inline QByteArray Photo(int seed)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 120, 230));
    gradient.setColorAt(1, QColor::fromHsv((seed * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 300; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 13 + i * 7) % 360, 180, 60 + (i * 31) % 190));
        painter.drawEllipse((i * 97 + seed * 41) % 1920, (i * 61 + seed * 17) % 1080, 20 + i % 140, 15 + (i * 3) % 110);
    }
    painter.end();
    for (int y = 0; y < image.height(); y += 3)
        for (int x = (y / 3) % 4; x < image.width(); x += 4)
            image.setPixel(x, y, image.pixel(x, y) ^ 0x00101010u);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(85);
    writer.write(image);
    return data;
}
