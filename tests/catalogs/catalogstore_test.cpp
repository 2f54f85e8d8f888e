#include "support/testsupport.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/textfile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>

using namespace CatalogStore;

namespace {
// A version of a catalog, its pictures all marked with `tag`, so two versions share no picture.
struct Version
{
    Layout::Catalog layout;
    Pictures pictures;
};
Version version(char tag, int images, int pictureSize = 64)
{
    Version v;
    v.pictures.background = QByteArray(pictureSize, tag) + "background";
    for (int k = 0; k < images; ++k) {
        v.layout.textImages.append({10 * k, 10, 8, 8});
        v.pictures.textImages << QByteArray(pictureSize, tag) + QByteArray::number(k);
    }
    return v;
}

// What a user is shown of the catalog `name` of `db`: "A" or "B" when the row and every picture are
// that version's, "none" without a row, else "mix".
QString shown(TDModule &db, const QString &name, const Version &a, const Version &b)
{
    const std::optional<Stored> stored = Open(db, name);
    if (!stored)
        return "none";
    const Layout::Catalog layout = Layout::Read(stored->layoutText).catalog;
    const Pictures pictures = LoadPictures(db, name, *stored, layout);
    for (const auto &[tag, v] : {std::pair{"A", &a}, std::pair{"B", &b}}) {
        if (layout.textImages.size() == v->layout.textImages.size() && pictures.background == v->pictures.background
            && pictures.textImages == v->pictures.textImages)
            return tag;
    }
    return "mix";
}

class CatalogStoreTest : public DatabaseTest
{
protected:
    QString folderOf(const QString &name) const
    {
        return QFileInfo(dbPath).absolutePath() + "/test_mdb_" + name;
    }
    // Where a save or delete keeps its files until it is finished.
    QString workFolder() const { return QFileInfo(dbPath).absolutePath() + "/test_mdb_"; }
};
}

// One row per name after saving again, with the new layout: CatalogPicturesTest, on both engines.
TEST_F(CatalogStoreTest, SavingAgainGivesTheNextIdentifierAndKeepsThePathBesideTheDatabase)
{
    exec("INSERT INTO KATALOGS VALUES (7, 'Другой', '', '')");
    Save(*module, "Main", {}, {});
    Save(*module, "Main", {}, {});
    // The only other row holds 7, so the replaced row gets 8 again.
    EXPECT_EQ(rows("SELECT K_ID, K_PATH FROM KATALOGS WHERE K_NAME = 'Main'"), (QList<QVariantList>{{8, folderOf("Main")}}));
    EXPECT_TRUE(QFileInfo(folderOf("Main")).isDir());
    EXPECT_EQ(Open(*module, "Main")->folder, folderOf("Main"));
}

TEST_F(CatalogStoreTest, NamesThatCannotBeFoldersAreRefused)
{
    for (const QString &bad : {"", ".", "..", "a/b", "a\\b", "c:", "что?", "a*", "\"x\"", "<", ">", "a|b", "  "}) {
        EXPECT_FALSE(NameError(bad).isEmpty()) << bad.toStdString();
        EXPECT_THROW(Save(*module, bad, {}, {}), DbError);
    }
    EXPECT_TRUE(NameError("Главный каталог 2.0").isEmpty());
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
    // No catalog folder was made: only the program folder's own.
    EXPECT_EQ(QDir(QFileInfo(dbPath).absolutePath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{"Samples", "System"}));
}

TEST_F(CatalogStoreTest, DeletingRemovesFilesAndFolderButKeepsAFolderWithASubfolderOrNotItsOwn)
{
    const QString plain = Save(*module, "Простой", {}, {"jpeg", {}});
    WriteTextLines(plain + "/.hidden", {});
    const QString nested = Save(*module, "Вложенный", {}, {"jpeg", {}});
    QDir().mkpath(nested + "/sub");

    Delete(*module, "Простой");
    EXPECT_FALSE(QFileInfo::exists(plain));
    Delete(*module, "Вложенный");
    EXPECT_TRUE(QFileInfo(nested + "/sub").isDir());
    EXPECT_FALSE(QFileInfo::exists(nested + "/Background.jpg"));
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);

    // A folder that is not the catalog's own is never emptied, even one whose name ends in "_" and the
    // catalog's name.
    const QString other = QFileInfo(dbPath).absolutePath() + "/Документы_Main";
    QDir().mkpath(other);
    WriteTextLines(other + "/важное.txt", {});
    exec(QStringLiteral("INSERT INTO KATALOGS VALUES (1, 'Main', '%1', '')").arg(other));
    Delete(*module, "Main");
    EXPECT_TRUE(QFileInfo::exists(other + "/важное.txt"));
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
}

// A copy made by "Сохранить как..." keeps the rows, whose folder still names the first file's: the copy
// reads and deletes only folders of its own.
TEST_F(CatalogStoreTest, ACopiedDatabaseHasCatalogFoldersOfItsOwnAndDeletingThereSparesTheOriginal)
{
    const Version a = version('A', 2), b = version('B', 2);
    const QString original = Save(*module, "Main", a.layout, a.pictures);
    const QString copyPath = QFileInfo(dbPath).absolutePath() + "/копия.mdb";
    CopyDatabase(*module, dbPath, copyPath);

    TDModule copy;
    copy.OpenConnection(copyPath);
    EXPECT_EQ(Open(copy, "Main")->folder, original) << "the stored path stays as it was";
    EXPECT_EQ(FileBytes(QFileInfo(copyPath).absolutePath() + "/копия_mdb_Main/Image1.jpg"), a.pictures.textImages[1]);
    // The original changes on; the copy shows what it was given.
    Save(*module, "Main", b.layout, b.pictures);
    EXPECT_EQ(shown(copy, "Main", a, b), "A");

    Delete(copy, "Main");
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(copyPath).absolutePath() + "/копия_mdb_Main"));
    EXPECT_EQ(shown(*module, "Main", a, b), "B");
    EXPECT_EQ(FileBytes(original + "/Background.jpg"), b.pictures.background);

    // A failed copy leaves neither the file nor folders beside it.
    const QString failedPath = QFileInfo(dbPath).absolutePath() + "/неудачная.mdb";
    BeforeWrite = [](const QString &write) {
        if (write == "copy")
            throw DbError("нет места на диске");
    };
    EXPECT_THROW(CopyDatabase(*module, dbPath, failedPath), DbError);
    BeforeWrite = nullptr;
    EXPECT_EQ(QDir(QFileInfo(dbPath).absolutePath()).entryList({"неудачная*"}, QDir::AllEntries), QStringList());
}

// A save, a replacement and a delete each fail at every one of their writes in turn: before the row is
// committed the old catalog stays whole and nothing of the new is left; after it the new one is whole
// at its next use.
TEST_F(CatalogStoreTest, AFailureAtAnyWriteOfASaveOrDeleteOrAnotherProgramSavingLeavesTheOldCatalogOrTheNewWhole)
{
    const Version a = version('A', 3), b = version('B', 2);
    const auto clear = [&] { exec("DELETE FROM KATALOGS"); QDir(folderOf("Main")).removeRecursively(); };
    const auto saveA = [&] { Save(*module, "Main", a.layout, a.pictures); };
    const auto saveB = [&] { Save(*module, "Main", b.layout, b.pictures); };
    const auto remove = [&] { Delete(*module, "Main"); };
    struct Case
    {
        const char *what;
        std::function<void()> setUp, action;
        QString before, after;
    };
    const QList<Case> cases = {{"first save", clear, saveA, "none", "A"},
                               {"replacement", saveA, saveB, "A", "B"},
                               {"delete", saveA, remove, "A", "none"}};
    for (const Case &c : cases) {
        c.setUp();
        QStringList writes;
        BeforeWrite = [&](const QString &write) { writes << write; };
        c.action();
        BeforeWrite = nullptr;
        ASSERT_TRUE(writes.contains("row")) << c.what;
        for (int failing = 0; failing < writes.size(); ++failing) {
            const std::string where = std::string(c.what) + " failing at " + writes[failing].toStdString();
            c.setUp();
            int seen = 0;
            BeforeWrite = [&](const QString &write) {
                if (seen++ == failing)
                    throw DbError("отказ записи " + write);
            };
            EXPECT_THROW(c.action(), DbError) << where;
            BeforeWrite = nullptr;
            const bool committed = failing > writes.indexOf("row");
            if (!committed) {
                EXPECT_FALSE(QFileInfo::exists(workFolder())) << where;
                EXPECT_EQ(QFileInfo::exists(folderOf("Main")), c.before != "none") << where;
            }
            EXPECT_EQ(shown(*module, "Main", a, b), committed ? c.after : c.before) << where;
            EXPECT_FALSE(QFileInfo::exists(workFolder())) << where;
        }
    }

    // A real fault of the files: a folder where a picture file should go.
    QDir().mkpath(folderOf("Другой") + "/Background.jpg");
    EXPECT_THROW(Save(*module, "Другой", b.layout, b.pictures), DbError);
    EXPECT_EQ(shown(*module, "Другой", a, b), "none");
    EXPECT_FALSE(QFileInfo::exists(workFolder()));
    saveA();

    // Another program saving the same file's catalogs: what it has written beside is left to it, and a
    // change waits for it, then is refused with a message.
    QLockFile other(dbPath + ".catalogs-lock");
    other.setStaleLockTime(0);
    ASSERT_TRUE(other.tryLock());
    const QString itsPictures = workFolder() + "/new/Main";
    QDir().mkpath(itsPictures);
    WriteTextLines(itsPictures + "/Image0.jpg", {});

    EXPECT_EQ(shown(*module, "Main", a, b), "A");
    EXPECT_TRUE(QFileInfo::exists(itsPictures + "/Image0.jpg"));
    EXPECT_THROW(Save(*module, "Main", b.layout, b.pictures), DbError);
    other.unlock();
    // Left by a program that ended without finishing: taken back.
    EXPECT_EQ(shown(*module, "Main", a, b), "A");
    EXPECT_FALSE(QFileInfo::exists(workFolder()));
}

namespace {
const char *const SavingChildDatabase = "VIRANDEL_SAVING_CHILD_DB";
const int ImagesA = 21, ImagesB = 17, PictureSize = 48 * 1024;
}

// Run by the next test in a process of its own, which it kills: saves the two versions in turn for ever.
TEST(CatalogStoreChild, SavesTheCatalogAgainAndAgain)
{
    if (qEnvironmentVariableIsEmpty(SavingChildDatabase))
        GTEST_SKIP() << "started only by AKilledSaveLeavesTheOldCatalogOrTheNewWhole";
    const auto a = version('A', ImagesA, PictureSize), b = version('B', ImagesB, PictureSize);
    TDModule db;
    db.OpenConnection(qEnvironmentVariable(SavingChildDatabase));
    TellParentWorking();
    for (;;) {
        Save(db, "Main", b.layout, b.pictures);
        Save(db, "Main", a.layout, a.pictures);
    }
}

TEST_F(CatalogStoreTest, AKilledSaveLeavesTheOldCatalogOrTheNewWhole)
{
    const Version a = version('A', ImagesA, PictureSize), b = version('B', ImagesB, PictureSize);
    QElapsedTimer timer;
    timer.start();
    Save(*module, "Main", b.layout, b.pictures);
    Save(*module, "Main", a.layout, a.pictures);
    const int twoSavesMs = int(timer.elapsed()) + 2;
    module->CloseConnection();

    QRandomGenerator random(24);
    int interrupted = 0;
    for (int kill = 0; kill < 17; ++kill) {
        QByteArray said;
        ASSERT_TRUE(RunChildAndKill("CatalogStoreChild.*", {{SavingChildDatabase, dbPath}},
                                    int(random.bounded(twoSavesMs * 3)), &said))
            << said.toStdString();

        if (QFileInfo::exists(workFolder()))
            ++interrupted;
        module->OpenConnection(dbPath);
        EXPECT_FALSE(QFileInfo::exists(workFolder())) << "kill " << kill << ": finished or taken back at opening";
        EXPECT_NE(shown(*module, "Main", a, b), "mix") << "kill " << kill;
        EXPECT_NE(shown(*module, "Main", a, b), "none") << "kill " << kill;
        module->CloseConnection();
    }
    EXPECT_GT(interrupted, 0) << "no kill fell inside a save";
    module->OpenConnection(dbPath);
}

// Every user of a database reads the catalog's pictures from where the store keeps them: the folder
// beside a file, the database itself on a server. Saved, replaced and deleted alike on both.
class CatalogPicturesTest : public EngineTest
{
};

TEST_P(CatalogPicturesTest, PicturesComeBackByteForByteAfterSavingAgainAndGoWithTheCatalog)
{
    const QByteArray background("\xFF\xD8 background \x00\x01", 17);
    Layout::Catalog layout;
    layout.textImages = {{10, 10, 0, 0}, {20, 20, 5, 5}};
    layout.textLabels = {{"l'été", Layout::Colors::WindowText, 8, "Arial", 0, 0}};
    Save(*module, "Д'Артаньян", layout, {background, {"first", QByteArray("\x00second", 7)}});
    Save(*module, "Другой", layout, {{}, {"other", "other 2"}});
    layout.textImages.removeLast();
    Save(*module, "Д'Артаньян", layout, {background, {"FIRST"}});
    EXPECT_EQ(Names(*module), (QStringList{"Д'Артаньян", "Другой"}));
    EXPECT_TRUE(Open(*module, "Д'Артаньян")->layoutText.contains("l'été"));

    const auto loaded = [&](const QString &name) {
        const std::optional<Stored> stored = Open(*module, name);
        EXPECT_TRUE(stored.has_value());
        const Layout::ReadResult read = Layout::Read(stored->layoutText);
        return LoadPictures(*module, name, *stored, read.catalog);
    };
    Pictures shown = loaded("Д'Артаньян");
    EXPECT_EQ(shown.background, background);
    EXPECT_EQ(shown.textImages, QList<QByteArray>{"FIRST"});
    shown = loaded("Другой");
    EXPECT_TRUE(shown.background.isEmpty());
    EXPECT_EQ(shown.textImages, (QList<QByteArray>{"other", "other 2"}));

    Delete(*module, "Д'Артаньян");
    EXPECT_FALSE(Open(*module, "Д'Артаньян").has_value());
    if (onServer())
        EXPECT_EQ(count("SELECT * FROM KATALOG_FILES WHERE KF_KATALOG = 'Д''Артаньян'"), 0);
    EXPECT_EQ(loaded("Другой").textImages.size(), 2);
}

ENGINE_TEST_SUITE(CatalogPicturesTest);
