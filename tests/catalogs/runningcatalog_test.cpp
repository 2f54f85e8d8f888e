#include "catalogwindows.h"

#include "catalogs/screenkeeper.h"
#include "fields/fieldstore.h"
#include "settings/form6.h"

#include <QDate>
#include <QLabel>
#include <QTreeWidget>

namespace {
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

// Whether the middle of a shown picture is near `colour` (a JPEG's colours come back only nearly).
bool ShowsInTheMiddle(const PictureElement *box, QColor colour)
{
    // A field's picture is decoded beside the interface thread.
    WaitFor([box] { return !box->decoding(); });
    const QImage image = box->shownImage();
    const QColor shown = image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
    return shown.isValid() && qAbs(shown.red() - colour.red()) < 24 && qAbs(shown.green() - colour.green()) < 24
        && qAbs(shown.blue() - colour.blue()) < 24;
}

class RunningCatalogTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        price = addField(*module, "Цена", IntegerType);
        colour = addField(*module, "Цвет", StringType, true);
        description = addField(*module, "Описание", LongTextType);
        photo = addField(*module, "Фото", ImageType);
        date = addField(*module, "Дата", DateType);
        const qint64 red = addLookupEntry(*module, colour, "Красный");
        const qint64 blue = addLookupEntry(*module, colour, "Синий");
        makeBook(1, "Города", {{10, "Москва", "", 0}, {11, "Казань", "", 0}});
        closeQueries(*module);
        const QString insert = QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3, G%4, G%5) VALUES(?,?,?,?,?,?)")
                                   .arg(price).arg(colour).arg(description).arg(photo).arg(date);
        module->exec(insert, {1, 1500, red, "Первая строка\rВторая строка\r", Jpeg(Qt::red), QDate(2024, 3, 5)});
        module->exec(insert, {2, 20, blue, "Одна строка\r", QVariant(QMetaType::fromType<QByteArray>()), QDate(2023, 1, 2)});
        module->exec(insert, {3, 300, red, "", Jpeg(Qt::blue), QDate(2022, 7, 8)});
        exec("INSERT INTO LINKS VALUES(1,1,1,10,'5',0), (2,1,1,11,'',0), (3,3,1,11,'',0)");
        Control<QCheckBox>(Form6, "CheckBox5")->setChecked(false);
        Control<QLineEdit>(Form6, "Edit1")->clear();
    }
    void TearDown() override
    {
        Control<QCheckBox>(Form6, "CheckBox5")->setChecked(false);
        Form23->close();
        Form22->close();
        AppTest::TearDown();
    }

    // One of each bound element, a text image and a reference list.
    static Layout::Catalog FullLayout()
    {
        Layout::Catalog c;
        c.backgroundFile = Layout::BackgroundFile;
        c.fieldLabels << Layout::Label{"Цвет", Layout::Colors::WindowText, 10, "Arial", 10, 10}
                      << Layout::Label{"Цена", Layout::Colors::WindowText, 10, "Arial", 10, 40}
                      << Layout::Label{"Дата", Layout::Colors::WindowText, 10, "Arial", 10, 70};
        c.textLabels << Layout::Label{"Витрина", 0x000000FF, 12, "Arial", 200, 10};
        c.memos << Layout::FieldMemo{"Описание", Layout::Colors::Window, Layout::Colors::WindowText, 8, "Arial", 200, 80, 10, 100};
        c.fieldImages << Layout::FieldImage{"Фото", 120, 90, 250, 100};
        c.textImages << Layout::TextImage{40, 30, 400, 10} << Layout::TextImage{160, 20, 400, 60};
        c.frames << Layout::Frame{Layout::Colors::Black, 2, 100, 50, 400, 100};
        c.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8, "Arial", 250, 80, 10, 200};
        return c;
    }
    // Saves `layout` with its pictures: a green background, a yellow first text image, magenta others.
    void store(const QString &name, const Layout::Catalog &layout)
    {
        CatalogStore::Pictures pictures;
        if (!layout.backgroundFile.isEmpty())
            pictures.background = Jpeg(Qt::green, QSize(200, 100));
        for (int k = 0; k < layout.textImages.size(); ++k)
            pictures.textImages << Jpeg(k == 0 ? Qt::yellow : Qt::magenta, QSize(64, 64));
        CatalogStore::Save(*module, name, layout, pictures);
    }
    void run(const QString &name)
    {
        ASSERT_TRUE(Form22->RunCatalog(name));
        ASSERT_TRUE(Form22->isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form22));
    }
    static QTableView *grid() { return Control<QTableView>(Form22, "DBGrid"); }
    static QLineEdit *passwordBox() { return Control<QLineEdit>(Form23, "Edit1"); }
    // Types into the password window and presses Enter.
    static void typePassword(const QString &text)
    {
        QTest::keyClicks(passwordBox(), text);
        QTest::keyClick(passwordBox(), Qt::Key_Return);
    }
    QString label(int i) const { return Form22->Labels.at(i)->text(); }
    // What the panel shows of the current object: its number, then the texts of its field labels, memos
    // and reference lists.
    QStringList panel() const
    {
        QStringList texts{QString::number(currentObject())};
        for (const auto *element : Form22->Labels)
            texts << element->text();
        for (const auto *element : Form22->Memos)
            texts << element->toPlainText();
        for (const auto *element : Form22->GroupBoxes)
            texts << element->toPlainText();
        return texts;
    }
    qint64 currentObject() const { return module->QRGeneral->asInteger("G_ID"); }

    qint64 price = 0, colour = 0, description = 0, photo = 0, date = 0;
};
}

TEST_F(RunningCatalogTest, FirstObjectIsShownThroughEveryKindOfElementKeysRefillThemInPlaceAndSortOrFilterShowTheFirstAgain)
{
    Layout::Catalog layout = FullLayout();
    layout.referenceLists << layout.referenceLists.first();
    store("Витрина", layout);
    run("Витрина");
    EXPECT_EQ(Form22->windowTitle(), "Электронный каталог \"Витрина\"");
    EXPECT_TRUE(Form22->isFullScreen());
    EXPECT_FALSE(Form11->isVisible());
    // A lookup field shows its text, not the entry's number.
    const QString both = "Города: Москва = 5\nГорода: Казань";
    const QStringList first{"1", "Красный", "1500", "05.03.2024", "Первая строка\nВторая строка", both, both};
    EXPECT_EQ(panel(), first);
    EXPECT_EQ(Form22->TextLabels.at(0)->text(), "Витрина");
    EXPECT_TRUE(Form22->TextLabels.at(0)->font().bold());
    EXPECT_TRUE(ShowsInTheMiddle(Form22->Images.at(0), Qt::red));
    EXPECT_EQ(Form22->Images.at(0)->shownImage().size(), QSize(120, 90)) << "decoded at the size of its box";
    EXPECT_TRUE(ShowsInTheMiddle(Control<PictureElement>(Form22, "Background"), Qt::green));
    ASSERT_EQ(Form22->Shapes.size(), 1);
    EXPECT_TRUE(Form22->Shapes.at(0)->isVisible());
    // Text images fill their own boxes.
    ASSERT_EQ(Form22->TextImages.size(), 2);
    EXPECT_EQ(Form22->TextImages[0]->shownImage().size(), QSize(40, 30));
    EXPECT_EQ(Form22->TextImages[1]->shownImage().size(), QSize(160, 20));
    EXPECT_TRUE(ShowsInTheMiddle(Form22->TextImages[0], Qt::yellow));
    EXPECT_TRUE(ShowsInTheMiddle(Form22->TextImages[1], Qt::magenta));

    const int built = int(Control<QFrame>(Form22, "Panel")->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size());
    QTest::keyClick(grid(), Qt::Key_Down);
    // An object without parameters shows empty reference lists; the previous object's picture is gone.
    EXPECT_EQ(panel(), (QStringList{"2", "Синий", "20", "02.01.2023", "Одна строка", "", ""}));
    EXPECT_FALSE(Form22->Images.at(0)->hasPicture());
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(panel(), (QStringList{"3", "Красный", "300", "08.07.2022", "", "Города: Казань", "Города: Казань"}));
    EXPECT_TRUE(ShowsInTheMiddle(Form22->Images.at(0), Qt::blue));
    QTest::keyClick(grid(), Qt::Key_PageUp);
    EXPECT_EQ(panel(), first);
    EXPECT_EQ(int(Control<QFrame>(Form22, "Panel")->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size()), built)
        << "row changes update the elements in place";

    // Sorting and filtering show the first object of the new list.
    QTest::keyClick(grid(), Qt::Key_Down);
    int priceColumn = -1;
    for (int c = 0; c < grid()->model()->columnCount(); ++c)
        if (grid()->model()->headerData(c, Qt::Horizontal).toString() == "Цена")
            priceColumn = c;
    ASSERT_GE(priceColumn, 0);
    Form22->DBGridTitleClick(priceColumn);   // ascending: 20, 300, 1500
    EXPECT_EQ(currentObject(), 2);
    EXPECT_EQ(label(1), "20");
    Form22->DBGridTitleClick(priceColumn);   // descending
    EXPECT_EQ(currentObject(), 1);
    EXPECT_EQ(label(1), "1500");
    EXPECT_EQ(grid()->currentIndex().row(), 0);

    // Objects linked to Казань: 1 and 3; in the descending order 1 comes first, so go to 3 first.
    QTest::keyClick(grid(), Qt::Key_Down);
    ASSERT_EQ(currentObject(), 3);
    QTreeWidgetItem *kazan = Control<QTreeWidget>(Form22, "ClassesView")->findItems("Казань", Qt::MatchExactly).value(0);
    ASSERT_NE(kazan, nullptr);
    Control<QTreeWidget>(Form22, "ClassesView")->setCurrentItem(kazan);
    const int before = Form22->shownObjects();
    Control<QPushButton>(Form22, "AddFilter")->click();
    EXPECT_EQ(Control<QListWidget>(Form22, "ListBox")->count(), 1);
    EXPECT_EQ(module->QRGeneral->recordCount(), 2);
    EXPECT_EQ(panel(), first);
    EXPECT_EQ(Form22->shownObjects() - before, 1) << "the panel is filled once per evaluation";
    Control<QListWidget>(Form22, "ListBox")->setCurrentRow(0);
    Control<QPushButton>(Form22, "DeleteFilter")->click();
    EXPECT_EQ(module->QRGeneral->recordCount(), 3);
}

TEST_F(RunningCatalogTest, ALayoutProblemOrAFieldDeletedByAnotherProgramIsToldOnceAndTheRestOfTheCatalogRuns)
{
    Layout::Catalog layout = FullLayout();
    layout.fieldLabels << Layout::Label{"Вес", Layout::Colors::WindowText, 8, "Arial", 10, 300};
    layout.fieldImages << Layout::FieldImage{"Схема", 50, 50, 300, 300};
    store("Пропавшие поля", layout);
    store("Испорченная", FullLayout());
    QString text = scalar("SELECT K_DATA FROM KATALOGS WHERE K_NAME = 'Испорченная'").toString();
    text.replace("\r\n200\r\n10\r\n", "\r\nдвести\r\n10\r\n");   // the text label's left
    module->exec("UPDATE KATALOGS SET K_DATA = ? WHERE K_NAME = 'Испорченная'", {text});
    for (const QString name : {"Пропавшие поля", "Испорченная"}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        run(name);
        QTest::keyClick(grid(), Qt::Key_Down);
        QTest::keyClick(grid(), Qt::Key_Down);
        ASSERT_EQ(answer.seen(), 1) << answer.texts().join("|").toStdString();
        EXPECT_EQ(label(0), "Красный") << "the other elements go on showing the objects";
        if (name == "Пропавшие поля") {
            EXPECT_TRUE(answer.texts().first().contains("\"Вес\", \"Схема\""));
            EXPECT_EQ(label(3), "");
        } else {
            EXPECT_EQ(Form22->Labels.size(), 3) << "the elements before the bad line are kept";
        }
        Form22->close();
        EXPECT_FALSE(Form22->isVisible());
    }

    // Another program on the same file deletes a field the catalog shows: when the list is next read the
    // visitor is told plainly, once, with what can no longer be shown; the catalog goes on at the same
    // object, and leaving says nothing more.
    store("Витрина", FullLayout());
    run("Витрина");
    ASSERT_FALSE(label(1).isEmpty());
    FieldStore::DeleteField(*otherProgram(), price);
    MessageBoxAnswerer answer(QMessageBox::Ok);
    QTest::keyClick(grid(), Qt::Key_Down);
    TypeKeys(Control<QLineEdit>(Form22, "SearchEdit"), "С");
    ASSERT_TRUE(WaitFor([&] { return answer.seen() > 0; }));
    QTest::qWait(300);
    const QString said = answer.texts().join(" | ");
    ASSERT_EQ(answer.seen(), 1) << said.toStdString();
    EXPECT_TRUE(said.startsWith(DesignChangedElsewhereText) && said.contains("Каталог открыт заново") && said.contains("\"Цена\""))
        << said.toStdString();
    EXPECT_FALSE(said.contains("no such")) << said.toStdString();
    EXPECT_TRUE(Form22->isVisible());
    EXPECT_EQ(label(0), "Синий") << "the current object is kept";
    // Leaving, the designer comes back with the fields as they are now and says so once.
    Form22->close();
    EXPECT_FALSE(Form22->isVisible());
    ASSERT_TRUE(WaitFor([&] { return answer.seen() == 2; })) << answer.texts().join(" | ").toStdString();
    EXPECT_TRUE(answer.texts().last().contains("макет каталога остался как был")) << answer.texts().last().toStdString();
    QStringList captions;
    for (int column = 0; column < Form11->gridColumns().count(); ++column)
        captions << Form11->gridColumns().caption(column);
    EXPECT_FALSE(captions.contains("Цена")) << captions.join(", ").toStdString();
}


TEST_F(RunningCatalogTest, ExitPasswordGuardsEveryWayOutKeepsTheCatalogOnScreenAndAnswersWrongOnesSlowerAfterTheThird)
{
    // A few seconds at most.
    for (const auto &[wrong, delayMs] : QList<std::pair<int, int>>{{1, 0}, {3, 0}, {4, 1000}, {5, 2000}, {8, 5000}, {1000, 5000}})
        EXPECT_EQ(WrongPasswordDelayMs(wrong), delayMs) << wrong << " wrong in a row";

    store("Витрина", FullLayout());
    // On with an empty password: the empty box already equals it.
    Control<QCheckBox>(Form6, "CheckBox5")->setChecked(true);
    run("Витрина");
    Form22->close();
    EXPECT_FALSE(Form22->isVisible());

    Control<QLineEdit>(Form6, "Edit1")->setText("Klyuch");
    run("Витрина");
    const QString png = folder->path() + "/screen.png";
    {
        FileDialogCounter dialogs;
        Form22->SaveScreenClick();
        QTest::qWait(200);
        EXPECT_EQ(dialogs.seen(), 0);
        EXPECT_FALSE(QFile::exists(png));
    }

    // It comes back when minimised, hidden or made small, and the password window with it.
    const auto back = [] {
        return WaitFor([] { return Form22->isVisible() && Form22->isFullScreen() && !Form22->isMinimized(); });
    };
    Form22->showMinimized();
    EXPECT_TRUE(back()) << "minimised";
    Form22->hide();
    EXPECT_TRUE(back()) << "hidden";
    Form22->showNormal();
    EXPECT_TRUE(back()) << "out of full screen";
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(label(0), "Синий") << "the catalog still answers";

    QTest::keyClick(grid(), Qt::Key_Escape);
    ASSERT_EQ(ShownWindows(), (QStringList{"Form22", "Form23"})) << "Esc goes through the exit check";
    EXPECT_EQ(Form23->windowTitle(), "Ввод пароля");
    EXPECT_EQ(passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Form23->windowFlags() & Qt::FramelessWindowHint) << "no frame to draw minimise or maximise on";
    const QPoint centre = Form22->screen()->availableGeometry().center();
    EXPECT_LE((Form23->frameGeometry().center() - centre).manhattanLength(), 4) << "centred";
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        typePassword("klyuch");   // the case counts
        EXPECT_EQ(Control<QLabel>(Form23, "WrongLabel")->text(), "Вы ввели неверный пароль!");
        EXPECT_EQ(answer.seen(), 0) << "the refusal opens no window of its own";
    }
    Form23->showMinimized();
    EXPECT_TRUE(WaitFor([] { return Form23->isVisible() && !Form23->isMinimized(); }));
    EXPECT_TRUE(back());
    EXPECT_EQ(QApplication::activeModalWidget(), Form23) << "the password window stays above the catalog";
    // A visitor cancels by the keyboard; the next person's Enter still means "Готово".
    QTest::keyClick(passwordBox(), Qt::Key_Tab);
    QTest::keyClick(Form23, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Control<QPushButton>(Form23, "Button2"));
    QTest::keyClick(Control<QPushButton>(Form23, "Button2"), Qt::Key_Space);
    ASSERT_TRUE(WaitFor([] { return !Form23->isVisible(); }));
    EXPECT_EQ(ShownWindows(), QStringList{"Form22"});
    ASSERT_TRUE(WaitFor([] { return Form22->isActiveWindow(); })) << "the catalog takes the keys again";

    // Esc in the search box asks for the password at once, the search kept; a new asking starts clean.
    QLineEdit *search = Control<QLineEdit>(Form22, "SearchEdit");
    TypeKeys(search, "Си");
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(Form23->isVisible()) << "the first Esc asks for the password";
    EXPECT_EQ(search->text(), "Си");
    EXPECT_EQ(passwordBox()->text(), "");
    EXPECT_EQ(Control<QLabel>(Form23, "WrongLabel")->text(), "");
    Control<QPushButton>(Form23, "Button2")->click();

    Form22->close();
    ASSERT_TRUE(WaitFor([] { return Form23->isVisible(); }));
    EXPECT_EQ(Form23->focusWidget(), passwordBox());
    typePassword("Klyuch");
    EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"}));
    EXPECT_FALSE(Form22->keeper()->keeping()) << "once left, the catalog is not brought back";

    // Started again in the same run: the password is asked again.
    run("Витрина");
    Form22->close();
    ASSERT_EQ(ShownWindows(), (QStringList{"Form22", "Form23"}));

    // Wrong passwords are answered slower after the third; the right one always works.
    for (int i = 0; i < 3; ++i)
        typePassword("ugadal" + QString::number(i));
    typePassword("ugadal");
    EXPECT_FALSE(Control<QPushButton>(Form23, "Button1")->isEnabled());
    typePassword("Klyuch");
    EXPECT_EQ(passwordBox()->text(), "ugadal") << "nothing is taken while the refusal waits";
    EXPECT_TRUE(Form22->isVisible());
    bool timerRan = false;
    QTimer::singleShot(100, [&] { timerRan = true; });
    EXPECT_TRUE(WaitFor([] { return Control<QPushButton>(Form23, "Button1")->isEnabled(); }, 4000));
    EXPECT_TRUE(timerRan) << "the wait does not stop the program";
    QTest::keyClicks(passwordBox(), "Klyuch");   // typed, then cancelled instead of confirmed
    Control<QPushButton>(Form23, "Button2")->click();
    ASSERT_TRUE(WaitFor([] { return Form22->isActiveWindow(); })) << "the catalog takes the keys again";
    QTest::keyClick(grid(), Qt::Key_Escape);
    ASSERT_TRUE(Form23->isVisible()) << "a password typed and cancelled opens nothing";
    typePassword("ugadal");
    EXPECT_FALSE(Control<QPushButton>(Form23, "Button1")->isEnabled()) << "cancelling does not start the count afresh";
    EXPECT_EQ(Form23->wrongInARow(), 5);
    ASSERT_TRUE(WaitFor([] { return Control<QPushButton>(Form23, "Button1")->isEnabled(); }, 6000));
    QTest::keyClick(passwordBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(passwordBox(), "Klyuch");
    Control<QPushButton>(Form23, "Button1")->click();
    EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"})) << "the right password works after any number of wrong ones";
    EXPECT_EQ(Form23->wrongInARow(), 0);

    // The operator, with the password off, saves the screen.
    Control<QCheckBox>(Form6, "CheckBox5")->setChecked(false);
    run("Витрина");
    QAction *save = Control<QAction>(Form22, "SaveScreenItem");
    EXPECT_TRUE(Control<QMenu>(Form22, "PanelMenu")->actions().contains(save) && save->isVisible());
    ChooseFileInNextDialog(png);
    save->trigger();
    EXPECT_TRUE(QFile::exists(png));
}

TEST_F(RunningCatalogTest, DesignerRunItemSavesAndStartsTheCatalogOrExplainsWhyNotAndClosingRebuildsNothingAndCarriesNoBackground)
{
    EnterDesigner();
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        EXPECT_FALSE(Form22->RunCatalog("Нет такого"));
        EXPECT_EQ(answer.texts(), QStringList{"Ошибка при открытии каталога!"});
        EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"}));
        EXPECT_FALSE(module->CatalogListReady);
    }
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Control<QAction>(Form11, "N5")->trigger();
        EXPECT_EQ(answer.texts(), QStringList{"Откройте существующий каталог или сохраните текущий под каким-либо именем!"});
        EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"}));
    }
    ASSERT_TRUE(Form11->SaveCatalog("Первый"));
    Form11->Labels << new LabelElement({"Цвет", Layout::Colors::WindowText, 8, "Arial", 5, 5}, true, true, Control<QFrame>(Form11, "Panel"));
    Form11->Labels.last()->show();
    Control<QAction>(Form11, "N5")->trigger();
    ASSERT_EQ(ShownWindows(), QStringList{"Form22"});
    ASSERT_EQ(Form22->Labels.size(), 1) << "the run saw the layout as it stood, not as last saved";
    EXPECT_EQ(label(0), "Красный");
    Form22->close();
    EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"})) << "the designer comes back; without the exit password nothing is asked";
    EXPECT_FALSE(module->CatalogListReady);
    EXPECT_EQ(module->QRGeneral->recordCount(), 3) << "the designer lists every object again";
    // Nothing of the closed catalog is filled any more.
    const int shownBefore = Form22->shownObjects();
    ASSERT_TRUE(module->QRGeneral->isOpen());
    module->QRGeneral->setRecNo(2);
    module->QRGeneral->setRecNo(3);
    EXPECT_EQ(Form22->shownObjects(), shownBefore);
    EXPECT_TRUE(Form22->Labels.isEmpty());

    // A background does not carry over to the next catalog.
    store("С фоном", FullLayout());
    Layout::Catalog plain = FullLayout();
    plain.backgroundFile.clear();
    store("Без фона", plain);
    run("С фоном");
    Form22->close();
    run("Без фона");
    EXPECT_FALSE(Control<PictureElement>(Form22, "Background")->hasPicture());
    EXPECT_EQ(Form22->windowTitle(), "Электронный каталог \"Без фона\"");
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

    ASSERT_TRUE(huge->setPictureData(Jpeg(Qt::red, {64, 64})));
    EXPECT_LE(huge->shownImage().width(), screen.width());
    EXPECT_LE(huge->shownImage().height(), screen.height());
    EXPECT_FALSE(huge->pictureTooLarge());
    ASSERT_TRUE(small->setPictureData(Jpeg(Qt::blue, {640, 480})));
    EXPECT_EQ(small->shownImage().size(), QSize(120, 80)) << "a box inside the screen gets its own size";

    const QByteArray absurd = ClaimingSide(Jpeg(Qt::green, {16, 16}), 30000);
    ASSERT_FALSE(absurd.isEmpty());
    EXPECT_FALSE(small->setPictureData(absurd));
    EXPECT_TRUE(small->pictureTooLarge());
    EXPECT_FALSE(small->hasPicture());
    EXPECT_EQ(PictureElement::setPictureData({huge, small}, {absurd, Jpeg(Qt::red, {64, 64})}), (QList<bool>{false, true}));
    EXPECT_TRUE(huge->pictureTooLarge());
    EXPECT_FALSE(small->pictureTooLarge());
    // A sensible picture after a refused one is shown again.
    EXPECT_TRUE(huge->setPictureData(Jpeg(Qt::red, {64, 64})));
    EXPECT_FALSE(huge->pictureTooLarge());
}
