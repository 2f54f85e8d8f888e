#include "catalogs/elementwidgets.h"

#include <QBuffer>
#include <QImage>
#include <QScreen>
#include <gtest/gtest.h>

namespace {
QByteArray Jpeg(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return data;
}

// The same picture with its header claiming `side` × `side` pixels, as a damaged or hostile file would.
QByteArray ClaimingSide(QByteArray jpeg, int side)
{
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    if (frame < 0)
        return {};
    for (const qsizetype at : {frame + 5, frame + 7}) {
        jpeg[at] = char(side >> 8);
        jpeg[at + 1] = char(side & 0xFF);
    }
    return jpeg;
}
}

// A damaged layout can give a picture box any size and a picture any declared size: neither may make
// the catalog decode more than its screen shows, and a picture past all sense is refused with a word.
TEST(PictureElement, DecodesNoLargerThanTheScreenAndRefusesAPictureOfAbsurdSize)
{
    QWidget panel;
    auto *huge = new PictureElement(&panel);
    huge->setGeometry(0, 0, 30000, 30000);
    auto *small = new PictureElement(&panel);
    small->setGeometry(0, 0, 120, 80);
    panel.show();
    const QSize screen = panel.screen()->size();

    ASSERT_TRUE(huge->setPictureData(Jpeg({64, 64}, Qt::red)));
    EXPECT_LE(huge->shownImage().width(), screen.width());
    EXPECT_LE(huge->shownImage().height(), screen.height());
    EXPECT_FALSE(huge->pictureTooLarge());
    ASSERT_TRUE(small->setPictureData(Jpeg({640, 480}, Qt::blue)));
    EXPECT_EQ(small->shownImage().size(), QSize(120, 80)) << "a box inside the screen gets its own size";

    const QByteArray absurd = ClaimingSide(Jpeg({16, 16}, Qt::green), 30000);
    ASSERT_FALSE(absurd.isEmpty());
    EXPECT_FALSE(small->setPictureData(absurd));
    EXPECT_TRUE(small->pictureTooLarge());
    EXPECT_FALSE(small->hasPicture());
    EXPECT_EQ(PictureElement::setPictureData({huge, small}, {absurd, Jpeg({64, 64}, Qt::red)}), (QList<bool>{false, true}));
    EXPECT_TRUE(huge->pictureTooLarge());
    EXPECT_FALSE(small->pictureTooLarge());
    // A sensible picture after a refused one is shown again.
    EXPECT_TRUE(huge->setPictureData(Jpeg({64, 64}, Qt::red)));
    EXPECT_FALSE(huge->pictureTooLarge());
}
