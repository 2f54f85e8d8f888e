#include "settings/options.h"

#include <gtest/gtest.h>

TEST(Options, InitialLinesReadAsTheInitialStates)
{
    const Options::Parsed parsed = Options::Parse({"-1", "-1", "0", "0", "-1", "", "0", "-1", "-1", "0"});
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.values.size(), 10);
    const bool flags[] = {true, true, false, false, true, false, false, true, true};
    for (int i : {0, 1, 2, 3, 4, 6, 7, 8})
        EXPECT_EQ(parsed.values[i].toBool(), flags[i]) << "line " << i + 1;
    EXPECT_EQ(parsed.values[5].toString(), "");
    EXPECT_EQ(parsed.values[9].toInt(), 0);
}

TEST(Options, YesNoAcceptsAnyIntegerAndTrueFalseInAnyCase)
{
    bool ok = false;
    EXPECT_TRUE(Options::ParseYesNo("1", &ok) && ok);
    EXPECT_TRUE(Options::ParseYesNo("true", &ok) && ok);
    EXPECT_TRUE(Options::ParseYesNo("TRUE", &ok) && ok);
    EXPECT_TRUE(Options::ParseYesNo("7", &ok) && ok);
    EXPECT_FALSE(Options::ParseYesNo("0", &ok));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(Options::ParseYesNo("False", &ok));
    EXPECT_TRUE(ok);
    Options::ParseYesNo("", &ok);
    EXPECT_FALSE(ok);
    Options::ParseYesNo("yes", &ok);
    EXPECT_FALSE(ok);
}

TEST(Options, ReadingStopsAtTheFirstBadLine)
{
    Options::Parsed parsed = Options::Parse({"0", "0", "maybe", "-1"});
    EXPECT_EQ(parsed.values.size(), 2);
    EXPECT_TRUE(parsed.error.contains("3")) << parsed.error.toStdString();

    parsed = Options::Parse({"0", "0", "0", "0", "0", "secret", "0", "0", "0", "x"});
    EXPECT_EQ(parsed.values.size(), 9);
    EXPECT_EQ(parsed.values[5].toString(), "secret");
    EXPECT_FALSE(parsed.error.isEmpty());

    parsed = Options::Parse({"0", "0"});
    EXPECT_EQ(parsed.values.size(), 2);
    EXPECT_FALSE(parsed.error.isEmpty()) << "a short file is an error at its first missing line";
}

TEST(Options, ComposeKeepsTheLinesAfterTheTenth)
{
    const QVector<QVariant> values = {true, false, true, false, true, QString("p'w"), false, true, false, 2};
    const QStringList written = Options::Compose(values, {"1", "1", "1", "1", "1", "", "1", "1", "1", "1", "extra", "more"});
    EXPECT_EQ(written, (QStringList{"-1", "0", "-1", "0", "-1", "p'w", "0", "-1", "0", "2", "extra", "more"}));
}
