#include "core/dberror.h"
#include "core/textfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TextFile, WritesUtf8WithCrLfReadsItBackAndRefusesALineBreakInAValue)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Options.txt";
    WriteTextLines(path, {"-1", "", "Пароль"});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("-1\r\n\r\n") + QString("Пароль").toUtf8() + "\r\n");
    EXPECT_EQ(ReadTextLines(path), (QStringList{"-1", "", "Пароль"}));

    // A line break in a value, or a missing folder, is refused and the file kept.
    for (const QString &line : {QString("a\nb"), QString("a\r\nb"), QString("a\rb")})
        EXPECT_THROW(WriteTextLines(path, {"-1", line}), DbError);
    EXPECT_EQ(ReadTextLines(path), (QStringList{"-1", "", "Пароль"}));
    EXPECT_THROW(ReadTextLines("/nonexistent/folder/Options.txt"), DbError);
    EXPECT_THROW(WriteTextLines("/nonexistent/folder/Options.txt", {"x"}), DbError);
}

TEST(TextFile, FallsBackToWindows1251ForLinesThatAreNotUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Samples.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // "Шаблон" in Windows-1251, then a UTF-8 line, a lone LF ending and no final line break.
    file.write("\xD8\xE0\xE1\xEB\xEE\xED\r\n");
    file.write(QString("Ёлка").toUtf8() + "\n");
    file.write("cr\rlast");
    file.close();
    EXPECT_EQ(ReadTextLines(path), (QStringList{"Шаблон", "Ёлка", "cr", "last"}));
}
