#include "catalogwindows.h"
#include "objects/windowsteps.h"

#include "catalogs/designerrules.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QRadioButton>
#include <QSpinBox>

namespace {
class DesignerTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        addField(*module, "Цена", IntegerType);
        addField(*module, "Описание", LongTextType);
        addField(*module, "Фото", ImageType);
        addField(*module, "Цвет", StringType);
    }

    static void clickBackground(QPoint at)
    {
        QTest::mouseMove(Control<PictureElement>(Form11, "Background"), at);
        QTest::mouseClick(Control<PictureElement>(Form11, "Background"), Qt::LeftButton, {}, at);
    }
    // Presses a palette button and clicks the background at `at`, as a user places an element.
    void place(const QString &caption, QPoint at)
    {
        const QList<QPushButton *> buttons = Form12->buttons();
        const auto button = std::find_if(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->text() == caption; });
        ASSERT_NE(button, buttons.end()) << caption.toStdString();
        (*button)->click();
        clickBackground(at);
    }
    void trigger(QMenu *menu, const QString &caption)
    {
        for (QAction *action : menu->actions())
            if (action->text() == caption)
                return action->trigger();
        ADD_FAILURE() << "no item " << caption.toStdString();
    }
    QString jpeg(const QString &name, QColor colour) const
    {
        WriteFile(folder->path() + "/" + name, Jpeg(colour));
        return folder->path() + "/" + name;
    }
    QString catalogFolder(const QString &name) const { return QFileInfo(dbPath).absolutePath() + "/test_mdb_" + name; }
    QString layoutText(const QString &name) const
    {
        return boundRows("SELECT K_DATA FROM KATALOGS WHERE K_NAME = ?", {name}).value(0).value(0).toString();
    }
    // Saves by the menu item and the name window; returns the texts of the boxes it showed.
    static QStringList save(const QString &name)
    {
        Control<QAction>(Form11, "N13")->trigger();
        EXPECT_TRUE(Form18->isVisible());
        Control<QLineEdit>(Form18, "Edit1")->setText(name);
        return ClickAnswering(Control<QPushButton>(Form18, "Button1"));
    }
};
}

TEST_F(DesignerTest, EnteringBuildsThePalettePlacingMakesOneElementPerPressAndDropsSnapInsideThePanel)
{
    EnterDesigner();
    EXPECT_EQ(ShownWindows(), (QStringList{"Form11", "Form12"}));
    const QList<QPushButton *> buttons = Form12->buttons();
    ASSERT_EQ(buttons.size(), 9);
    EXPECT_EQ(buttons[5]->geometry(), QRect(10, 202, 200, 24));
    EXPECT_EQ(buttons[8]->geometry(), QRect(10, 274, 200, 24));
    EXPECT_TRUE(buttons[0]->isChecked());
    EXPECT_TRUE(Form12->width() >= 226 && Form12->width() <= 242);
    EXPECT_EQ(Form12->geometry().right() + 1 + 16, Form12->screen()->size().width());

    place("Цена", {30, 40});
    place("Описание", {200, 40});
    place("Фото", {400, 40});
    place("Добавить рамку или линию", {20, 200});
    place("Добавить ссылки на справочники", {100, 200});
    ASSERT_EQ(Form11->Labels.size(), 1);
    EXPECT_EQ(Form11->Labels[0]->pos(), QPoint(30, 40));
    EXPECT_EQ(Form11->Labels[0]->text(), "Цена");
    EXPECT_TRUE(Form11->Labels[0]->font().bold());
    ASSERT_EQ(Form11->Memos.size(), 1);
    EXPECT_EQ(Form11->Memos[0]->geometry(), QRect(200, 40, 150, 100));
    ASSERT_EQ(Form11->Images.size(), 1);
    EXPECT_EQ(Form11->Images[0]->fieldName(), "Фото");
    EXPECT_EQ(Form11->Shapes[0]->geometry(), QRect(20, 200, 65, 65));
    EXPECT_FALSE(Form11->GroupBoxes[0]->font().bold());
    EXPECT_EQ(Form11->GroupBoxes[0]->size(), QSize(185, 89));

    // The grid lists the fields that have a column, pictures last; the designer's statement left the shared pieces alone.
    EXPECT_EQ(Form11->gridColumns().count(), 3);
    EXPECT_EQ(Form11->gridColumns().caption(2), "Фото");
    EXPECT_TRUE(ObjectList::Of(*DModule).statement().startsWith("SELECT G_ID"));

    // Two clicks with the text button place one label; a cancelled picture places nothing.
    place("Добавить свою надпись", {55, 65});
    clickBackground({150, 150});
    ASSERT_EQ(Form11->TextLabels.size(), 1);
    EXPECT_EQ(Form11->TextLabels[0]->pos(), QPoint(55, 65));
    EXPECT_EQ(Form11->TextLabels[0]->text(), "%Текстовая надпись%");
    EXPECT_EQ(Form12->PressedButton(), TForm12::NothingButton);

    {
        FileDialogCounter cancelled;
        place("Добавить свое изображение", {10, 10});
        EXPECT_EQ(cancelled.seen(), 1);
    }
    EXPECT_TRUE(Form11->TextImages.isEmpty());

    // Drops snap to five pixels and stay inside the panel: by the rule alone beyond the bottom right and
    // before the top left, the snapping itself dragged.
    EXPECT_EQ(DesignerRules::DropPosition({900, 900}, {0, 0}, {500, 300}), QPoint(484, 236));
    EXPECT_EQ(DesignerRules::DropPosition({2, 2}, {20, 20}, {500, 300}), QPoint(0, 0));

    LabelElement *label = Form11->Labels[0];
    QFrame *panel = Control<QFrame>(Form11, "Panel");
    // Taken 4 pixels inside, dropped so that its left comes to 212 and its top to 153.
    QTest::mousePress(label, Qt::LeftButton, {}, {4, 4});
    QTest::mouseMove(label, {60, 30});
    // The label follows the mouse; each event is given in the label's place at that moment.
    QTest::mouseMove(label, label->mapFrom(panel, QPoint(216, 157)));
    QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFrom(panel, QPoint(216, 157)));
    EXPECT_EQ(label->pos(), QPoint(210, 155));

    Form11->ComponentMouseMove({0, 0});
    Form11->ComponentDock(label, panel->mapToGlobal(QPoint(panel->width() + 100, 20)));
    EXPECT_EQ(label->pos(), QPoint(panel->width() - 16, 20));

    Control<QAction>(Form11, "N0")->trigger();
    EXPECT_EQ(ShownWindows(), QStringList{"Form2"});
}


TEST_F(DesignerTest, ElementWindowsAndFontAndColourDialogsChangeTheirElementCancelOrRefuse)
{
    // The window preselects a square frame and a horizontal line below; a vertical one by the rule alone.
    EXPECT_EQ(DesignerRules::FrameTypeOf(5, {9, 400}), DesignerRules::FrameType::VerticalLine);

    EnterDesigner();
    place("Добавить рамку или линию", {40, 40});
    FrameElement *frame = Form11->Shapes[0];
    trigger(Form11->PopupMenuFor(frame), "Параметры рамки");
    ASSERT_TRUE(Form20->isVisible());
    EXPECT_TRUE(Control<QRadioButton>(Form20, "RadioFrame")->isChecked());
    EXPECT_EQ(Control<QSpinBox>(Form20, "SpinEdit1")->value(), 1);
    Control<QRadioButton>(Form20, "RadioHorizontal")->setChecked(true);
    Control<QSpinBox>(Form20, "SpinEdit1")->setValue(5);
    Control<QPushButton>(Form20, "Button1")->click();
    EXPECT_FALSE(Form20->isVisible());
    EXPECT_EQ(frame->size(), QSize(65, 5));
    EXPECT_EQ(frame->penWidth(), 5);
    trigger(Form11->PopupMenuFor(frame), "Параметры рамки");
    EXPECT_TRUE(Control<QRadioButton>(Form20, "RadioHorizontal")->isChecked());
    Control<QRadioButton>(Form20, "RadioVertical")->setChecked(true);
    Control<QPushButton>(Form20, "Button2")->click();   // cancelled: nothing changes
    EXPECT_EQ(frame->size(), QSize(65, 5));

    // The size window follows its boxes within the limits.
    place("Описание", {10, 10});
    BoxElement *memo = Form11->Memos[0];
    memo->resize(2000, 1500);   // only a stored layout can hold this
    trigger(Form11->PopupMenuFor(memo), "Изменить размеры");
    ASSERT_TRUE(Form15->isVisible());
    EXPECT_EQ(memo->size(), QSize(1280, 1024));
    Control<QSpinBox>(Form15, "SpinEdit1")->setValue(0);
    EXPECT_EQ(memo->width(), 1);
    Control<QSpinBox>(Form15, "SpinEdit2")->setValue(77);
    EXPECT_EQ(memo->height(), 77);
    Control<QPushButton>(Form15, "Button1")->click();
    EXPECT_FALSE(Form15->isVisible());

    // The text window changes the text but refuses a marker line.
    place("Добавить свою надпись", {10, 10});
    LabelElement *label = Form11->TextLabels[0];
    trigger(Form11->PopupMenuFor(label), "Изменить текст");
    ASSERT_TRUE(Form16->isVisible());
    EXPECT_EQ(Control<QLineEdit>(Form16, "Edit1")->text(), "%Текстовая надпись%");
    Control<QLineEdit>(Form16, "Edit1")->setText("%Memos%");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form16, "Button1")).size(), 1);
    EXPECT_TRUE(Form16->isVisible());
    EXPECT_EQ(label->text(), "%Текстовая надпись%");
    Control<QLineEdit>(Form16, "Edit1")->setText("Д'Артаньян");
    Control<QPushButton>(Form16, "Button1")->click();
    EXPECT_EQ(label->text(), "Д'Артаньян");
    EXPECT_EQ(label->size(), label->sizeHint());

    // The font and colour dialogs change what the layout stores: the font dialog another size, and a colour
    // chosen with its colour button.
    place("Цена", {10, 10});
    const auto chooseOrange = [] {
        AnswerNextDialog<QColorDialog>([](QColorDialog *colours) {
            colours->setCurrentColor(QColor(0x00, 0x80, 0xFF));
            colours->accept();
        });
    };
    AnswerNextDialog<QFontDialog>([&](QFontDialog *fonts) {
        fonts->setCurrentFont(QFont(fonts->currentFont().family(), 14));
        chooseOrange();
        for (QPushButton *button : fonts->findChildren<QPushButton *>())
            if (button->text() == "Цвет шрифта...")
                button->click();
        fonts->accept();
    });
    trigger(Form11->PopupMenuFor(Form11->Labels[0]), "Изменить шрифт");
    chooseOrange();
    trigger(Form11->PopupMenuFor(Form11->Memos[0]), "Изменить цвет");
    const Layout::Catalog layout = Form11->currentLayout();
    EXPECT_EQ(layout.fieldLabels[0].fontSize, 14);
    EXPECT_EQ(layout.fieldLabels[0].fontColor, 0x00FF8000u);
    EXPECT_EQ(layout.memos[0].background, 0x00FF8000u);
    EXPECT_EQ(layout.memos[0].fontColor, Layout::Colors::WindowText);
}


TEST_F(DesignerTest, SavedLayoutOpensAgainWithDeletedElementsGoneTextImagesRenumberedAndColumnLinesByPositionFromTheListWindow)
{
    EnterDesigner();
    EXPECT_EQ(save(""), QStringList{"Введите имя каталога!"});
    EXPECT_TRUE(Form18->isVisible());
    Control<QPushButton>(Form18, "Button2")->click();
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
    const QString red = jpeg("red.jpg", Qt::red), blue = jpeg("blue.jpg", Qt::blue), back = jpeg("back.jpg", Qt::gray);
    ChooseFileInNextDialog(back);
    trigger(Control<QMenu>(Form11, "PanelMenu"), "Задать фоновый рисунок");
    EXPECT_TRUE(Control<QAction>(Form11, "DeleteBackgroundItem")->isEnabled());
    ChooseFileInNextDialog(red);
    place("Добавить свое изображение", {10, 10});
    ChooseFileInNextDialog(blue);
    place("Добавить свое изображение", {200, 10});
    ASSERT_EQ(Form11->TextImages.size(), 2);
    trigger(Form11->PopupMenuFor(Form11->TextImages[0]), "Удалить изображение");
    place("Добавить ссылки на справочники", {300, 150});
    place("Фото", {20, 150});
    place("Цена", {150, 150});
    trigger(Form11->PopupMenuFor(Form11->Labels[0]), "Удалить надпись");
    Form11->gridColumns().setVisible(1, false);

    EXPECT_EQ(save("Д'Артаньян"), QStringList());
    EXPECT_FALSE(Form18->isVisible());
    EXPECT_EQ(Form11->windowTitle(), "Вирандел: Режим создания каталога (\"Д'Артаньян\") — test.mdb");
    const QString folder = catalogFolder("Д'Артаньян");
    EXPECT_EQ(FileBytes(folder + "/Image0.jpg"), FileBytes(blue));
    EXPECT_EQ(FileBytes(folder + "/Background.jpg"), FileBytes(back));
    EXPECT_FALSE(QFileInfo::exists(folder + "/Image1.jpg"));
    const QString text = layoutText("Д'Артаньян");
    EXPECT_TRUE(text.contains("%Columns%\r\n-1\r\n0\r\n-1\r\n%Labels%\r\n%TextLabels%"));
    EXPECT_TRUE(text.contains("%TextImages%\r\nTextImage0.jpg\r\n150\r\n100\r\n200\r\n10\r\n%Shapes%"));

    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Control<QAction>(Form11, "N11")->trigger();
        EXPECT_EQ(answer.texts(), QStringList{"Все несохраненные данные будут потеряны! Продолжить?"});
    }
    EXPECT_TRUE(Form11->TextImages.isEmpty());
    EXPECT_FALSE(Control<PictureElement>(Form11, "Background")->hasPicture());
    EXPECT_FALSE(Control<QAction>(Form11, "DeleteBackgroundItem")->isEnabled());
    EXPECT_EQ(Form11->windowTitle(), "Вирандел: Режим создания каталога — test.mdb");

    // Opened again, the elements give back the saved text, the text image where it was.
    ASSERT_TRUE(Form11->OpenCatalog("Д'Артаньян"));
    EXPECT_TRUE(Form11->Labels.isEmpty());
    ASSERT_EQ(Form11->TextImages.size(), 1);
    EXPECT_EQ(Form11->TextImages[0]->pictureData(), FileBytes(blue));
    EXPECT_TRUE(Control<PictureElement>(Form11, "Background")->hasPicture());
    EXPECT_TRUE(Control<QAction>(Form11, "DeleteBackgroundItem")->isEnabled());
    EXPECT_TRUE(Form11->GroupBoxes[0]->font().bold());
    QTableView *grid = Control<QTableView>(Form11, "DBGrid");
    EXPECT_TRUE(grid->isColumnHidden(1) && !grid->isColumnHidden(0));
    EXPECT_EQ(Layout::Write(Form11->currentLayout()), text);

    // Column lines fall on the columns by position after the fields changed.
    addField(*module, "Вес", RealType);   // columns: Цена, Цвет, Вес, Фото
    Form11->ClearPanel();
    place("Цвет", {5, 5});
    Form11->gridColumns().setVisible(0, false);
    Form11->SaveCatalog("Столбцы");
    EXPECT_TRUE(layoutText("Столбцы").contains("%Columns%\r\n0\r\n-1\r\n-1\r\n-1\r\n%Labels%"));

    // Цена is dropped and Размер added: Цвет takes the first line, Вес the second, Размер the third.
    closeQueries(*module);
    FieldStore::DeleteField(*module, scalar("SELECT F_ID FROM FIELDS WHERE F_NAME = 'Цена'").toLongLong());
    addField(*module, "Размер", IntegerType);
    addField(*module, "Код", IntegerType);
    ASSERT_TRUE(Form11->OpenCatalog("Столбцы"));
    ASSERT_EQ(Form11->gridColumns().count(), 5);
    EXPECT_EQ(Form11->gridColumns().caption(0), "Цвет");
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_FALSE(grid->isColumnHidden(1) || grid->isColumnHidden(2) || grid->isColumnHidden(3));

    // The column chooser shows and sets the designer's grid.
    Control<QMenu>(Form11, "DBGridMenu")->actions().first()->trigger();
    ASSERT_TRUE(Form17->isVisible());
    QList<QCheckBox *> boxes = Form17->checkBoxes();
    ASSERT_EQ(boxes.size(), 5);
    EXPECT_FALSE(boxes[0]->isChecked());
    boxes[3]->setChecked(false);
    Form17->doneButton()->click();
    EXPECT_TRUE(grid->isColumnHidden(3));

    // The list window acts only on a selected entry.
    Control<QAction>(Form11, "N12")->trigger();
    ASSERT_TRUE(Form19->isVisible());
    QListWidget *list = Control<QListWidget>(Form19, "ListBox");
    auto *open = Control<QPushButton>(Form19, "Button1"), *remove = Control<QPushButton>(Form19, "Button2");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Д'Артаньян");   // K_NAME order
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(ClickAnswering(remove, QMessageBox::Yes), QStringList{"Вы действительно хотите удалить этот каталог?"});
    EXPECT_EQ(list->count(), 1);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    // Without a selected entry both actions do nothing.
    EXPECT_EQ(ClickAnswering(remove, QMessageBox::Yes) + ClickAnswering(open, QMessageBox::Yes), QStringList());
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 1);
    EXPECT_TRUE(Form19->isVisible());

    Form11->ClearPanel();
    list->setCurrentRow(0);
    open->click();
    EXPECT_FALSE(Form19->isVisible());
    EXPECT_EQ(Form11->CatalogName, "Столбцы");
    EXPECT_EQ(Form11->Labels.size(), 1);

    Control<QAction>(Form11, "N12")->trigger();
    ClickAnswering(remove, QMessageBox::Yes);
    EXPECT_FALSE(open->isEnabled() || remove->isEnabled());
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
}

TEST_F(DesignerTest, MissingPicturesAreReportedAndABadLineStopsReadingKeepingTheElementsBefore)
{
    const QString folder = catalogFolder("Сломанный");
    exec(QStringLiteral("INSERT INTO KATALOGS VALUES (1, 'Сломанный', '%1', '%2')")
             .arg(folder, "%Background%\r\nBackground.jpg\r\n%Columns%\r\n%Labels%\r\n%TextLabels%\r\n"
                          "Первая\r\nclRed\r\n8\r\nArial\r\n5\r\n5\r\n%Memos%\r\n%Images%\r\n%TextImages%\r\n"
                          "TextImage0.jpg\r\n50\r\n40\r\n30\r\n30\r\n%Shapes%\r\nclBlack\r\nтолстая\r\n1\r\n1\r\n0\r\n0\r\n"
                          "%GroupBoxes%\r\n%End%\r\n"));
    EnterDesigner();
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        EXPECT_FALSE(Form11->OpenCatalog("Сломанный"));
        ASSERT_EQ(answer.seen(), 3);
        EXPECT_EQ(answer.texts().mid(0, 2), (QStringList{"Файл фонового изображения не найден!", "Файл изображения Image0.jpg не найден!"}));
        EXPECT_TRUE(answer.texts()[2].contains("толстая"));
    }
    EXPECT_EQ(Form11->TextLabels.size(), 1);
    ASSERT_EQ(Form11->TextImages.size(), 1);
    EXPECT_EQ(Form11->TextImages[0]->geometry(), QRect(30, 30, 50, 40));
    EXPECT_TRUE(Form11->Shapes.isEmpty());
    EXPECT_FALSE(Control<QAction>(Form11, "DeleteBackgroundItem")->isEnabled());
    EXPECT_EQ(Form11->CatalogName, "Сломанный");

    // A name without a row changes nothing.
    MessageBoxAnswerer missing(QMessageBox::Ok);
    EXPECT_FALSE(Form11->OpenCatalog("Нет такого"));
    EXPECT_EQ(missing.texts(), QStringList{"Ошибка при открытии каталога!"});
    EXPECT_EQ(Form11->TextLabels.size(), 1);
}
