#include "core/typednumber.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

class TypedNumberTest : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void TearDown() override { QLocale::setDefault(saved); }
    const QLocale saved;
};

// A reason (nullptr for a number taken) and, for a number taken, its value.
TEST_F(TypedNumberTest, RealsTakeTheInterfaceCommaOrAPointAndRefuseAmbiguousOrForeignTextWithAReasonNamingTheField)
{
    const struct { const char *typed; double value; const char *reason; } cases[] = {
        {"12,5", 12.5}, {"12.5", 12.5}, {" -0,001 ", -0.001}, {",5", 0.5}, {"7,", 7}, {"+3", 3},
        {"1,5e-3", 0.0015}, {"1e+09", 1e9}, {"123456789,123456", 123456789.123456}, {"0,3333333333333333", 1.0 / 3}, {"-0", 0},
        {"\u22122,5", -2.5},
        {"12,5,3", 0, "только один десятичный знак"}, {"12.5,3", 0, "только один десятичный знак"},
        {"1 234,5", 0, "без пробелов и разделителей разрядов"}, {"1\u00a0234,5", 0, "без пробелов и разделителей разрядов"},
        {"12кг", 0, "не является числом"}, {"", 0, "Введите число в поле"}, {"e5", 0, "не является числом"},
        {"1e", 0, "не является числом"}, {"1,00000000000000001", 0, "не сохраняется точно"},
        {"1e400", 0, "слишком велико"}, {"1e-400", 0, "слишком мало"}, {"inf", 0, "не является числом"}};
    for (const auto &c : cases) {
        const TypedReal read = ReadTypedReal(QString::fromUtf8(c.typed), "Вес");
        EXPECT_EQ(read.ok, !c.reason) << c.typed << " " << read.error.toStdString();
        if (!c.reason) {
            EXPECT_EQ(read.value, c.value) << c.typed;
            EXPECT_TRUE(read.error.isEmpty()) << c.typed;
        } else {
            EXPECT_TRUE(read.error.contains(QString::fromUtf8(c.reason)) && read.error.contains("\"Вес\""))
                << c.typed << ": " << read.error.toStdString();
        }
    }
}

TEST_F(TypedNumberTest, IntegersTakeDigitsOnly)
{
    EXPECT_EQ(ReadTypedInteger(" -42 ").value, -42);
    EXPECT_EQ(ReadTypedInteger("007").value, 7);
    EXPECT_TRUE(ReadTypedInteger("000000000000000000000001").ok);
    EXPECT_TRUE(ReadTypedInteger("12,5", "Год").error.contains("дробная часть здесь не допускается"));
    EXPECT_TRUE(ReadTypedInteger("1 000").error.contains("например 1234."));
    EXPECT_TRUE(ReadTypedInteger("99999999999999999999").error.contains("слишком велико"));
    EXPECT_FALSE(ReadTypedInteger("1e3").ok);
    EXPECT_FALSE(ReadTypedInteger("-").ok);
}

TEST_F(TypedNumberTest, WhereTheCommaGroupsDigitsItIsRefusedNotRead)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ReadTypedReal("12.5").value, 12.5);
    const TypedReal grouped = ReadTypedReal("1,234");
    EXPECT_FALSE(grouped.ok);
    EXPECT_TRUE(grouped.error.contains("разделителей разрядов")) << grouped.error.toStdString();
}

TEST_F(TypedNumberTest, AStoredRealIsShownAsItIsTypedAndReadsBackTheSame)
{
    EXPECT_EQ(TypedRealText(12.5), "12,5");
    EXPECT_EQ(TypedRealText(1234567.25), "1234567,25");
    EXPECT_EQ(TypedRealText(1e9), "1000000000");
    for (const double value : {0.1, -2.5e-7, 999999999.123456, 1.0 / 3})
        EXPECT_EQ(ReadTypedReal(TypedRealText(value)).value, value) << TypedRealText(value).toStdString();
}

}
