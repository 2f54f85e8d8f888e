#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/form6.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {
class KeepingSettingsTest : public AppTest
{
protected:
    static QString optionsPath() { return DModule->ProgramFolder + "/System/Options.txt"; }
    static QLineEdit *edit(const char *name) { return Control<QLineEdit>(Form6, name); }
    static void retype(const char *name, const QString &text)
    {
        QLineEdit *box = edit(name);
        box->setFocus();
        box->selectAll();
        TypeKeys(box, text);
    }
    void TearDown() override
    {
        WriteTextLines(optionsPath(), Options::InitialLines());
        Form6->FormActivate();
        AppTest::TearDown();
    }
    const QStringList earlierVersion{"-1", "-1", "0", "0", "0", "", "0", "-1", "-1", "0", "строка другой версии"};
};
}

TEST_F(KeepingSettingsTest, AFileOfAnEarlierVersionReadsWithTheDefaultsAndTypedValuesSurviveARoundTrip)
{
    WriteTextLines(optionsPath(), earlierVersion);
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        Form6->FormActivate();
        EXPECT_EQ(none.seen(), 0);
    }
    EXPECT_EQ(edit("SnapshotsKeptEdit")->text(), "10");
    EXPECT_EQ(edit("SnapshotProgressSizeEdit")->text(), "50");
    EXPECT_EQ(edit("RecycleBinDaysEdit")->text(), "30");
    EXPECT_EQ(Settings::RecycleBinDays(), 30);

    retype("SnapshotsKeptEdit", "3");
    retype("SnapshotProgressSizeEdit", "0");
    retype("RecycleBinDaysEdit", "45");
    EXPECT_EQ(Settings::RecycleBinDays(), 30) << "what is typed counts only once saved";
    // Fewer snapshots remove older ones: asked first, and "Нет" saves nothing.
    const QStringList asked = ClickAnswering(Control<QPushButton>(Form6, "Button1"), QMessageBox::No);
    EXPECT_EQ(asked, QStringList{"При следующем создании резервной копии базы данных останутся только 3 последних копий, более "
                                 "старые будут удалены.\nСохранить настройки?"});
    EXPECT_EQ(ReadTextLines(optionsPath()), earlierVersion);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form6, "Button1"), QMessageBox::Yes), asked);
    EXPECT_EQ(ReadTextLines(optionsPath()),
              (earlierVersion + QStringList{"SnapshotsKept=3", "SnapshotProgressMiB=0", "RecycleBinDays=45"}));
    EXPECT_EQ(Settings::SnapshotsKept(), 3);
    EXPECT_EQ(Settings::SnapshotProgressBytes(), 0);
    EXPECT_EQ(Settings::RecycleBinDays(), 45);

    // Read back, and written again in place: one line each, the other lines kept.
    retype("RecycleBinDaysEdit", "7");
    Form6->FormActivate();
    EXPECT_EQ(edit("RecycleBinDaysEdit")->text(), "45");
    retype("SnapshotsKeptEdit", "1000");
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(Form6, "Button1")).isEmpty()) << "more kept: nothing to ask";
    EXPECT_EQ(ReadTextLines(optionsPath()),
              (earlierVersion + QStringList{"SnapshotsKept=1000", "SnapshotProgressMiB=0", "RecycleBinDays=45"}));
}

TEST_F(KeepingSettingsTest, ValuesOutsideTheirLimitsAreRefusedInPlainWordsAndAWrongLineIsReported)
{
    WriteTextLines(optionsPath(), earlierVersion);
    Form6->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form6));
    Form6->FormActivate();
    const QStringList before = ReadTextLines(optionsPath());
    retype("SnapshotsKeptEdit", "0");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form6, "Button1")),
              QStringList{"Число хранимых резервных копий должно быть целым числом от 1 до 1000."});
    EXPECT_EQ(Form6->focusWidget(), edit("SnapshotsKeptEdit"));
    EXPECT_EQ(Control<QTabWidget>(Form6, "PageControl")->currentIndex(), 3);
    retype("SnapshotsKeptEdit", "12");
    retype("RecycleBinDaysEdit", "1,5");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form6, "Button1")),
              QStringList{"Срок хранения объектов в корзине должен быть целым числом дней от 1 до 36500."});
    EXPECT_EQ(ReadTextLines(optionsPath()), before) << "nothing is written while a value is refused";
    EXPECT_EQ(Settings::SnapshotsKept(), 10);

    WriteTextLines(optionsPath(), earlierVersion + QStringList{"SnapshotsKept=5", "RecycleBinDays=много"});
    MessageBoxAnswerer answer(QMessageBox::Ok);
    Form6->FormActivate();
    EXPECT_EQ(answer.texts(), QStringList{"Файл настроек, строка 13: 'RecycleBinDays=много' не является допустимым значением"});
    EXPECT_EQ(Settings::SnapshotsKept(), 5);
    EXPECT_EQ(Settings::RecycleBinDays(), 30);
}
