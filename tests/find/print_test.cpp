#include "objects/windowsteps.h"
#include "find/findtest.h"

#include "core/dberror.h"
#include "objects/csvdialogs.h"
#include "objects/csvfile.h"
#include "objects/objectlinks.h"
#include "objects/objectprint.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <numeric>

namespace {
// Text of a PDF page (0: every page) as poppler reads it back.
QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString &path, int page = 0)
{
    const QString n = QString::number(page);
    return output("pdftotext", (page > 0 ? QStringList{"-layout", "-f", n, "-l", n} : QStringList{"-layout"}) << path << "-");
}

int pdfPages(const QString &path)
{
    for (const QString &line : output("pdfinfo", {path}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

using PrintTest = DatabaseTest;
}

TEST_F(PrintTest, AThreePageListRepeatsItsHeaderAndNumbersItsPages)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 notes = addField(*module, "Заметки", LongTextType);
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 400) INSERT INTO GENER "
                        "(G_ID, G%1, G%2, G%3) SELECT I, 'объект ' || I, I, 'не печатается' FROM N").arg(name).arg(number).arg(notes));
    ObjectList::Of(*module).compose();
    ObjectList::Of(*module).open();
    ListPrintout printout = ObjectListPrintout(*module->QRGeneral, GridFields(*module), "Список объектов");
    ASSERT_EQ(printout.rowCount, 400);
    const QString path = folder->path() + "/list.pdf";
    // The fewest rows that fill three pages, found by laying the list out.
    int pages = 0;
    for (int rows = 40; rows <= 400 && pages != 3; rows += 5) {
        printout.rowCount = rows;
        pages = WritePdf(path, printout.title, [&](QPagedPaintDevice &device) { return PaintListPages(device, printout); });
    }
    ASSERT_EQ(pages, 3);
    EXPECT_EQ(pdfPages(path), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString text = pdfText(path, page);
        EXPECT_TRUE(text.contains("Название") && text.contains("Номер")) << "no header on page " << page;
        EXPECT_TRUE(text.contains(QStringLiteral("Страница %1 из 3").arg(page))) << text.toStdString();
        EXPECT_FALSE(text.contains("Заметки"));
    }
    EXPECT_TRUE(pdfText(path, 1).contains("Список объектов"));
    EXPECT_TRUE(pdfText(path, 1).contains("объект 1 "));
    EXPECT_TRUE(pdfText(path, 3).contains(QStringLiteral("объект %1").arg(printout.rowCount)));
}

namespace {
// A list printout made of fixed texts.
ListPrintout fixedList(const QStringList &headers, const QList<QStringList> &rows)
{
    ListPrintout printout;
    printout.title = "Список объектов";
    printout.headers = headers;
    printout.rowCount = int(rows.size());
    printout.row = [rows](int row) { return rows[row]; };
    return printout;
}
}

TEST_F(PrintTest, ColumnsKeepTheirWordsWholeAndAWideListTurnsThePageShowingEveryValueWhole)
{
    const ListPrintout narrow = fixedList({"Вес", "Состояние"}, {{"12,7", "Удовлетворительное"}, {"3", "Хорошее"}});
    const ListColumnNeeds fits = MeasureListColumns(narrow);
    EXPECT_EQ(FitListColumns(fits, 500), fits.oneLine);
    QPdfWriter writer(folder->path() + "/narrow.pdf");
    writer.setPageSize(QPageSize(QPageSize::A4));
    EXPECT_EQ(ChooseListOrientation(writer, narrow), QPageLayout::Portrait);

    // Five columns of long texts beside a number with digit groups (joined by a no-break space): too wide
    // for a portrait page on one line each.
    QStringList headers{"Вес"}, texts{QLocale(QLocale::Russian, QLocale::Russia).toString(1234.5, 'g', QLocale::FloatingPointShortest)};
    for (int i = 0; i < 5; ++i) {
        headers << QStringLiteral("Примечание %1").arg(i);
        texts << "Удовлетворительное состояние, требуется реставрация";
    }
    const ListPrintout wide = fixedList(headers, {texts, texts});
    const ListColumnNeeds needs = MeasureListColumns(wide);
    EXPECT_EQ(needs.longestWord[0], needs.oneLine[0]) << "a number is one word, however it is grouped";
    const double page = 700;
    ASSERT_GT(needs.oneLineTotal(), page);
    const QList<double> widths = FitListColumns(needs, page);
    EXPECT_NEAR(std::accumulate(widths.cbegin(), widths.cend(), 0.0), page, 0.01);
    EXPECT_GE(widths[0], needs.oneLine[0] - 0.01) << "the number keeps its whole width";
    // Even where the words alone are wider than the page, the page is shared, not overrun.
    const QList<double> cramped = FitListColumns(needs, 100);
    EXPECT_NEAR(std::accumulate(cramped.cbegin(), cramped.cend(), 0.0), 100, 0.01);

    // Printed, the list turns the page and wrapped texts keep every word.
    const QString path = folder->path() + "/wide.pdf";
    WritePdf(path, wide.title, [&](QPagedPaintDevice &device) {
        ChooseListOrientation(device, wide);
        return PaintListPages(device, wide);
    });
    const QRegularExpressionMatch size = QRegularExpression("Page size: *([0-9.]+) x ([0-9.]+)").match(output("pdfinfo", {path}));
    ASSERT_TRUE(size.hasMatch());
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble()) << "a landscape page";
    const QString text = pdfText(path);
    EXPECT_FALSE(text.contains(QChar(0x2026))) << text.toStdString();
    EXPECT_EQ(text.count("234,5"), 2) << text.toStdString();
    for (const char *word : {"состояние,", "Удовлетворительное", "реставрация"})
        EXPECT_EQ(text.count(word), 10) << word << " in " << text.toStdString();
}

TEST_F(PrintTest, TheCardHoldsEveryFieldItsPictureAndItsParameters)
{
    const QStringList captions{"Название", "Цвет", "Масса", "Дата", "Есть", "Описание", "Фото"};
    const QList<int> types{StringType, StringType, RealType, DateType, BooleanType, LongTextType, ImageType};
    for (int i = 0; i < captions.size(); ++i)
        addField(*module, captions[i], types[i], i == 1);
    makeBook(1, "Страна", {{1, "Россия", "", 0}});
    InsertValues(*module, 1, {"Самовар", "медный", "3.5", QDate(1890, 5, 17), true, "Тульский\nс клеймом", PictureBytes(Qt::darkGreen, QSize(120, 80))});
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    AddObjectLink(*module, "1", 1, 1, "1890", 0);
    ObjectList::Of(*module).compose();
    ObjectList::Of(*module).open();
    const CardPrintout card = ObjectCardPrintout(*module, *module->QRGeneral, fields, "Объект: Самовар");
    const QString path = folder->path() + "/card.pdf";
    EXPECT_EQ(WritePdf(path, card.title, [&](QPagedPaintDevice &device) { return PaintCardPages(device, card); }), 1);
    const QString text = pdfText(path);
    for (const QString &caption : captions)
        EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
    for (const QString &value : QStringList{"Самовар", "медный", "Да", "Тульский", "с клеймом", "Страна: Россия = 1890"})
        EXPECT_TRUE(text.contains(value)) << value.toStdString();
    EXPECT_EQ(output("pdfimages", {"-list", path}).trimmed().split('\n').size(), 3) << "one picture";
}

namespace {
class ListMenuTest : public AppTest
{
protected:
    // Triggers the list menu's item `name`, answering every message box; returns the boxes' texts.
    static QStringList runMenuItem(const char *name)
    {
        MessageBoxAnswerer boxes(QMessageBox::Ok);
        Control<QAction>(Form2, name)->trigger();
        return boxes.texts();
    }
};
}

TEST_F(ListMenuTest, TheMenuExportsTheListAndImportsItBackWithTheUsersMatching)
{
    addField(*module, "Название", StringType);
    addField(*module, "Номер", IntegerType);
    InsertValues(*module, 1, {"чайник", "1"});
    InsertValues(*module, 2, {"Чашка", "2"});
    InsertValues(*module, 3, {"блюдце", "3"});
    ViewFill::Enter(3);
    TypeKeys(Control<QLineEdit>(Form2, "SearchEdit"), "ча");
    ASSERT_TRUE(WaitFor([] { return ViewFill::Grid()->model()->rowCount() == 2; }));

    const QString path = folder->path() + "/export.csv";
    AnswerNextDialog<CsvExportDialog>([](CsvExportDialog *dialog) {
        Control<QRadioButton>(dialog, "CommaRadio")->setChecked(true);
        dialog->findChild<QPushButton *>("ExportOkBtn")->click();
    });
    ChooseFileInNextDialog(path);
    EXPECT_EQ(runMenuItem("ExportCsvItem"), QStringList{"Записано объектов: 2"});
    EXPECT_EQ(FileBytes(path), CsvByteOrderMark + "Название,Номер\r\nчайник,1\r\nЧашка,2\r\n");

    // Back in: the number column is left out by the user, so the new objects lack a required value.
    ChooseFileInNextDialog(path);
    AnswerNextDialog<CsvImportDialog>([](CsvImportDialog *dialog) {
        dialog->fieldBox(1)->setCurrentIndex(0);
        dialog->findChild<QPushButton *>("ImportOkBtn")->click();
    });
    const QStringList refused = runMenuItem("ImportCsvItem");
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains("Строка 2: не заполнено поле \"Номер\"")) << refused.first().toStdString();
    EXPECT_EQ(count("SELECT * FROM GENER"), 3);
    // With the matching the file names, both rows come in.
    ChooseFileInNextDialog(path);
    AnswerNextDialog<CsvImportDialog>([](CsvImportDialog *dialog) { dialog->findChild<QPushButton *>("ImportOkBtn")->click(); });
    EXPECT_EQ(runMenuItem("ImportCsvItem"), QStringList{"Добавлено объектов: 2"});
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G1 = 'Чашка'"), 2);
    // The list shows the new objects under the search still typed.
    EXPECT_TRUE(WaitFor([] { return ViewFill::Grid()->model()->rowCount() == 4; }));

    // A Windows-1251 file with a pair of bytes that is also UTF-8: both readings are offered, the likelier
    // one chosen; the user looks at the other and comes back with the keys.
    const QString mixed = folder->path() + "/mixed.csv";
    WriteFile(mixed, "\xcd\xe0\xe7\xe2\xe0\xed\xe8\xe5;\xcd\xee\xec\xe5\xf0\r\n\xc6\xa8\xcb\xd2\xdb\xc9;7\r\n");
    QStringList readings, headersSeen;
    ChooseFileInNextDialog(mixed);
    AnswerNextDialog<CsvImportDialog>([&](CsvImportDialog *dialog) {
        QComboBox *box = Control<QComboBox>(dialog, "EncodingBox");
        readings = ItemTexts(box);
        headersSeen << box->currentText() << Control<QTableWidget>(dialog, "ColumnsTable")->item(0, 0)->text();
        QTest::keyClick(box, Qt::Key_Up);
        headersSeen << box->currentText() << Control<QTableWidget>(dialog, "ColumnsTable")->item(0, 0)->text();
        QTest::keyClick(box, Qt::Key_Down);
        headersSeen << Control<QTableWidget>(dialog, "ColumnsTable")->item(0, 0)->text();
        dialog->findChild<QPushButton *>("ImportOkBtn")->click();
    });
    EXPECT_EQ(runMenuItem("ImportCsvItem"), QStringList{"Добавлено объектов: 1"});
    ASSERT_EQ(readings.size(), 2);
    // The line shown is the first the UTF-8 reading cannot read whole.
    EXPECT_TRUE(readings[0].startsWith("UTF-8, строка 1: ") && readings[0].contains(QChar::ReplacementCharacter))
        << readings[0].toStdString();
    EXPECT_EQ(readings[1], "Windows-1251, строка 1: Название;Номер");
    // Each reading shows its own header; back on the first, its header again.
    EXPECT_EQ(headersSeen, (QStringList{readings[1], "Название", readings[0], QString::fromUtf8("\xcd\xe0\xe7\xe2\xe0\xed\xe8\xe5"), "Название"}));
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G1 = 'ЖЁЛТЫЙ' AND G2 = 7"), 1);
}

TEST_F(PrintTest, AScreenIsSavedAsAPictureOrAOnePagePdf)
{
    QLabel screen("Каталог: экран объекта");
    screen.resize(320, 200);
    const QString png = folder->path() + "/screen.png", pdf = folder->path() + "/screen.pdf";
    SaveScreenPicture(screen, png);
    SaveScreenPicture(screen, pdf);
    const QImage picture(png);
    EXPECT_EQ(picture.size(), QSize(320, 200) * screen.devicePixelRatio());
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(pdfText(pdf).trimmed().isEmpty()) << "the page is a picture of the screen";
    EXPECT_THROW(SaveScreenPicture(screen, folder->path() + "/missing/screen.png"), DbError);
}
