#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/textfile.h"

TEST(TextFile, WritesUtf8WithCrLfReadsItBackRefusesALineBreakInAValueAndReadsWindows1251Lines)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Options.txt";
    WriteTextLines(path, {"-1", "", "Пароль"});
    EXPECT_EQ(FileBytes(path), QByteArray("-1\r\n\r\n") + QString("Пароль").toUtf8() + "\r\n");
    EXPECT_EQ(ReadTextLines(path), (QStringList{"-1", "", "Пароль"}));

    // A line break in a value, or a missing folder, is refused and the file kept.
    for (const QString &line : {QString("a\nb"), QString("a\r\nb"), QString("a\rb")})
        EXPECT_THROW(WriteTextLines(path, {"-1", line}), DbError);
    EXPECT_EQ(ReadTextLines(path), (QStringList{"-1", "", "Пароль"}));
    EXPECT_THROW(ReadTextLines("/nonexistent/folder/Options.txt"), DbError);
    EXPECT_THROW(WriteTextLines("/nonexistent/folder/Options.txt", {"x"}), DbError);

    // "Шаблон" in Windows-1251, then a UTF-8 line, a lone LF ending and no final line break.
    WriteFile(path, QByteArray("\xD8\xE0\xE1\xEB\xEE\xED\r\n") + QString("Ёлка").toUtf8() + "\ncr\rlast");
    EXPECT_EQ(ReadTextLines(path), (QStringList{"Шаблон", "Ёлка", "cr", "last"}));
}
