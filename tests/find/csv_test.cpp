#include "support/testsupport.h"
#include "find/findtest.h"

#include "core/dberror.h"
#include "objects/csvfile.h"
#include "objects/objectexport.h"
#include "objects/objectfilter.h"
#include "objects/objectimport.h"

#include <QDate>
#include <QTime>

namespace {
// The bytes of `text` in Windows-1251 (Russian letters and ASCII only) and in UTF-16 with its mark.
QByteArray Cp1251(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes += c == QChar(0x0401) ? '\xa8' : c == QChar(0x0451) ? '\xb8' : c.unicode() >= 0x0410 ? char(c.unicode() - 0x0410 + 0xc0) : char(c.unicode());
    return bytes;
}

QByteArray Utf16(const QString &text, bool bigEndian = false)
{
    QByteArray bytes(bigEndian ? "\xfe\xff" : "\xff\xfe");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xff);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

QList<QStringList> fieldsOf(const CsvDocument &document)
{
    QList<QStringList> rows;
    for (const CsvRecord &record : document.records)
        rows << record.fields;
    return rows;
}
}

TEST(CsvFile, EncodingsDelimiterAndLineNumbersAreFoundFromTheFile)
{
    // Windows-1251 without a mark, commas, blank lines between records.
    const QByteArray cp1251 = Cp1251("Название,Цвет\r\n\r\nЕлка,\"красный; тёмный\"\r\n");
    const CsvDocument document = ParseCsv(cp1251);
    EXPECT_EQ(document.delimiter, ',');
    EXPECT_EQ(fieldsOf(document), (QList<QStringList>{{"Название", "Цвет"}, {"Елка", "красный; тёмный"}}));
    // UTF-8 without a mark, LF only, no final line end.
    const CsvDocument plain = ParseCsv(QString("a;b\n1;2\n3;4").toUtf8());
    EXPECT_EQ(fieldsOf(plain), (QList<QStringList>{{"a", "b"}, {"1", "2"}, {"3", "4"}}));
    EXPECT_EQ(plain.records[2].line, 3);
    EXPECT_TRUE(plain.encodingSure);

    // UTF-8 with one stray byte stays UTF-8, but the user is asked; the other reading is at hand.
    const QByteArray mostlyUtf8 = QString("Имя;Вес\r\nЁлка;1\r\nЛожка;2\r\n").toUtf8() + "\xc0;3\r\n";
    const CsvDocument unsure = ParseCsv(mostlyUtf8);
    EXPECT_EQ(unsure.encoding, CsvEncoding::Utf8);
    EXPECT_FALSE(unsure.encodingSure);
    EXPECT_EQ(unsure.records[1].fields, (QStringList{"Ёлка", "1"}));
    EXPECT_EQ(ParseCsv(mostlyUtf8, CsvEncoding::Windows1251).records[3].fields, (QStringList{"А", "3"}));
    // The same behind a UTF-8 mark: the mark does not make the stray byte sure.
    EXPECT_FALSE(GuessCsvEncoding(CsvByteOrderMark + mostlyUtf8).sure);
    EXPECT_TRUE(GuessCsvEncoding(CsvByteOrderMark + QString("Ёлка").toUtf8()).sure);
    EXPECT_EQ(GuessCsvEncoding(cp1251).encoding, CsvEncoding::Windows1251);
    EXPECT_TRUE(GuessCsvEncoding(cp1251).sure);

    // UTF-16 big-endian with its mark (the little-endian one is read in the large file's case).
    const CsvDocument utf16 = ParseCsv(Utf16("Имя;Вес\r\nЁлка;1,5\r\n", true));
    EXPECT_EQ(utf16.encoding, CsvEncoding::Utf16);
    EXPECT_EQ(fieldsOf(utf16), (QList<QStringList>{{"Имя", "Вес"}, {"Ёлка", "1,5"}}));

    // A header with commas in a ";" file: the rows decide with it.
    EXPECT_EQ(ParseCsv("Габариты, мм, дюймы;Имя\r\n1;a\r\n2;b\r\n").delimiter, ';');
    EXPECT_EQ(ParseCsv("Имя,Вес\r\nВаза,\"12,5\"\r\n").delimiter, ',');
    const QString openQuote = FailureOf([] { ParseCsv("a;b\n\"open;2\n"); });
    EXPECT_TRUE(openQuote.contains("строке 2")) << openQuote.toStdString();
}

// A file is read a piece at a time: records, letters and line ends cut by the pieces' edges come out as
// from the text read whole, in each encoding.
TEST(CsvFile, ALargeFileReadsPieceByPieceAsIfWhole)
{
    QList<QStringList> expected{{"Имя", "Заметка"}};
    QList<int> lines{1};
    QString text = "Имя;Заметка\r\n";
    int line = 2;
    // Some CRs are the last byte of a piece in the one-byte reading, their LFs the first of the next.
    QList<int> pieceEnds{65536, 2 * 65536, 3 * 65536};
    for (int i = 0; text.size() < 300000; ++i) {
        if (!pieceEnds.isEmpty() && text.size() + 300 > pieceEnds.first()) {
            const QString filler(pieceEnds.takeFirst() - text.size() - 3, QChar(0x0416));
            text += "x;" + filler + "\r\n";
            expected << QStringList{"x", filler};
            lines << line++;
        }
        const QString note = QString(i % 97, QChar(0x0410 + i % 40)) + (i % 5 == 0 ? "\r\nвторая строка; \"цитата\"" : "");
        text += QStringLiteral("Ёж %1;\"%2\"\r\n").arg(i).arg(QString(note).replace("\"", "\"\""));
        expected << QStringList{QStringLiteral("Ёж %1").arg(i), note};
        lines << line;
        line += i % 5 == 0 ? 2 : 1;
        if (i % 7 == 0) {
            text += "\r\n";
            ++line;
        }
    }
    const QTemporaryDir folder;
    for (const auto &[encoding, bytes] : {std::pair{CsvEncoding::Utf8, text.toUtf8()}, std::pair{CsvEncoding::Windows1251, Cp1251(text)},
                                          std::pair{CsvEncoding::Utf16, Utf16(text)}}) {
        const QString path = folder.filePath(QStringLiteral("big%1.csv").arg(int(encoding)));
        WriteFile(path, bytes);
        CsvReader reader(path);
        EXPECT_EQ(reader.encoding(), encoding);
        EXPECT_TRUE(reader.encodingSure());
        QList<QStringList> read;
        QList<int> readLines;
        for (CsvRecord record; reader.next(record);) {
            read << record.fields;
            readLines << record.line;
        }
        EXPECT_TRUE(read == expected) << "encoding " << int(encoding);
        EXPECT_TRUE(readLines == lines) << "encoding " << int(encoding);
        EXPECT_EQ(reader.bytesRead(), reader.size());
        EXPECT_EQ(ReadCsvHead(path).dataRecords, expected.size() - 1);
        EXPECT_EQ(ReadCsvRecord(path, encoding, 1000).fields, expected[1000]);
    }
}

namespace {
class CsvObjectsTest : public DatabaseTest
{
protected:
    const RussianLocale russian;
    // The same fields in a database of their own, as an empty copy of this one.
    void makeFields(TDModule &target)
    {
        const QList<std::pair<QString, int>> fields{{"Название", StringType}, {"Цвет, оттенок", StringType}, {"Номер", IntegerType},
                                                    {"Масса", RealType}, {"Дата", DateType}, {"Время", TimeType},
                                                    {"Есть", BooleanType}, {"Фото", ImageType}};
        for (const auto &[name, type] : fields)
            addField(target, name, type, name == "Цвет, оттенок");
    }
    static void openList(TDModule &source, const ListOrder &order = ListOrder::unsorted())
    {
        ObjectList &list = ObjectList::Of(source);
        list.compose();
        list.sortBy(order);
    }
    QList<QStringList> objectsOf(TDModule &source)
    {
        const QList<DescriptionField> fields = ReadDescriptionFields(source);
        openList(source);
        QList<QStringList> objects;
        SharedQuery &list = *source.QRGeneral;
        for (bool more = list.first(); more; more = list.next()) {
            QStringList values;
            for (const DescriptionField &field : fields) {
                if (field.kind() != FieldKind::Image)
                    values << ExchangeText(field, list.value(field.listColumn()));
            }
            objects << values;
        }
        list.close();
        return objects;
    }
    int importInto(TDModule &target, const QString &path, ImportCheck *checkOut = nullptr, bool skip = false)
    {
        const CsvDocument head = ReadCsvHead(path);
        const QList<DescriptionField> fields = ReadDescriptionFields(target);
        const CsvImportSource source{path, head.encoding, head.encodingSure, MatchCsvHeader(head.records.first().fields, fields)};
        const ImportCheck check = CheckCsvImport(source, fields);
        if (checkOut)
            *checkOut = check;
        return WriteImportedObjects(target, source, fields, check, skip);
    }
    QString csvPath(const QString &name) const { return folder->path() + '/' + name; }
    static QStringList problemTexts(const ImportCheck &check)
    {
        QStringList texts;
        for (const ImportProblem &problem : check.problems)
            texts << problem.text();
        return texts;
    }
};
}

TEST_F(CsvObjectsTest, ExportThenImportIntoAnEmptyCopyGivesTheSameObjects)
{
    makeFields(*module);
    const auto add = [&](qint64 id, const QStringList &texts, const QDate &date, const QTime &time, bool yes) {
        InsertValues(*module, id, {texts[0], texts[1], texts[2], texts[3], date, time, yes});
    };
    add(1, {"007", "красный; тёмный", "-5", "2.5"}, QDate(2024, 2, 29), QTime(7, 5, 0), true);
    // Each mark that needs quotes alone in one value: a quote, a line break, spaces at the ends.
    add(2, {"Он сказал \"да\"", "синий", "1000000000", "0.1"}, QDate(), QTime(), false);
    add(7, {"две\nстроки", "синий", "0", "0"}, QDate(), QTime(), false);
    add(3, {" с пробелами ", "красный; тёмный", "0", "-1234.125"}, QDate(1900, 1, 1), QTime(23, 59, 59), true);
    // Texts a spreadsheet would run as formulas, one already behind an apostrophe, and one of spaces only.
    add(4, {"=HYPERLINK(\"http://x\",\"y\")", "@SUM(1)", "0", "0"}, QDate(), QTime(), false);
    add(5, {"'=1+1", "   ", "0", "0"}, QDate(), QTime(), false);
    add(6, {"-минус", "'просто", "0", "0"}, QDate(), QTime(), false);
    const QList<QStringList> before = objectsOf(*module);

    for (const char delimiter : {';', ','}) {
        openList(*module);
        const QString path = csvPath(QStringLiteral("list%1.csv").arg(delimiter));
        EXPECT_EQ(ExportObjectList(*module, *module->QRGeneral, GridFields(*module), {delimiter, false}, path), 7);
        const QByteArray bytes = FileBytes(path);
        EXPECT_TRUE(bytes.startsWith(CsvByteOrderMark));
        EXPECT_TRUE(bytes.contains("\"Цвет, оттенок\"")) << "a title holding a comma is quoted whatever the delimiter";
        const CsvDocument written = ParseCsv(bytes);
        EXPECT_EQ(written.records[4].fields.mid(0, 2), (QStringList{"'=HYPERLINK(\"http://x\",\"y\")", "'@SUM(1)"}));
        EXPECT_EQ(written.records[5].fields.mid(0, 2), (QStringList{"''=1+1", "   "}));
        EXPECT_EQ(written.records[6].fields.mid(0, 3), (QStringList{"'-минус", "'просто", "0"}));
        EXPECT_TRUE(bytes.contains(QByteArray(1, delimiter) + "-5" + delimiter)) << "a negative number stays a number";
        EXPECT_TRUE(bytes.contains(QString("007%1").arg(delimiter).toUtf8()));
        // The ";" file is for Russian spreadsheets: decimal comma and dd.MM.yyyy; the "," one in ISO form.
        const bool russian = delimiter == ';';
        EXPECT_TRUE(bytes.contains(russian ? "29.02.2024" : "2024-02-29"));
        EXPECT_TRUE(bytes.contains(russian ? "-1234,125" : "-1234.125"));

        TDModule copy;
        copy.OpenConnection(folder->newDatabase(QStringLiteral("copy%1.mdb").arg(delimiter)));
        makeFields(copy);
        EXPECT_EQ(importInto(copy, path), 7);
        EXPECT_EQ(objectsOf(copy), before);
        copy.CloseConnection();
    }
}

TEST_F(CsvObjectsTest, TheExportFollowsTheListAndCanAddTheParameters)
{
    makeFields(*module);
    makeBook(1, "Страна", {{1, "Россия", "", 0}});
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    for (int id = 1; id <= 3; ++id)
        InsertValues(*module, id, {QStringLiteral("объект %1").arg(id), "x", QString::number(id), "1"});
    exec("INSERT INTO LINKS VALUES(1, 2, 1, 1, 'много', 0)");
    ObjectList &list = ObjectList::Of(*module);
    list.compose();
    exec("INSERT INTO LINKS VALUES(2, 3, 1, 1, 'мало', 0)");
    list.applyFilter({FilterCondition(*module, 1, 1)});
    ListOrder byNumberDown = ListOrder::unsorted();
    byNumberDown.descending = true;
    list.sortBy(byNumberDown);
    const QString path = csvPath("filtered.csv");
    const QList<DescriptionField> columns{fields[2], fields[0]};   // shown in this order, the rest hidden
    ASSERT_EQ(ExportObjectList(*module, *module->QRGeneral, columns, {';', true}, path), 2);
    EXPECT_EQ(fieldsOf(ParseCsv(FileBytes(path))),
              (QList<QStringList>{{"Номер", "Название", "Параметры"}, {"3", "объект 3", "Страна: Россия = мало"}, {"2", "объект 2", "Страна: Россия = много"}}));
}

TEST_F(CsvObjectsTest, BadValuesAndUnknownHeadersAreReportedByLineAndColumnAndNothingIsWrittenOrChanged)
{
    makeFields(*module);
    const QString fiftySeven = QString(57, QChar(0x0416));
    const QString fifty = QString(50, QChar(0x0416));
    QByteArray text = "Название;Цена;Дата;Номер;Масса;\"Цвет, оттенок\"\r\n";
    text += QString("%1;99;01.03.2024;1;12,5;зелёный\r\n").arg(fifty).toUtf8();        // line 2: all kept exactly
    text += QString("%1;99;01.03.2024;2;1;зелёный\r\n").arg(fiftySeven).toUtf8();      // line 3: name too long
    text += QString("короткое;99;01.03.2024;3;1;%1\r\n").arg(fiftySeven).toUtf8();     // line 4: lookup text too long
    text += "число;99;01.03.2024;4;1 234,5;зелёный\r\n";                               // line 5: digit groups
    text += "число;99;01.03.2024;5;12,5,3;зелёный\r\n";                                // line 6: two decimal signs
    text += "число;99;31.02.2024;6;1;зелёный\r\n";                                     // line 7: no such day
    text += "число;99;01.03.2024;7;2.25;зелёный\r\n";                                  // line 8: a point is read too
    WriteFile(csvPath("bad.csv"), text);
    ImportCheck plan;
    EXPECT_THROW(importInto(*module, csvPath("bad.csv"), &plan), DbError);
    const QStringList problems = problemTexts(plan);
    EXPECT_EQ(problems, (QStringList{"Строка 3, столбец 1: Текст поля \"Название\" длиннее 50 символов (57 символов)",
                                     "Строка 4, столбец 6: Текст поля \"Цвет, оттенок\" длиннее 50 символов (57 символов)",
                                     "Строка 5, столбец 5: Значение \"1 234,5\" поля \"Масса\" не принято: введите число без "
                                     "пробелов и разделителей разрядов, например 1234,5.",
                                     "Строка 6, столбец 5: Значение \"12,5,3\" поля \"Масса\" не принято: в числе может быть "
                                     "только один десятичный знак.",
                                     "Строка 7, столбец 3: Значение \"31.02.2024\" поля \"Дата\" не является датой"}))
        << problems.join(" | ").toStdString();
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1 WHERE L%1_ID > 0").arg(ReadDescriptionFields(*module)[1].id)), 0);

    // Skipping the listed rows writes the others, exactly; the column "Цена" names no field and is left out.
    EXPECT_EQ(MatchCsvHeader({"Товар", "Цена"}, ReadDescriptionFields(*module)), (QList<int>{-1, -1}));
    EXPECT_EQ(importInto(*module, csvPath("bad.csv"), nullptr, true), 2);
    EXPECT_EQ(rows("SELECT G1, G4 FROM GENER ORDER BY G3"), (QList<QVariantList>{{fifty, 12.5}, {"число", 2.25}}));
    EXPECT_EQ(scalar("SELECT COUNT(DISTINCT G2) FROM GENER").toInt(), 1) << "one new lookup entry for all rows";

    // A required value left out is refused through the menu (ListMenuTest.TheMenuExportsTheListAndImportsItBack...).
    // The file is read again for writing: changed since the check, it is refused whole.
    const QByteArray good = "Название;Номер;Масса;\"Цвет, оттенок\"\r\nчай;1;0,5;зелёный\r\n";
    WriteFile(csvPath("changing.csv"), good);
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    const CsvImportSource source{csvPath("changing.csv"), CsvEncoding::Utf8, true, MatchCsvHeader({"Название", "Номер", "Масса", "Цвет, оттенок"}, fields)};
    const ImportCheck checked = CheckCsvImport(source, fields);
    ASSERT_EQ(checked.failingRows, 0) << checked.problems.value(0).text().toStdString();
    WriteFile(csvPath("changing.csv"), good + "кофе;2;1;зелёный\r\n");
    EXPECT_THROW(WriteImportedObjects(*module, source, fields, checked, false), DbError);
    EXPECT_EQ(count("SELECT * FROM GENER"), 2);
    // A check the user stopped writes nothing, even with failing rows to be skipped.
    QByteArray many = good;
    for (int i = 0; i < 2500; ++i)
        many += "чай;1;0,5;зелёный\r\n";
    WriteFile(csvPath("changing.csv"), many);
    const ImportCheck stopped = CheckCsvImport(source, fields, [](int done) { return done < 1000; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.rows, 1000);
    EXPECT_THROW(WriteImportedObjects(*module, source, fields, stopped, true), DbError);
    EXPECT_EQ(count("SELECT * FROM GENER"), 2);

    // A UTF-8 file with one line in Windows-1251, read as UTF-8: that line is refused, never stored with
    // replacement marks.
    WriteFile(csvPath("mixed.csv"), QString("Название;\"Цвет, оттенок\";Номер;Масса\r\nВаза;синий;1;1\r\n").toUtf8()
                                        + "\xd9\xe8\xf2;" + QString("синий;2;1\r\n").toUtf8());
    EXPECT_THROW(importInto(*module, csvPath("mixed.csv"), &plan), DbError);
    EXPECT_EQ(problemTexts(plan), QStringList{"Строка 3, столбец 1: значение поля \"Название\" не читается в выбранной "
                                              "кодировке файла: выберите другую кодировку"});
}
