#include "support/testsupport.h"

#include "app/forms.h"
#include "app/recentdatabases.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/form6.h"

namespace {
class KioskStartTest : public AppTest
{
protected:
    static QString optionsPath() { return DModule->ProgramFolder + "/System/Options.txt"; }
    void TearDown() override
    {
        WriteTextLines(optionsPath(), Options::InitialLines());
        Form6->FormActivate();
        AppTest::TearDown();
    }
};
}

TEST_F(KioskStartTest, KioskSettingsLiveAfterTheTenLinesBesideTheRecentDatabasesAndAFileWithoutThemReadsTheDefaults)
{
    const QStringList earlierVersion = Options::InitialLines() + QStringList{"/data/Музей.mdb", "RecycleBinDays=9"};
    WriteTextLines(optionsPath(), earlierVersion);
    Form6->FormActivate();
    EXPECT_EQ(Settings::StartCatalogFile(), "");
    EXPECT_EQ(Settings::KioskIdleMinutes(), 3);
    EXPECT_EQ(Settings::KioskSlideSeconds(), 0);
    EXPECT_FALSE(Settings::KioskPasswordStopsSession());

    Options::Kiosk kiosk;
    kiosk.startCatalogFile = " /data/Зал 2.mdb";   // kept exactly, the leading space included
    kiosk.startCatalogName = "Минералы";
    kiosk.idleMinutes = 0;
    kiosk.slideSeconds = 12;
    kiosk.passwordStopsSession = true;
    UseKioskSettings(kiosk);
    EXPECT_EQ(Settings::StartCatalogFile(), "") << "a file chosen but the choice turned off starts nothing";
    EXPECT_EQ(Settings::KioskIdleMinutes(), 0);
    EXPECT_EQ(Settings::KioskSlideSeconds(), 12);
    EXPECT_TRUE(Settings::KioskPasswordStopsSession());
    kiosk.startCatalog = true;
    UseKioskSettings(kiosk);
    EXPECT_EQ(Settings::StartCatalogFile(), " /data/Зал 2.mdb");
    EXPECT_EQ(Settings::StartCatalogName(), "Минералы");

    const QStringList lines = ReadTextLines(optionsPath());
    EXPECT_EQ(lines.mid(0, 12), earlierVersion) << "the ten lines and the lines of others stay as they were";
    // Opening a database remembers it among the recent ones without taking the kiosk lines for databases
    // or dropping them.
    EXPECT_EQ(RecentDatabases::Read(DModule->ProgramFolder), QStringList{"/data/Музей.mdb"});
    ASSERT_TRUE(RecentDatabases::Remember(DModule->ProgramFolder, "/data/Другая.mdb"));
    EXPECT_EQ(RecentDatabases::Read(DModule->ProgramFolder), (QStringList{"/data/Другая.mdb", "/data/Музей.mdb"}));
    Form6->FormActivate();
    EXPECT_EQ(Settings::StartCatalogName(), "Минералы");
    EXPECT_EQ(Settings::KioskSlideSeconds(), 12);

    // A wrong value is reported with its line and the default used.
    WriteTextLines(optionsPath(), Options::InitialLines() + QStringList{"KioskSlideSeconds=-5"});
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    Form6->FormActivate();
    EXPECT_EQ(answerer.texts(), QStringList{"Файл настроек, строка 11: 'KioskSlideSeconds=-5' не является допустимым значением"});
    EXPECT_EQ(Settings::KioskSlideSeconds(), 0);
}
