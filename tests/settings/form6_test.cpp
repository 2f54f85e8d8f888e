#include "settings/settingswindow.h"

#include "app/form1.h"
#include "app/forms.h"
#include "classifier/classifierpage.h"
#include "settings/options.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

// Every test starts from the settings of a fresh installation (AppTest).
class SettingsWindowTest : public AppTest
{
protected:
    // The ticks of CheckBox1 to CheckBox8 as the window shows them.
    static QList<bool> ticks()
    {
        QList<bool> states;
        for (int n = 1; n <= 8; ++n)
            states << box(QByteArray("CheckBox" + QByteArray::number(n)).constData())->isChecked();
        return states;
    }
    static QCheckBox *box(const char *name) { return Control<QCheckBox>(Form6, name); }
    static QLineEdit *edit(const char *name) { return Control<QLineEdit>(Form6, name); }
    static QLineEdit *passwordBox() { return edit("Edit1"); }
    static void retype(const char *name, const QString &text) { Retype(edit(name), text); }
    // Reads the settings file again as the window does on activation; the texts of the boxes it showed.
    static QStringList activate()
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form6->FormActivate();
        return answer.texts();
    }
    const QStringList earlierVersion{"-1", "-1", "0", "0", "0", "", "0", "-1", "-1", "0", "строка другой версии"};
};

TEST_F(SettingsWindowTest, ActivationReadsTheFileOrReportsItsBadLineCancelWritesNothingAndDoneWritesTenLinesKeepingTheRest)
{
    WriteTextLines(OptionsPath(), {"0", "1", "true", "FALSE", "0", "Secret", "-1", "-1", "0", "2", "kept"});
    Form6->FormActivate();
    EXPECT_EQ(ticks(), (QList<bool>{false, true, true, false, false, true, true, false}));
    EXPECT_FALSE(passwordBox()->isEnabled()) << "the password box follows CheckBox5";
    EXPECT_EQ(passwordBox()->text(), "Secret");
    EXPECT_EQ(Settings::DisplayFormat(), 2);

    box("CheckBox1")->setChecked(true);
    Control<QPushButton>(Form6, "Button2")->click();
    EXPECT_EQ(ReadTextLines(OptionsPath()).first(), "0");
    Form6->FormActivate();
    EXPECT_FALSE(box("CheckBox1")->isChecked()) << "reopening shows the file's state again";

    box("CheckBox4")->setChecked(true);
    // A password pasted with line breaks stays one line of the file.
    passwordBox()->setText("Pass\r\nWo\nrd");
    EXPECT_EQ(passwordBox()->text(), "PassWord");
    passwordBox()->selectAll();
    QApplication::clipboard()->setText("Pass\n Word\r");
    passwordBox()->paste();
    EXPECT_EQ(passwordBox()->text(), "Pass Word");
    ClickDone();
    EXPECT_EQ(ReadTextLines(OptionsPath()),
              (QStringList{"0", "-1", "-1", "-1", "0", "Pass Word", "-1", "-1", "0", "2", "kept", "SnapshotsKept=10",
                           "SnapshotProgressMiB=50", "RecycleBinDays=30"}));

    // A bad line or a missing file is reported and the earlier values kept.
    box("CheckBox3")->setChecked(false);
    box("CheckBox4")->setChecked(true);
    WriteTextLines(OptionsPath(), {"0", "0", "-1", "oops" + QString(1000000, 'x'), "0"});
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form6->FormActivate();
        ASSERT_EQ(answer.titles(), QStringList{"Вирандел"});
        EXPECT_TRUE(answer.texts().first().contains("oops"));
        EXPECT_LT(answer.texts().first().size(), 200) << "a huge line is quoted by its start";
    }
    // Lines before the bad one are read; from it on the boxes keep their states.
    EXPECT_EQ(ticks().mid(0, 4), (QList<bool>{false, false, true, true}));

    QFile::remove(OptionsPath());
    EXPECT_EQ(activate().size(), 1);
    box("CheckBox5")->setChecked(false);   // no exit password to ask for
    EXPECT_EQ(ClickDone(), QStringList());
    EXPECT_EQ(ReadTextLines(OptionsPath()).size(), 13);
}

TEST_F(SettingsWindowTest, ThePasswordBoxShowsDotsTheTickWithoutAPasswordIsRefusedAndANewDisplayFormatRebuildsTheTree)
{
    const QStringList before{"-1", "-1", "0", "0", "0", "", "0", "-1", "-1", "0"};
    WriteTextLines(OptionsPath(), before);
    Form6->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form6));
    EXPECT_EQ(passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(passwordBox()->isEnabled());
    Control<QTabWidget>(Form6, "PageControl")->setCurrentIndex(2);
    QTest::mouseClick(box("CheckBox5"), Qt::LeftButton);
    ASSERT_TRUE(box("CheckBox5")->isChecked());
    const QStringList told = ClickDone();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.first().contains("Введите пароль")) << told.first().toStdString();
    EXPECT_EQ(ReadTextLines(OptionsPath()), before) << "the file stays as it was";
    EXPECT_TRUE(Form6->isVisible()) << "the window stays open for the password";

    QTest::keyClicks(passwordBox(), "Muzei 1");
    QTest::mouseClick(Control<QPushButton>(Form6, "Button1"), Qt::LeftButton);
    EXPECT_FALSE(Form6->isVisible());
    EXPECT_EQ(ReadTextLines(OptionsPath()).mid(4, 2), (QStringList{"-1", "Muzei 1"}));

    // Changing the display format rebuilds the class tree collapsed.
    exec("INSERT INTO CLASSES VALUES(1,'Cities','01',0,0)");
    exec("INSERT INTO CLASSES VALUES(2,'Town','',1,0)");
    Form1->ClassesViewExpand(nullptr);
    QTreeWidget *tree = Control<QTreeWidget>(Control<ClassifierPage>(Form1, "ClassifierPage"), "ClassesView");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Cities (01)");
    tree->topLevelItem(0)->setExpanded(true);

    Form6->FormActivate();
    Form6->setRadioIndex(1);
    ClickDone();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "01 - Cities");
    EXPECT_FALSE(tree->topLevelItem(0)->isExpanded());

    // "Готово" without a change leaves the tree as it is.
    tree->topLevelItem(0)->setExpanded(true);
    Form6->FormActivate();
    ClickDone();
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
}

TEST_F(SettingsWindowTest, AFileOfAnEarlierVersionReadsWithTheDefaultsTypedValuesSurviveARoundTripAndWrongOnesAreRefusedOrReported)
{
    WriteTextLines(OptionsPath(), earlierVersion);
    EXPECT_EQ(activate(), QStringList());
    const auto shown = [] {
        return QStringList{edit("SnapshotsKeptEdit")->text(), edit("SnapshotProgressSizeEdit")->text(),
                           edit("RecycleBinDaysEdit")->text()};
    };
    EXPECT_EQ(shown(), (QStringList{"10", "50", "30"}));
    EXPECT_EQ(Settings::RecycleBinDays(), 30);

    retype("SnapshotsKeptEdit", "3");
    retype("SnapshotProgressSizeEdit", "0");
    retype("RecycleBinDaysEdit", "45");
    EXPECT_EQ(Settings::RecycleBinDays(), 30) << "what is typed counts only once saved";
    // Fewer snapshots remove older ones: asked first, and "Нет" saves nothing.
    const QStringList asked = ClickDone(QMessageBox::No);
    EXPECT_EQ(asked, QStringList{"При следующем создании резервной копии базы данных останутся только 3 последних копий, более "
                                 "старые будут удалены.\nСохранить настройки?"});
    EXPECT_EQ(ReadTextLines(OptionsPath()), earlierVersion);
    EXPECT_EQ(ClickDone(QMessageBox::Yes), asked);
    EXPECT_EQ(ReadTextLines(OptionsPath()),
              (earlierVersion + QStringList{"SnapshotsKept=3", "SnapshotProgressMiB=0", "RecycleBinDays=45"}));
    EXPECT_EQ(Settings::SnapshotsKept(), 3);
    EXPECT_EQ(Settings::SnapshotProgressBytes(), 0);
    EXPECT_EQ(Settings::RecycleBinDays(), 45);

    // Read back, and written again in place: one line each, the other lines kept.
    retype("RecycleBinDaysEdit", "7");
    Form6->FormActivate();
    EXPECT_EQ(shown(), (QStringList{"3", "0", "45"}));
    retype("SnapshotsKeptEdit", "1000");
    EXPECT_EQ(ClickDone(), QStringList()) << "more kept: nothing to ask";
    EXPECT_EQ(ReadTextLines(OptionsPath()),
              (earlierVersion + QStringList{"SnapshotsKept=1000", "SnapshotProgressMiB=0", "RecycleBinDays=45"}));

    // Values outside their limits are refused in plain words at their box, and nothing is written.
    Form6->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form6));
    const QStringList before = ReadTextLines(OptionsPath());
    retype("SnapshotsKeptEdit", "0");
    EXPECT_EQ(ClickDone(),
              QStringList{"Число хранимых резервных копий должно быть целым числом от 1 до 1000."});
    EXPECT_EQ(Form6->focusWidget(), edit("SnapshotsKeptEdit"));
    EXPECT_EQ(Control<QTabWidget>(Form6, "PageControl")->currentIndex(), 3);
    retype("SnapshotsKeptEdit", "12");
    retype("RecycleBinDaysEdit", "1,5");
    EXPECT_EQ(ClickDone(),
              QStringList{"Срок хранения объектов в корзине должен быть целым числом дней от 1 до 36500."});
    EXPECT_EQ(ReadTextLines(OptionsPath()), before) << "nothing is written while a value is refused";
    EXPECT_EQ(Settings::SnapshotsKept(), 1000);

    WriteTextLines(OptionsPath(), earlierVersion + QStringList{"SnapshotsKept=5", "RecycleBinDays=много"});
    EXPECT_EQ(activate(), QStringList{"Файл настроек, строка 13: 'RecycleBinDays=много' не является допустимым значением"});
    EXPECT_EQ(Settings::SnapshotsKept(), 5);
    EXPECT_EQ(Settings::RecycleBinDays(), 30);
}

// The settings window reads and writes the file through these (the cases above); here
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
