#include "snapshots/snapshotcontents.h"
#include "objects/windowsteps.h"

#include "app/form1.h"
#include "catalogs/catalogstore.h"
#include "catalogs/layouttext.h"
#include "catalogs/storeforms.h"
#include "classifier/classifierpage.h"
#include "core/snapshots.h"
#include "core/textfile.h"
#include "fields/fieldspage.h"
#include "objects/csvdialogs.h"
#include "objects/photoimportdialog.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTimer>

namespace {
class SnapshotWindowsTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        fields = Control<FieldsPage>(Form1, "FieldsPage");
    }

    QList<Snapshots::Snapshot> snapshots() const { return Snapshots::List(dbPath); }
    // The causes of the snapshots made after the first `before` ones, the oldest first.
    QStringList causesAfter(int before) const
    {
        QStringList causes;
        for (const Snapshots::Snapshot &snapshot : snapshots().mid(0, snapshots().size() - before))
            causes.prepend(snapshot.cause);
        return causes;
    }

    // Two fields and three objects, shown in the field tab.
    void addObjects()
    {
        price = addField(*module, "Цена", IntegerType);
        title = addField(*module, "Название", StringType);
        exec(QStringLiteral("INSERT INTO GENER(G_ID, G%1, G%2) VALUES (1, 10, 'Ваза'), (2, 20, 'Кубок'), (3, NULL, 'Чаша')")
                 .arg(price).arg(title));
        fields->reloadFieldList();
    }
    void chooseField(const QString &name)
    {
        auto *grid = Control<QTableView>(fields, "DBGrid");
        const QModelIndexList found = grid->model()->match(grid->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << "no field " << name.toStdString();
        grid->setCurrentIndex(found.first());
        Q_EMIT grid->clicked(found.first());
    }
    // The settings file with the keeping settings given, read again by the settings window.
    void keepSettings(const QStringList &extraLines)
    {
        programFolder().writeOptions(Options::InitialLines() + extraLines);
        Form6->FormActivate();
    }

    FieldsPage *fields = nullptr;
    qint64 price = 0, title = 0;
};
}

TEST_F(SnapshotWindowsTest, DeletingOrRetypingAFieldIsPrecededByASnapshotAndNoneWhenTheUserSaysNo)
{
    addObjects();
    const QMap<QString, QStringList> before = TableContents(*module);
    const int daily = int(snapshots().size());

    chooseField("Цена");
    ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::No);
    EXPECT_EQ(causesAfter(daily), QStringList());
    ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::Yes);
    ASSERT_EQ(causesAfter(daily), QStringList{"Удаление поля «Цена»"});
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 1);
    // The snapshot holds the database as it was just before the change.
    EXPECT_EQ(ContentsOf(snapshots().first().path), before);

    // A new name alone keeps the column: no snapshot. A new type makes the column anew: one.
    chooseField("Название");
    Control<QPushButton>(fields, "EditFieldBtn")->click();
    Retype(Control<QLineEdit>(fields, "Edit4"), "Имя");
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(fields, "OKBtn")).isEmpty());
    EXPECT_EQ(causesAfter(daily).size(), 1);
    chooseField("Имя");
    Control<QPushButton>(fields, "EditFieldBtn")->click();
    auto *type = Control<QComboBox>(fields, "ComboBox1");
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);   // string to long text: every value is kept
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(fields, "OKBtn")).isEmpty());
    EXPECT_EQ(causesAfter(daily), (QStringList{"Удаление поля «Цена»", "Изменение типа поля «Имя»"}));
}

TEST_F(SnapshotWindowsTest, AFailedOrStoppedSnapshotStopsTheChange)
{
    addObjects();
    QDir(Snapshots::FolderOf(dbPath)).removeRecursively();
    WriteFile(Snapshots::FolderOf(dbPath), "не папка");
    chooseField("Цена");
    const QStringList texts = ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::Yes);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[1].startsWith("Резервная копия базы данных не сделана, поэтому изменение не выполнено.\n\r"
                                    "Не удается создать папку резервных копий"))
        << texts[1].toStdString();
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 2);
    EXPECT_EQ(columnsOf("GENER").size(), 3);

    // A file above the size chosen is copied with a progress window; "Отмена" there stops the change too.
    QFile::remove(Snapshots::FolderOf(dbPath));
    keepSettings({"SnapshotProgressMiB=1"});
    exec("CREATE TABLE BULK(B BLOB)");
    exec("INSERT INTO BULK VALUES (randomblob(3 * 1024 * 1024))");
    bool progressSeen = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<QProgressDialog *>(w);
            if (progress && progress->isVisible() && !progress->wasCanceled()) {
                progressSeen = true;
                progress->cancel();
            }
        }
    });
    cancel.start(1);
    const QStringList stopped = ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::Yes);
    cancel.stop();
    EXPECT_TRUE(progressSeen);
    ASSERT_EQ(stopped.size(), 2);
    EXPECT_EQ(stopped[1], "Резервная копия базы данных не сделана, поэтому изменение не выполнено.\n\r"
                          "Создание резервной копии отменено.");
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 2);
    EXPECT_TRUE(snapshots().isEmpty());
    EXPECT_TRUE(QDir(Snapshots::FolderOf(dbPath)).entryList({"*.part*"}, QDir::Files).isEmpty());
}

TEST_F(SnapshotWindowsTest, ClassesBooksAndCatalogsAreSnapshottedOnlyWhenTheirDeletionLosesSomething)
{
    auto *classes = Control<ClassifierPage>(Form1, "ClassifierPage");
    auto *tree = Control<QTreeWidget>(classes, "ClassesView");
    exec("INSERT INTO CLASSES VALUES (1, 'Страна', '', 0, 0), (2, 'Россия', 'RU', 1, 0), (3, 'Цвет', '', 0, 0)");
    addObjects();
    exec("INSERT INTO LINKS VALUES (1, 1, 1, 2, NULL, 0)");
    Form1->ClassesViewExpand(nullptr);
    const int daily = int(snapshots().size());
    const auto deleteClass = [&](const QString &text) {
        const QList<QTreeWidgetItem *> found = tree->findItems(text, Qt::MatchStartsWith | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        tree->setCurrentItem(found.first());
        ClickAnswering(Control<QPushButton>(classes, "DeleteMeasureBtn"), QMessageBox::Yes);
    };
    deleteClass("Цвет");   // nothing links to it
    EXPECT_EQ(causesAfter(daily), QStringList());
    deleteClass("Страна");   // an object links to a class below it
    EXPECT_EQ(causesAfter(daily), QStringList{"Удаление класса «Страна»"});
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 0);

    // Books: made again only after the user agreed and a snapshot; removed after a snapshot.
    exec("INSERT INTO CLASSES VALUES (4, 'Материал', '', 0, 0), (5, 'Бронза', '', 4, 0)");
    auto *books = Control<ReferencesPage>(Form1, "ReferencesPage");
    books->ComponentsFill();
    auto *topClasses = Control<QListWidget>(books, "ComponentsList1");
    topClasses->setCurrentRow(0);
    ClickAnswering(Control<QPushButton>(books, "Button1"), QMessageBox::Yes);
    EXPECT_EQ(causesAfter(daily).size(), 1) << "a new book loses nothing";
    ASSERT_TRUE(tableExists("REFER1"));
    exec("INSERT INTO CLASSES VALUES (6, 'Медь', '', 4, 0)");
    topClasses->setCurrentRow(0);
    ClickAnswering(Control<QPushButton>(books, "Button1"), QMessageBox::No);
    EXPECT_EQ(causesAfter(daily).size(), 1);
    EXPECT_EQ(count("SELECT * FROM REFER1"), 1);
    topClasses->setCurrentRow(0);
    ClickAnswering(Control<QPushButton>(books, "Button1"), QMessageBox::Yes);
    EXPECT_EQ(causesAfter(daily + 1), QStringList{"Пересоздание справочника «Материал»"});
    EXPECT_EQ(count("SELECT * FROM REFER1"), 2);
    ClickAnswering(Control<QPushButton>(books, "Button4"), QMessageBox::Yes);
    EXPECT_EQ(causesAfter(daily + 2), QStringList{"Удаление справочников"});
    EXPECT_FALSE(tableExists("REFER1"));

    // A catalog: none when the user says no, one before it goes, holding its pictures.
    const QByteArray background("\xFF\xD8 фон \x00\x01", 12);
    CatalogStore::Save(*module, "Витрина", {}, {background, {}});
    Form19->LoadCatalogs();
    auto *list = Control<QListWidget>(Form19, "ListBox");
    list->setCurrentRow(0);
    ClickAnswering(Control<QPushButton>(Form19, "Button2"), QMessageBox::No);
    EXPECT_EQ(causesAfter(daily + 3), QStringList());
    ClickAnswering(Control<QPushButton>(Form19, "Button2"), QMessageBox::Yes);
    EXPECT_EQ(causesAfter(daily + 3), QStringList{"Удаление каталога «Витрина»"});
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 0);
    const QString kept = snapshots().first().path;
    EXPECT_EQ(FileBytes(kept.left(kept.size() - 4) + "_mdb_Витрина/Background.jpg"), background);

    // Restored, the catalog comes back with its pictures.
    ClickAnswering(Control<QPushButton>(Form19, "Button3"));
    Control<QAction>(Form1, "BackupsItem")->trigger();
    QWidget *window = Control<QWidget>(Form1, "BackupsWindow");
    Control<QTableWidget>(window, "SnapshotsTable")->selectRow(0);
    ClickAnswering(Control<QPushButton>(window, "RestoreBtn"), QMessageBox::Yes);
    const std::optional<CatalogStore::Stored> stored = CatalogStore::Open(*module, "Витрина");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(CatalogStore::LoadPictures(*module, "Витрина", *stored, Layout::Read(stored->layoutText).catalog).background, background);
    EXPECT_EQ(FileBytes(dbPath.left(dbPath.size() - 4) + "_mdb_Витрина/Background.jpg"), background);
}

TEST_F(SnapshotWindowsTest, OpeningMakesTheDaysSnapshotOnceAndTheBackupsWindowRestoresKeepingThePresentStateOrOpensACopy)
{
    ASSERT_EQ(snapshots().size(), 1) << "the fresh database was opened by the fixture";
    QMetaObject::invokeMethod(Form1, "OpenDataBase", Q_ARG(QString, dbPath));
    EXPECT_EQ(snapshots().size(), 1) << "the second opening of the day makes none";
    EXPECT_FALSE(Snapshots::DailyDue(dbPath));
    EXPECT_TRUE(Snapshots::DailyDue(dbPath, QDate::currentDate().addDays(1)));
    // The day noted for one file says nothing of another beside it.
    EXPECT_TRUE(Snapshots::DailyDue(folder->newDatabase("other.mdb")));

    addObjects();
    keepSettings({"SnapshotsKept=2"});
    const QMap<QString, QStringList> withPrice = TableContents(*module);
    chooseField("Цена");
    ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::Yes);
    const QMap<QString, QStringList> withoutPrice = TableContents(*module);
    ASSERT_NE(withPrice, withoutPrice);
    ASSERT_EQ(snapshots().size(), 2);

    Control<QAction>(Form1, "BackupsItem")->trigger();
    QWidget *window = Control<QWidget>(Form1, "BackupsWindow");
    ASSERT_TRUE(window->isVisible());
    auto *table = Control<QTableWidget>(window, "SnapshotsTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 1)->text(), "Удаление поля «Цена»");
    EXPECT_EQ(table->item(1, 1)->text(), "Ежедневная копия");
    EXPECT_TRUE(table->item(0, 2)->text().endsWith(" КБ"));
    EXPECT_FALSE(Control<QPushButton>(window, "RestoreBtn")->isEnabled()) << "nothing chosen yet";

    // The oldest, at the limit: the snapshot of the present state must not take it away first.
    table->selectRow(1);
    const QMap<QString, QStringList> daily = ContentsOf(snapshots().last().path);
    ClickAnswering(Control<QPushButton>(window, "RestoreBtn"), QMessageBox::Yes);
    EXPECT_EQ(TableContents(*module), daily);
    EXPECT_EQ(module->database().databaseName(), dbPath);
    ASSERT_EQ(snapshots().size(), 2);
    EXPECT_TRUE(snapshots().first().cause.startsWith("Перед восстановлением копии от ")) << snapshots().first().cause.toStdString();
    EXPECT_EQ(ContentsOf(snapshots().first().path), withoutPrice);
    ASSERT_EQ(table->rowCount(), 2) << "the window lists the snapshots as they are now";

    // Back to the state before the restore, then a look at the older one.
    table->selectRow(0);
    ClickAnswering(Control<QPushButton>(window, "RestoreBtn"), QMessageBox::Yes);
    EXPECT_EQ(TableContents(*module), withoutPrice);
    table->selectRow(1);
    const QString looked = snapshots().last().path;
    const QByteArray bytes = FileBytes(looked);
    ClickAnswering(Control<QPushButton>(window, "ViewBtn"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(module->database().databaseName(), dbPath);
    EXPECT_TRUE(Form1->windowTitle().contains("test — копия от ")) << Form1->windowTitle().toStdString();
    EXPECT_EQ(TableContents(*module), withoutPrice);
    module->exec("DELETE FROM GENER");
    EXPECT_EQ(FileBytes(looked), bytes) << "the snapshot itself is never touched";
    EXPECT_EQ(FileRows(dbPath, "SELECT COUNT(*) FROM GENER"), QStringList{"3"});
}

// Stops the next addition of objects at its first look at "Отмена", as a user pressing it.
class AdditionStopper
{
public:
    AdditionStopper()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            for (QProgressDialog *progress : Form2->findChildren<QProgressDialog *>())
                if (progress->labelText() == "Добавление объектов..." && !progress->wasCanceled())
                    progress->cancel();
        });
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

TEST_F(SnapshotWindowsTest, AnImportKeepsItsSnapshotOnlyWhenItAddedToObjectsThatWereThere)
{
    title = addField(*module, "Название", StringType);
    addField(*module, "Снимок", ImageType);
    const QString csv = folder->path() + "/предметы.csv";
    WriteFile(csv, "Название\r\nВаза\r\nКубок\r\n");
    const QString photos = folder->path() + "/Снимки";
    QDir().mkpath(photos);
    for (const QString name : {"кувшин", "блюдо", "ковш"}) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkYellow);
        ASSERT_TRUE(picture.save(photos + "/" + name + ".png"));
    }
    ViewFill::Enter();
    const auto importFile = [&] {
        ChooseFileInNextDialog(csv);
        AnswerNextDialog<CsvImportDialog>([](CsvImportDialog *dialog) { Control<QPushButton>(dialog, "ImportOkBtn")->click(); });
        MessageBoxAnswerer boxes(QMessageBox::Ok);
        Control<QAction>(Form2, "ImportCsvItem")->trigger();
        return boxes.texts();
    };
    // `beforeAdding` runs in the preview, as the user looks at it.
    const auto importFolder = [&](const std::function<void()> &beforeAdding = {}) {
        ChooseFileInNextDialog(photos);
        AnswerNextDialog<PhotoImportDialog>([beforeAdding](PhotoImportDialog *dialog) {
            if (beforeAdding)
                beforeAdding();
            Control<QPushButton>(dialog, "AddBtn")->click();
        });
        MessageBoxAnswerer boxes(QMessageBox::Ok);
        Control<QAction>(Form2, "AddFromFolderItem")->trigger();
        return boxes.texts();
    };
    const int daily = int(snapshots().size());
    EXPECT_EQ(importFile(), QStringList{"Добавлено объектов: 2"});
    EXPECT_EQ(causesAfter(daily), QStringList()) << "nothing to lose in an empty database";
    EXPECT_EQ(importFile(), QStringList{"Добавлено объектов: 2"});
    ASSERT_EQ(causesAfter(daily), QStringList{"Импорт из файла «предметы.csv»"});
    EXPECT_EQ(count("SELECT * FROM GENER"), 4);
    EXPECT_EQ(ContentsOf(snapshots().first().path).value("GENER").size(), 2);

    // The list full: a snapshot kept pushes the oldest out, one dropped leaves the list as it was.
    keepSettings({QString("SnapshotsKept=%1").arg(snapshots().size())});
    const auto listed = [&] {
        QStringList files;
        for (const Snapshots::Snapshot &snapshot : snapshots())
            files << QFileInfo(snapshot.path).fileName() + " " + snapshot.cause;
        return files;
    };
    const QStringList before = listed();
    const QStringList index = ReadTextLines(Snapshots::FolderOf(dbPath) + "/causes.txt");
    QStringList rows{"Название"};
    for (int i = 0; i < 2500; ++i)
        rows << QString("Предмет %1").arg(i);
    WriteFile(csv, rows.join("\r\n").toUtf8() + "\r\n");
    {
        AdditionStopper stop;
        EXPECT_EQ(importFile(), QStringList{"Импорт отменен: ни один объект не добавлен."});
    }
    {
        AdditionStopper stop;
        EXPECT_EQ(importFolder(), QStringList{"Добавление отменено: ни один объект не добавлен."});
    }
    // A picture changed while the user read the preview: the import fails, nothing is added.
    const QStringList failed = importFolder([&] { WriteFile(photos + "/ковш.png", "уже не рисунок"); });
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed[0].startsWith("Файл ковш.png изменился после просмотра папки")) << failed[0].toStdString();
    EXPECT_EQ(count("SELECT * FROM GENER"), 4);
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(ReadTextLines(Snapshots::FolderOf(dbPath) + "/causes.txt"), index);
    EXPECT_EQ(QDir(Snapshots::FolderOf(dbPath)).entryList({"*.mdb*"}, QDir::Files).size(), before.size()) << "no file left over";

    EXPECT_EQ(importFolder(), QStringList{"Добавлено объектов: 2"});
    const QStringList after = listed();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(after.first().endsWith("Добавление объектов из папки «Снимки»")) << after.first().toStdString();
    EXPECT_EQ(after.mid(1), before.mid(0, before.size() - 1));
    EXPECT_EQ(ContentsOf(snapshots().first().path).value("GENER").size(), 4);
}

TEST_F(SnapshotWindowsTest, OnAServerDatabaseNoSnapshotIsMadeAndTheWindowSaysTheServersOwnBackupsApply)
{
    if (!TestServerStarted())
        GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
    const ServerConnection made = NewServerDatabase();
    ASSERT_TRUE(Form1->OpenServerDataBase(made));
    addField(*DModule, "Цена", IntegerType);
    fields->reloadFieldList();
    chooseField("Цена");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(fields, "DeleteFieldBtn"), QMessageBox::Yes).size(), 1)
        << "only the question: the deletion goes on without a snapshot";
    EXPECT_EQ(Control<QTableView>(fields, "DBGrid")->model()->rowCount(), 0);

    Control<QAction>(Form1, "BackupsItem")->trigger();
    QWidget *window = Control<QWidget>(Form1, "BackupsWindow");
    EXPECT_TRUE(Control<QLabel>(window, "InfoLabel")->text().contains("pg_dump"));
    EXPECT_EQ(Control<QTableWidget>(window, "SnapshotsTable")->rowCount(), 0);
    EXPECT_FALSE(Control<QPushButton>(window, "RestoreBtn")->isEnabled());
    window->close();
    DModule->CloseConnection();
    DropServerDatabase(made);
}
