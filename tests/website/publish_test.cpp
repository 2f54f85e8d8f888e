#include "support/testsupport.h"

#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "catalogs/catalogstore.h"
#include "catalogs/sitepublish.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "objects/form2.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <sys/stat.h>

namespace {

struct SiteFile
{
    QByteArray bytes;
    quint64 inode = 0;
    qint64 modifiedNs = 0;
};

// Every file of the site at `folder` by its path in the site, with its content, inode and file time.
QMap<QString, SiteFile> SiteFiles(const QString &folder)
{
    QMap<QString, SiteFile> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        files.insert(QDir(folder).relativeFilePath(path),
                     {FileBytes(path), quint64(info.st_ino), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    }
    return files;
}

QMap<QString, QByteArray> Contents(const QMap<QString, SiteFile> &files)
{
    QMap<QString, QByteArray> contents;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        contents.insert(it.key(), it->bytes);
    return contents;
}

// The entries of `folder` (hidden ones too): what a publishing left beside its site.
QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The paths of the files whose content holds `text`.
QStringList Holding(const QMap<QString, SiteFile> &files, const QString &text)
{
    QStringList found;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        if (it->bytes.contains(text.toUtf8()))
            found << it.key();
    return found;
}

// A catalog showing each object's name and picture, and three objects with pictures of their own.
void MakeCatalog(TDModule &module, qint64 *nameField = nullptr, qint64 *photoField = nullptr)
{
    const qint64 name = addField(module, "Название", StringType);
    const qint64 photo = addField(module, "Фото", ImageType);
    closeQueries(module);
    const QString insert = QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (?, ?, ?)").arg(name).arg(photo);
    module.exec(insert, {1, "Первый", PictureBytes(Qt::red, QSize(64, 48), "JPG")});
    module.exec(insert, {2, "Второй", PictureBytes(Qt::green, QSize(64, 48), "JPG")});
    module.exec(insert, {3, "Третий", PictureBytes(Qt::blue, QSize(64, 48), "JPG")});
    Layout::Catalog layout;
    layout.fieldLabels << Layout::Label{"Название", Layout::Colors::WindowText, 14, "Arial", 10, 10};
    layout.fieldImages << Layout::FieldImage{"Фото", 160, 120, 10, 60};
    CatalogStore::Save(module, "Зал", layout, {});
    if (nameField)
        *nameField = name;
    if (photoField)
        *photoField = photo;
}

class PublishTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        MakeCatalog(*module, &name, &photo);
        places = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/site-test-XXXXXX");
        target = places->path() + "/Сайт музея";
    }
    void TearDown() override
    {
        SitePublish::BeforeWrite = nullptr;
        DatabaseTest::TearDown();
    }
    SitePublish::Result publish(const QList<qint64> &ids = {1, 2, 3}, const SitePublish::Progress &progress = {})
    {
        return SitePublish::Publish(*module, "Зал", ids, {}, target, progress);
    }
    void rename(qint64 id, const QString &text, QColor colour)
    {
        module->exec(QStringLiteral("UPDATE GENER SET G%1 = ?, G%2 = ? WHERE G_ID = ?").arg(name).arg(photo),
                     {text, PictureBytes(colour, QSize(64, 48), "JPG"), id});
    }

    qint64 name = 0, photo = 0;
    std::unique_ptr<QTemporaryDir> places;
    QString target;
};

TEST_F(PublishTest, RepublishWritesOnlyWhatChangedCarriesTheRestAndRemovesWhatLeft)
{
    const SitePublish::Result first = publish();
    ASSERT_TRUE(first.error.isEmpty()) << first.error.toStdString();
    EXPECT_EQ(first.objects, 3);
    EXPECT_EQ(first.filesKept, 0);
    EXPECT_EQ(first.indexPath, target + "/index.html");
    const QMap<QString, SiteFile> before = SiteFiles(target);
    ASSERT_TRUE(before.contains("index.html"));
    ASSERT_TRUE(before.contains(SitePublish::MarkerFile));
    EXPECT_EQ(first.filesWritten, before.size() - 1) << "every file but the marker";

    // Nothing changed: nothing is written, no picture is made again.
    const SitePublish::Result same = publish();
    ASSERT_TRUE(same.error.isEmpty()) << same.error.toStdString();
    EXPECT_EQ(same.filesWritten, 0);
    EXPECT_EQ(same.picturesMade, 0);
    const QMap<QString, SiteFile> unchanged = SiteFiles(target);
    ASSERT_EQ(unchanged.keys(), before.keys());
    for (const QString &path : before.keys())
        EXPECT_EQ(unchanged[path].inode, before[path].inode) << path.toStdString();

    // The first object's name and picture changed: its page, the index and its pictures (the page's and
    // the grid's thumbnail) are written; every other file is carried over as it was.
    rename(1, "Первый <b>изменён</b>", Qt::yellow);
    const SitePublish::Result second = publish();
    ASSERT_TRUE(second.error.isEmpty()) << second.error.toStdString();
    const QMap<QString, SiteFile> after = SiteFiles(target);
    QStringList anew;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old != before.cend() && old->bytes == it->bytes) {
            EXPECT_EQ(it->inode, old->inode) << "carried over: " << it.key().toStdString();
            EXPECT_EQ(it->modifiedNs, old->modifiedNs) << it.key().toStdString();
        } else if (it.key() != SitePublish::MarkerFile) {
            anew << it.key();
            EXPECT_TRUE(old == before.cend() || it->inode != old->inode) << it.key().toStdString();
        }
    }
    EXPECT_EQ(second.filesWritten, anew.size()) << anew.join(", ").toStdString();
    EXPECT_EQ(second.filesKept, after.size() - 1 - anew.size());
    EXPECT_EQ(second.picturesMade, anew.size() - 2) << anew.join(", ").toStdString();
    const QStringList changed = Holding(after, "изменён");
    ASSERT_EQ(changed.size(), 2) << "the page and the index: " << changed.join(", ").toStdString();
    QStringList expected = changed;
    for (const QString &path : anew)
        if (path.endsWith(".jpg"))
            expected << path;
    EXPECT_EQ(anew, expected) << anew.join(", ").toStdString();
    EXPECT_LE(anew.size(), 4) << anew.join(", ").toStdString();
    int removed = 0;
    for (const QString &path : before.keys())
        removed += after.contains(path) ? 0 : 1;
    EXPECT_EQ(second.filesRemoved, removed) << "the old pictures of the first object";

    // The second object is no longer published: its page and pictures are gone, its neighbours' pages
    // (whose links led to it) and the index are written anew, every other page keeps its name and content.
    const SitePublish::Result third = publish({1, 3});
    ASSERT_TRUE(third.error.isEmpty()) << third.error.toStdString();
    const QMap<QString, SiteFile> last = SiteFiles(target);
    EXPECT_TRUE(Holding(last, "Второй").isEmpty());
    EXPECT_EQ(third.filesRemoved, after.size() - last.size());
    EXPECT_GE(third.filesRemoved, 2) << "the second object's page and picture";
    QStringList rewritten;
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        if (it.key() != SitePublish::MarkerFile && it->inode != after.value(it.key()).inode)
            rewritten << it.key();
    EXPECT_EQ(rewritten, QStringList({"index.html", "o1.html", "o3.html"}));
    EXPECT_EQ(third.filesWritten, 3);
    EXPECT_EQ(Holding(last, "Третий"), QStringList({"index.html", "o3.html"}));
    EXPECT_EQ(Entries(places->path()), QStringList{"Сайт музея"}) << "nothing left beside the site";
}

TEST_F(PublishTest, APictureTheEarlierSiteHasIsCarriedOverNotMadeAgain)
{
    // A generator that, as the site's own does, names pictures by their content and asks the sink first.
    int made = 0;
    const auto site = [&](const QList<QByteArray> &pictures) {
        return [&made, pictures](WebSite::Sink &sink, const SitePublish::Progress &) {
            QString index;
            for (const QByteArray &picture : pictures) {
                const QString path = "pictures/" + QCryptographicHash::hash(picture, QCryptographicHash::Sha1).toHex().left(12) + ".jpg";
                if (!sink.hasPicture(path)) {
                    sink.put(path, picture);
                    ++made;
                }
                index += path + "\n";
            }
            sink.put("index.html", index.toUtf8());
            return WebSite::Result{};
        };
    };
    ASSERT_TRUE(SitePublish::PublishWith(*module, target, site({"red", "green"}), {}).error.isEmpty());
    EXPECT_EQ(made, 2);
    const QMap<QString, SiteFile> before = SiteFiles(target);
    made = 0;
    const SitePublish::Result again = SitePublish::PublishWith(*module, target, site({"green", "blue", "blue"}), {});
    ASSERT_TRUE(again.error.isEmpty()) << again.error.toStdString();
    EXPECT_EQ(made, 1) << "only blue is new; asked twice, it is made once";
    const QMap<QString, SiteFile> after = SiteFiles(target);
    EXPECT_EQ(after.size(), 4) << QStringList(after.keys()).join(", ").toStdString();
    int carried = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (it->bytes == "green") {
            EXPECT_EQ(it->inode, before.value(it.key()).inode);
            ++carried;
        }
    EXPECT_EQ(carried, 1);
    EXPECT_EQ(again.filesKept, 1);
    EXPECT_EQ(again.filesWritten, 2) << "blue and the index";
    EXPECT_EQ(again.filesRemoved, 1) << "red";
    EXPECT_TRUE(Holding(after, "red").isEmpty());
}

TEST_F(PublishTest, StoppedOrFailingPublishingLeavesTheEarlierSiteByteIdentical)
{
    ASSERT_TRUE(publish().error.isEmpty());
    const QMap<QString, QByteArray> before = Contents(SiteFiles(target));
    rename(1, "Другое имя", Qt::black);

    // Stopped by the user after the first object.
    int calls = 0;
    const SitePublish::Result stopped = publish({1, 2, 3}, [&](int, int) { return ++calls < 2; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.error.isEmpty());
    EXPECT_EQ(Contents(SiteFiles(target)), before);
    EXPECT_EQ(Entries(places->path()), QStringList{"Сайт музея"});

    // A file that cannot be written; the new site not taking the place; where the folders cannot be
    // swapped at once, each of the two renames failing.
    for (const QString &failing : {QString("third file"), QString("in"), QString("aside"), QString("second in")}) {
        int files = 0, ins = 0;
        SitePublish::BeforeWrite = [&](const QString &step) {
            const bool fails = failing == "third file" ? step.contains('.') && ++files == 3
                               : failing == "second in" ? step == "in" && ++ins == 2
                                                        : step == failing;
            if (fails || (step == "exchange" && failing != "in"))
                throw DbError("Нет места на диске");
        };
        const SitePublish::Result failed = publish();
        EXPECT_FALSE(failed.error.isEmpty()) << failing.toStdString();
        EXPECT_FALSE(failed.stopped);
        EXPECT_EQ(Contents(SiteFiles(target)), before) << failing.toStdString();
        EXPECT_EQ(Entries(places->path()), QStringList{"Сайт музея"}) << failing.toStdString();
    }
    // Without the swap, the two renames replace the site.
    SitePublish::BeforeWrite = [](const QString &step) {
        if (step == "exchange")
            throw DbError("не умеет");
    };
    ASSERT_TRUE(publish().error.isEmpty());
    EXPECT_FALSE(Holding(SiteFiles(target), "Другое имя").isEmpty());
    EXPECT_EQ(Entries(places->path()), QStringList{"Сайт музея"});
}

// Run as a child by the test below: publishes slowly until it is killed.
TEST(PublishChild, PublishesSlowlyUntilKilled)
{
    const QString database = qEnvironmentVariable("VIRANDEL_PUBLISH_DB");
    if (database.isEmpty())
        GTEST_SKIP() << "runs only as the child of KilledPublishing";
    TDModule child;
    child.OpenConnection(database);
    bool told = false;
    SitePublish::Publish(child, "Зал", {1, 2, 3}, {}, qEnvironmentVariable("VIRANDEL_PUBLISH_TARGET"), [&](int, int) {
        if (!told)
            TellParentWorking();
        told = true;
        QThread::msleep(1000);
        return true;
    });
    ADD_FAILURE() << "the child was not killed";
}

TEST_F(PublishTest, KilledPublishingLeavesTheEarlierSiteWholeAndTheNextOneClearsUp)
{
    ASSERT_TRUE(publish().error.isEmpty());
    const QMap<QString, QByteArray> before = Contents(SiteFiles(target));
    rename(3, "После обрыва", Qt::white);
    closeQueries(*module);
    QByteArray said;
    ASSERT_TRUE(RunChildAndKill("PublishChild.PublishesSlowlyUntilKilled",
                                {{"VIRANDEL_PUBLISH_DB", dbPath}, {"VIRANDEL_PUBLISH_TARGET", target}}, 300, &said))
        << said.toStdString();
    EXPECT_EQ(Contents(SiteFiles(target)), before);
    EXPECT_TRUE(Entries(places->path()).contains(".Сайт музея.publishing")) << Entries(places->path()).join(", ").toStdString();

    const SitePublish::Result next = publish();
    ASSERT_TRUE(next.error.isEmpty()) << next.error.toStdString();
    EXPECT_EQ(Entries(places->path()), QStringList{"Сайт музея"});
    EXPECT_FALSE(Holding(SiteFiles(target), "После обрыва").isEmpty());
}

TEST_F(PublishTest, RefusesFoldersThatAreNotItsOwnSitesAndLeavesThemAlone)
{
    const auto refused = [&](const QString &folder) {
        const QString why = SitePublish::TargetError(*module, folder);
        const QMap<QString, QByteArray> before = Contents(SiteFiles(folder));
        const SitePublish::Result result = SitePublish::Publish(*module, "Зал", {1}, {}, folder, {});
        EXPECT_EQ(result.error, why);
        EXPECT_EQ(Contents(SiteFiles(folder)), before) << folder.toStdString();
        return why;
    };
    // A user's folder with a file of its own.
    QDir(places->path()).mkpath("Документы");
    WriteFile(places->path() + "/Документы/письмо.txt", "не трогать");
    EXPECT_TRUE(refused(places->path() + "/Документы").contains("не пуста")) << refused(places->path() + "/Документы").toStdString();
    EXPECT_EQ(FileBytes(places->path() + "/Документы/письмо.txt"), "не трогать");

    // An earlier site where the user put a file: it would be lost, so it is refused too. What a system leaves
    // in a folder it showed (a picture cache) is not the user's and stops nothing.
    ASSERT_TRUE(publish().error.isEmpty());
    WriteFile(target + "/Thumbs.db", "кэш");
    WriteFile(target + "/._index.html", "кэш");
    EXPECT_EQ(SitePublish::TargetError(*module, target), QString());
    const SitePublish::Result again = publish();
    ASSERT_TRUE(again.error.isEmpty());
    EXPECT_EQ(again.filesRemoved, 0);
    EXPECT_EQ(FileBytes(target + "/Thumbs.db"), "кэш") << "not the program's to delete";
    EXPECT_EQ(FileBytes(target + "/._index.html"), "кэш");
    WriteFile(target + "/заметки.txt", "мои заметки");
    EXPECT_TRUE(refused(target).contains("заметки.txt"));
    EXPECT_EQ(FileBytes(target + "/заметки.txt"), "мои заметки");

    // The catalog's folder and the snapshots beside the database, a file, a folder missing.
    const QString catalogFolder = Layout::CatalogFolder(dbPath, "Зал");
    ASSERT_TRUE(QFileInfo(catalogFolder).isDir());
    EXPECT_TRUE(refused(catalogFolder + "/сайт").contains("принадлежит базе данных"));
    EXPECT_FALSE(refused(Snapshots::FolderOf(dbPath)).isEmpty());
    EXPECT_FALSE(refused(places->path() + "/Документы/письмо.txt").isEmpty());
    EXPECT_FALSE(refused(places->path() + "/нет такой/сайт").isEmpty());

    // A folder named as the program names its half-built sites, yet not one: never deleted.
    const QString other = places->path() + "/Пусто";
    QDir(places->path()).mkpath(".Пусто.publishing");
    WriteFile(places->path() + "/.Пусто.publishing/чужое.txt", "чужое");
    EXPECT_FALSE(SitePublish::Publish(*module, "Зал", {1}, {}, other, {}).error.isEmpty());
    EXPECT_EQ(FileBytes(places->path() + "/.Пусто.publishing/чужое.txt"), "чужое");

    // An empty folder is taken.
    QDir(places->path()).mkpath("Новый");
    EXPECT_EQ(SitePublish::TargetError(*module, places->path() + "/Новый"), QString());
}

class PublishWindowTest : public RussianAppTest
{
protected:
    void TearDown() override
    {
        if (Form11)
            Form11->close();
        RussianAppTest::TearDown();
    }
};

TEST_F(PublishWindowTest, DesignerPublishesTheSavedCatalogThroughItsDialog)
{
    MakeCatalog(*module);
    QTemporaryDir places(QDir::tempPath() + "/site-test-XXXXXX");
    const QString target = places.path() + "/сайт";
    Form2->LoadGeneral();
    Form2->show();
    Control<QPushButton>(Form2, "GoToCatalogBtn")->click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form11));
    ASSERT_TRUE(Form11->OpenCatalog("Зал"));
    // An unsaved change: the name label deleted from its pop-up menu; the site shows the saved layout.
    ASSERT_EQ(Form11->Labels.size(), 1);
    for (QAction *item : Form11->PopupMenuFor(Form11->Labels[0])->actions())
        if (item->text() == "Удалить надпись")
            item->trigger();

    // The dialog is answered as a person fills it: the folder typed, "Все объекты" chosen by the keyboard.
    bool filled = false;
    int waited = 0;
    QTimer filler;
    QObject::connect(&filler, &QTimer::timeout, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != "PublishSiteDialog")
            return;
        if (filled) {
            if (++waited > 150) {   // refused: the dialog stays; closed so the test ends
                ADD_FAILURE() << "the dialog did not close";
                static_cast<QDialog *>(dialog)->reject();
            }
            return;
        }
        filled = true;
        auto *folderEdit = Control<QLineEdit>(dialog, "SiteFolderEdit");
        folderEdit->setFocus();
        TypeKeys(folderEdit, target);
        QTest::keyClick(Control<QRadioButton>(dialog, "AllObjectsRadio"), Qt::Key_Space);
        EXPECT_TRUE(Control<QRadioButton>(dialog, "AllObjectsRadio")->isChecked());
        Control<QPushButton>(dialog, "PublishBtn")->click();
    });
    filler.start(20);
    // The site is to be opened, and no browser can start here: the user is told where it is.
    MessageBoxAnswerer answer([](const QString &text) {
        return text.contains("Открыть сайт в браузере?") ? QMessageBox::Yes : QMessageBox::No;
    });
    Control<QAction>(Form11, "PublishSiteItem")->trigger();
    ASSERT_TRUE(filled);
    ASSERT_EQ(answer.seen(), 3) << answer.texts().join(" | ").toStdString();
    EXPECT_EQ(answer.texts()[2], "Браузер не открылся. Откройте в браузере файл " + target + "/index.html.");
    EXPECT_TRUE(answer.texts()[0].contains("не сохранен")) << answer.texts()[0].toStdString();
    EXPECT_TRUE(answer.texts()[1].contains("Объектов: 3")) << answer.texts()[1].toStdString();
    EXPECT_TRUE(answer.texts()[1].contains("последний сохраненный макет"));
    EXPECT_TRUE(answer.texts()[1].contains("Открыть сайт в браузере?"));
    const QMap<QString, SiteFile> site = SiteFiles(target);
    EXPECT_TRUE(site.contains("index.html"));
    for (const QString &name : {"Первый", "Второй", "Третий"})
        EXPECT_FALSE(Holding(site, name).isEmpty()) << "the saved layout shows the names";

    // Saved now: no question; the dialog comes back with the folder and choices of the last publishing.
    ASSERT_TRUE(Form11->SaveCatalog("Зал"));
    QString shownFolder;
    bool allShown = false;
    QObject::disconnect(&filler, nullptr, nullptr, nullptr);
    QObject::connect(&filler, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != "PublishSiteDialog")
            return;
        shownFolder = Control<QLineEdit>(dialog, "SiteFolderEdit")->text();
        allShown = Control<QRadioButton>(dialog, "AllObjectsRadio")->isChecked();
        dialog->reject();
    });
    MessageBoxAnswerer none(QMessageBox::No);
    Control<QAction>(Form11, "PublishSiteItem")->trigger();
    EXPECT_EQ(none.seen(), 0) << none.texts().join(" | ").toStdString();
    EXPECT_EQ(shownFolder, target);
    EXPECT_TRUE(allShown);
}

}
