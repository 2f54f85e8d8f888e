#include "support/testsupport.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace CatalogStore;

namespace {
class CatalogStoreTest : public DatabaseTest
{
protected:
    QString folderOf(const QString &name) const
    {
        return QFileInfo(dbPath).absolutePath() + "/test_mdb_" + name;
    }
    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
}

TEST_F(CatalogStoreTest, SavingTwiceKeepsOneRowWithTheNextIdentifierAndThePathBesideTheDatabase)
{
    exec("INSERT INTO KATALOGS VALUES (7, 'Другой', '', '')");
    Layout::Catalog layout;
    layout.textLabels = {{"первая", Layout::Colors::WindowText, 8, "Arial", 5, 5}};
    Save(*module, "Main", layout, {});
    EXPECT_EQ(rows("SELECT K_ID, K_PATH FROM KATALOGS WHERE K_NAME = 'Main'"),
              (QList<QVariantList>{{8, folderOf("Main")}}));
    EXPECT_TRUE(QFileInfo(folderOf("Main")).isDir());

    layout.textLabels[0].text = "вторая";
    Save(*module, "Main", layout, {});
    // The only other row holds 7, so the replaced row gets 8 again.
    EXPECT_EQ(rows("SELECT K_ID, K_DATA FROM KATALOGS WHERE K_NAME = 'Main'"),
              (QList<QVariantList>{{8, Layout::Write(layout)}}));
    EXPECT_EQ(Names(*module), (QStringList{"Main", "Другой"}));
    const std::optional<Stored> stored = Open(*module, "Main");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->folder, folderOf("Main"));
    EXPECT_TRUE(stored->layoutText.contains("вторая\r\n"));
    EXPECT_FALSE(Open(*module, "Нет такого").has_value());
}

TEST_F(CatalogStoreTest, PicturesAreWrittenByteForByteAndNamedByPosition)
{
    // Not a valid JPEG on purpose: the store copies whatever the user chose, unchanged.
    const QByteArray background("\xFF\xD8 background \x00\x01", 17);
    Layout::Catalog layout;
    layout.textImages = {{10, 10, 0, 0}, {20, 20, 5, 5}};
    const QString folder = Save(*module, "С картинками", layout, {background, {"first", "second"}});
    EXPECT_EQ(fileBytes(folder + "/Background.jpg"), background);
    EXPECT_EQ(fileBytes(folder + "/Image0.jpg"), "first");
    EXPECT_EQ(fileBytes(folder + "/Image1.jpg"), "second");
    const QString text = Open(*module, "С картинками")->layoutText;
    EXPECT_TRUE(text.startsWith("%Background%\r\nBackground.jpg\r\n%Columns%"));
    EXPECT_TRUE(text.contains("TextImage1.jpg\r\n20\r\n20\r\n5\r\n5\r\n"));

    // Saving again overwrites what changed, also a picture of the same length.
    Save(*module, "С картинками", layout, {background, {"FIRST", "second"}});
    EXPECT_EQ(fileBytes(folder + "/Image0.jpg"), "FIRST");
    EXPECT_EQ(fileBytes(folder + "/Image1.jpg"), "second");
}

TEST_F(CatalogStoreTest, AFailedPictureWriteLeavesTheOldRow)
{
    Save(*module, "Main", {}, {});
    const QString before = scalar("SELECT K_DATA FROM KATALOGS").toString();
    // A folder where the picture file should be makes the write fail.
    QDir().mkpath(folderOf("Main") + "/Background.jpg");
    Layout::Catalog layout;
    layout.textLabels = {{"новая", Layout::Colors::WindowText, 8, "Arial", 0, 0}};
    EXPECT_THROW(Save(*module, "Main", layout, {"jpeg", {}}), DbError);
    EXPECT_EQ(rows("SELECT K_ID, K_DATA FROM KATALOGS"), (QList<QVariantList>{{1, before}}));
}

TEST_F(CatalogStoreTest, NamesWithQuotesWorkAndNamesThatCannotBeFoldersAreRefused)
{
    Layout::Catalog layout;
    layout.textLabels = {{"l'été", Layout::Colors::WindowText, 8, "Arial", 0, 0}};
    Save(*module, "Д'Артаньян", layout, {});
    EXPECT_EQ(Names(*module), QStringList{"Д'Артаньян"});
    EXPECT_TRUE(Open(*module, "Д'Артаньян")->layoutText.contains("l'été"));
    Delete(*module, "Д'Артаньян");
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);

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

TEST_F(CatalogStoreTest, DeletingRemovesFilesAndFolderButKeepsAFolderWithASubfolder)
{
    const QString plain = Save(*module, "Простой", {}, {"jpeg", {}});
    QFile hidden(plain + "/.hidden");
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    const QString nested = Save(*module, "Вложенный", {}, {"jpeg", {}});
    QDir().mkpath(nested + "/sub");

    Delete(*module, "Простой");
    EXPECT_FALSE(QFileInfo::exists(plain));
    Delete(*module, "Вложенный");
    EXPECT_TRUE(QFileInfo(nested + "/sub").isDir());
    EXPECT_FALSE(QFileInfo::exists(nested + "/Background.jpg"));
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
}

TEST_F(CatalogStoreTest, DeletingNeverEmptiesAFolderThatIsNotTheCatalogsOwn)
{
    const QString other = QFileInfo(dbPath).absolutePath() + "/Документы";
    QDir().mkpath(other);
    QFile keep(other + "/важное.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    exec(QStringLiteral("INSERT INTO KATALOGS VALUES (1, 'Main', '%1', '')").arg(other));
    Delete(*module, "Main");
    EXPECT_TRUE(QFileInfo::exists(other + "/важное.txt"));
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
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
    Save(*module, "Витрина", layout, {background, {"first", QByteArray("\x00second", 7)}});
    Save(*module, "Другой", layout, {{}, {"other", "other 2"}});
    layout.textImages.removeLast();
    Save(*module, "Витрина", layout, {background, {"FIRST"}});

    const auto loaded = [&](const QString &name) {
        const std::optional<Stored> stored = Open(*module, name);
        EXPECT_TRUE(stored.has_value());
        const Layout::ReadResult read = Layout::Read(stored->layoutText);
        return LoadPictures(*module, name, *stored, read.catalog);
    };
    Pictures shown = loaded("Витрина");
    EXPECT_EQ(shown.background, background);
    EXPECT_EQ(shown.textImages, QList<QByteArray>{"FIRST"});
    shown = loaded("Другой");
    EXPECT_TRUE(shown.background.isEmpty());
    EXPECT_EQ(shown.textImages, (QList<QByteArray>{"other", "other 2"}));

    Delete(*module, "Витрина");
    EXPECT_FALSE(Open(*module, "Витрина").has_value());
    if (onServer())
        EXPECT_EQ(count("SELECT * FROM KATALOG_FILES WHERE KF_KATALOG = 'Витрина'"), 0);
    EXPECT_EQ(loaded("Другой").textImages.size(), 2);
}

ENGINE_TEST_SUITE(CatalogPicturesTest);
