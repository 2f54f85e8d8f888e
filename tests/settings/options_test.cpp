#include "settings/options.h"

#include <gtest/gtest.h>

// The settings window reads and writes the file through these (tests/settings/form6_test.cpp); here
// only what the window's cases leave out.
TEST(Options, YesNoTakesAnyIntegerAndTrueFalseAndReadingStopsAtTheLineInError)
{
    bool ok = false;
    EXPECT_TRUE(Options::ParseYesNo("7", &ok) && ok);
    EXPECT_FALSE(Options::ParseYesNo("False", &ok));
    EXPECT_TRUE(ok);
    for (const char *bad : {"", "yes"}) {
        Options::ParseYesNo(bad, &ok);
        EXPECT_FALSE(ok) << bad;
    }
    Options::Parsed parsed = Options::Parse({"0", "0"});
    EXPECT_EQ(parsed.values.size(), 2);
    EXPECT_EQ(parsed.error, "Файл настроек: нет строки 3") << "a short file is an error at its first missing line";
    // The display format (line 10) is 0, 1 or 2.
    parsed = Options::Parse({"0", "0", "0", "0", "0", "secret", "0", "0", "0", "3"});
    EXPECT_EQ(parsed.values.size(), 9);
    EXPECT_TRUE(parsed.error.startsWith("Файл настроек, строка 10: '3'")) << parsed.error.toStdString();
}
