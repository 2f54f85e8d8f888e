#include "catalogs/layouttext.h"

#include <gtest/gtest.h>

using namespace Layout;

namespace {
QString Lines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

// One element of every kind, with values that differ from the defaults.
Catalog EveryKind()
{
    Catalog c;
    c.backgroundFile = BackgroundFile;
    c.columns = {true, false, true};
    c.fieldLabels = {{"Цена", Colors::WindowText, 8, "Arial", 10, 15}, {"Вес", 0x00FF8000, 14, "Courier New", 300, 5}};
    c.textLabels = {{"", Colors::BtnFace, 9, "Arial", 0, 0}, {"Д'Артаньян: «все»", 0x000000FF, 20, "Times", 45, 60}};
    c.memos = {{"Описание", Colors::Window, 0x00123456, 11, "Arial", 150, 100, 200, 210}};
    c.fieldImages = {{"Фото", 320, 240, 5, 5}};
    c.textImages = {{150, 100, 40, 40}, {1280, 1024, 0, 0}};
    c.frames = {{Colors::Black, 1, 65, 65, 15, 20}, {0x00C0DCC0, 5, 400, 5, 0, 100}};
    c.referenceLists = {{Colors::Default, Colors::None, 8, "Arial", 185, 89, 500, 300}};
    return c;
}
}

TEST(LayoutText, EmptyAndEveryKindWrittenReadAndWrittenAgainGiveTheSameTextLeavingOutWhatCannotBeRead)
{
    const QString text = Write(EveryKind());
    EXPECT_EQ(text, Lines({"%Background%", "Background.jpg", "%Columns%", "-1", "0", "-1",
                           "%Labels%", "Цена", "clWindowText", "8", "Arial", "10", "15",
                           "Вес", "$00FF8000", "14", "Courier New", "300", "5",
                           "%TextLabels%", "", "clBtnFace", "9", "Arial", "0", "0",
                           "Д'Артаньян: «все»", "clRed", "20", "Times", "45", "60",
                           "%Memos%", "Описание", "clWindow", "$00123456", "11", "Arial", "150", "100", "200", "210",
                           "%Images%", "Фото", "320", "240", "5", "5",
                           "%TextImages%", "TextImage0.jpg", "150", "100", "40", "40",
                           "TextImage1.jpg", "1280", "1024", "0", "0",
                           "%Shapes%", "clBlack", "1", "65", "65", "15", "20", "clMoneyGreen", "5", "400", "5", "0", "100",
                           "%GroupBoxes%", "clDefault", "clNone", "8", "Arial", "185", "89", "500", "300", "%End%"}));
    const ReadResult back = Read(text);
    EXPECT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    EXPECT_EQ(back.catalog, EveryKind());   // the text label with an empty text is kept

    // Field labels without a text and line breaks in texts are not written.
    Catalog c;
    c.fieldLabels = {{"", Colors::WindowText, 8, "Arial", 1, 2}};
    c.textLabels = {{"две\r\nстроки", Colors::WindowText, 8, "Arial", 1, 2}};
    const ReadResult cleaned = Read(Write(c));
    EXPECT_TRUE(cleaned.catalog.fieldLabels.isEmpty());
    ASSERT_EQ(cleaned.catalog.textLabels.size(), 1);
    EXPECT_EQ(cleaned.catalog.textLabels[0].text, "две  строки");

    // An empty layout is the ten markers.
    const QString expected = QStringLiteral("%Background%\r\n%Columns%\r\n%Labels%\r\n%TextLabels%\r\n%Memos%\r\n"
                                            "%Images%\r\n%TextImages%\r\n%Shapes%\r\n%GroupBoxes%\r\n%End%\r\n");
    EXPECT_EQ(Write(Catalog{}), expected);
    const ReadResult empty = Read(expected);
    EXPECT_TRUE(empty.error.isEmpty()) << empty.error.toStdString();
    EXPECT_EQ(empty.catalog, Catalog{});
    EXPECT_TRUE(IsMarker("%Memos%"));
    EXPECT_FALSE(IsMarker("%memos%")) << "a free text differing in case is no marker";
}

TEST(LayoutText, ColoursAreNamedOrHexAndReadInAnyCaseOrAsNumbers)
{
    for (const auto &[colour, text] : QList<std::pair<Color, QString>>{
             {0x00FF8000, "$00FF8000"}, {0xFF00000F, "clBtnFace"}, {0x00A4A0A0, "clMedGray"}, {0x0000000A, "$0000000A"}})
        EXPECT_EQ(ColorText(colour), text) << text.toStdString();
    // -16777201 is clBtnFace as a signed number.
    for (const auto &[text, colour] : QList<std::pair<QString, Color>>{
             {"clbtnface", 0xFF00000F}, {"CLBTNFACE", 0xFF00000F}, {"$00ff8000", 0x00FF8000}, {"16744448", 0x00FF8000}, {"-16777201", 0xFF00000F}})
        EXPECT_EQ(ParseColor(text), std::optional<Color>(colour)) << text.toStdString();
    for (const char *bad : {"", "$", "$1FFFFFFFF", "clNothing", "12px", "0x10"})
        EXPECT_FALSE(ParseColor(bad).has_value()) << bad;

    const QColor orange = ToQColor(0x00FF8000);
    EXPECT_EQ(orange, QColor(0x00, 0x80, 0xFF));
    EXPECT_EQ(FromQColor(orange), 0x00FF8000u);
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(Colors::BtnFace, QPalette::WindowText, palette), QColor(1, 2, 3));
    EXPECT_EQ(ToQColor(Colors::Window, QPalette::WindowText, palette), QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(Colors::Default, QPalette::Base, palette), QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(Colors::None).alpha(), 0);
}

TEST(LayoutText, ReadingStopsAtTheFirstBadLineKeepingWhatWasReadAndTakesNumbersAndLoneLineFeeds)
{
    // A bad value stops the reading with its line named: the designer opening a damaged catalog shows it.
    // A missing marker runs into the end of the text.
    const ReadResult cut = Read(Lines({"%Background%", "Background.jpg", "%Columns%", "0", "%Labels%", "%TextLabels%",
                                       "Надпись", "clRed", "8", "Arial", "1", "1"}));
    EXPECT_TRUE(cut.error.contains("%Memos%")) << cut.error.toStdString();
    EXPECT_EQ(cut.catalog.backgroundFile, "Background.jpg");
    EXPECT_EQ(cut.catalog.columns, QList<bool>{false});
    EXPECT_EQ(cut.catalog.textLabels.size(), 1);

    EXPECT_FALSE(Read(QString()).error.isEmpty());

    // Column lines are read as numbers, and line feeds alone are line ends.
    const ReadResult r = Read(QStringLiteral("%Background%\n%Columns%\n5\n0\n-1\n%Labels%\n%TextLabels%\n%Memos%\n"
                                             "%Images%\n%TextImages%\n%Shapes%\n%GroupBoxes%\n%End%"));
    EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_EQ(r.catalog.columns, (QList<bool>{true, false, true}));
}
