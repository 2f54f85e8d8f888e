#pragma once

#include <QColor>
#include <QLocale>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QDir>
#include <QTemporaryDir>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

#include "core/engine.h"
#include "objects/objectstore.h"
#include "settings/options.h"

class TDModule;
class QWidget;

// The database server the test script started (VIRANDEL_TEST_PG_HOST / _PORT / _USER), if any.
bool TestServerStarted();
ServerConnection TestServer(const QString &database = QStringLiteral("postgres"));
// A fresh database of the program on the test server, made by the program's own schema code, and its removal.
ServerConnection NewServerDatabase();
void DropServerDatabase(const ServerConnection &server);
// The number of tables of a server database, or -1 when the server has no such database.
int ServerTableCount(const ServerConnection &server);
// Every table of the open database (the quick search's index and the sort keys left out) with its rows as texts, ordered
// by the first column: equal across the engines for equal data.
QMap<QString, QStringList> TableContents(TDModule &db);

// A program folder of its own for a test: System/ with the initial settings and Samples/Empty.mdb.
class TempProgramFolder
{
public:
    TempProgramFolder();
    QString path() const { return m_dir.path(); }
    // A fresh writable copy of the empty database (or of `source`) at `name` inside the folder.
    QString newDatabase(const QString &name = QStringLiteral("test.mdb"), const QString &source = QStringLiteral(EMPTY_DB_PATH)) const;
    void writeOptions(const QStringList &lines) const;

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/virandel-test-XXXXXX")};
};

// Test fixture for widget-free code: its own data module, opened on a fresh empty database file, or for
// EngineTest on a fresh database on the test server.
class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    virtual EngineKind testEngine() const { return EngineKind::File; }
    bool onServer() const { return testEngine() == EngineKind::Server; }

    // Reads through a second connection, as another program would see the file.
    QVariant scalar(const QString &sql) const;
    QList<QVariantList> rows(const QString &sql) const;
    int count(const QString &sql) const { return scalar(QLatin1String("SELECT COUNT(*) FROM (") + sql + QLatin1String(") AS COUNTED")).toInt(); }
    // The value object `object` holds in field `field`, read straight from GENER.
    QVariant storedValue(qint64 field, qint64 object = 1) const;
    // The number of rows of each of `tables`, to compare whole.
    QList<int> rowCounts(const QStringList &tables) const;
    bool tableExists(const QString &table) const;
    QStringList columnsOf(const QString &table) const;
    // The editor's input for field `id` of the open database holding `value`.
    FieldInput input(qint64 id, const QVariant &value, bool pictureChosen = false) const;
    void exec(const QString &sql) const;   // straight to the database, bypassing the program
    // Rows of CLASSES written straight to the database, each {id, "name", "code", parent id, ratio}, and the row
    // of the class named `name` (C_ID, C_NAME, C_CODE, C_LINK, C_COEFF; empty when there is none).
    struct ClassEntry { qint64 id; QString name; QString code; qint64 parent; double ratio = 0; };
    void addClassRows(const QList<ClassEntry> &classes) const;
    void addClassRow(qint64 id, const QString &name, const QString &code, qint64 parent, double ratio = 0) const;
    QVariantList classRow(const QString &name) const;
    // The rows of `sql` with `values` bound to its placeholders, through the second connection.
    QList<QVariantList> boundRows(const QString &sql, const QVariantList &values) const;
    // Another program working on the test's database, made on the calling thread.
    std::unique_ptr<TDModule> otherProgram() const;

    // Makes the database refuse every `event` (INSERT, UPDATE or DELETE) on `table` until allowed again:
    // a statement that fails in the middle of an action.
    void refuse(const QString &event, const QString &table) const;
    void allowAgain(const QString &table) const;
    // From now on every updated row of `table` adds a row to UPDATES(U_COLUMNS): `column` when the update
    // changed its value, else an empty text.
    void recordUpdates(const QString &table, const QString &column) const;

    // A reference book as the reference-books mode leaves it: REFER{n} with its index, its REFERS row
    // and the given entries, each {id, "name", "code", parent id} (0 for a top-level entry).
    using BookEntry = ClassEntry;
    void makeBook(int n, const QString &name, const QList<BookEntry> &entries = {}) const;

    // Runs fn(QSqlDatabase &) on a second connection to the test's database.
    template <typename Fn>
    auto withReader(Fn fn) const;

    std::unique_ptr<TempProgramFolder> folder;
    TDModule *module = nullptr;
    bool ownsModule = false;
    QString dbPath;
    ServerConnection server;   // the database on the test server, for the server case
};

// The same tests on both engines: derive the suite's fixture from EngineTest, write TEST_P and add
// ENGINE_TEST_SUITE(Fixture). Without a test server the server cases skip with one line. A fixture's own
// SetUp returns early when the case was skipped (IsSkipped()).
class EngineTest : public DatabaseTest, public ::testing::WithParamInterface<EngineKind>
{
protected:
    EngineKind testEngine() const override { return GetParam(); }
};

// Cases that only the database server has: the test's database on the test server, skipped without one.
class ServerDatabaseTest : public DatabaseTest
{
protected:
    EngineKind testEngine() const override { return EngineKind::Server; }
};

std::string EngineName(const ::testing::TestParamInfo<EngineKind> &info);
#define ENGINE_TEST_SUITE(Fixture) \
    INSTANTIATE_TEST_SUITE_P(Engines, Fixture, ::testing::Values(EngineKind::File, EngineKind::Server), EngineName)

// For window tests: start-up once per test program (inside its own program folder), then every
// test opens a fresh empty database in the main window.
class AppTest : public DatabaseTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    static TempProgramFolder &programFolder();
};

// The windows as a person in Russia uses them (decimal comma, dd.MM.yyyy); an object editor left open is
// closed without saving afterwards.
class RussianAppTest : public AppTest
{
protected:
    void SetUp() override;
    void TearDown() override;

private:
    const QLocale m_savedLocale;
};

// Answers every modal message box while it lives (polling, so boxes opened inside the action are found):
// presses `standardButton`, or the button `policy` picks for the box's text, and records the texts.
// Create it before the action that opens the boxes.
class MessageBoxAnswerer
{
public:
    explicit MessageBoxAnswerer(int standardButton);
    explicit MessageBoxAnswerer(const std::function<int(const QString &text)> &policy);
    ~MessageBoxAnswerer();
    QStringList texts() const { return m_seen->texts; }
    QStringList titles() const { return m_seen->titles; }
    // Per box: the object name of the window it belonged to (empty for none) and whether it was kept on top.
    QStringList owners() const { return m_seen->owners; }
    QList<bool> keptOnTop() const { return m_seen->onTop; }
    int seen() const { return int(m_seen->texts.size()); }

private:
    struct Seen { QStringList texts, titles, owners; QList<bool> onTop; };
    std::shared_ptr<Seen> m_seen = std::make_shared<Seen>();
    class QTimer *m_timer;
};


// Answers the next file dialog with `path`, trying again until the dialog has closed (the dialog reads
// its folder in the background and may ignore an early answer). Records the dialog's filters.
void ChooseFileInNextDialog(const QString &path, QStringList *nameFilters = nullptr);

// Makes the running program use `kiosk` as its kiosk settings: written into the program folder's
// Options.txt (the other lines kept) and read again by the settings window, as after a save.
void UseKioskSettings(const Options::Kiosk &kiosk);

// Types `text` into `widget` key by key as a user types, Cyrillic included (QTest::keyClicks knows ASCII
// only); a line break is the Enter key.
void TypeKeys(QWidget *widget, const QString &text);

// A control of `window` found by its object name, as the user finds it on screen. A missing control fails
// the test and ends it (an exception the test runner reports) rather than crash the whole program.
template <class T>
T *Control(const QObject *window, const char *name)
{
    T *control = window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!control) {
        ADD_FAILURE() << "no control " << name << " in " << (window ? window->objectName().toStdString() : "no window");
        throw std::runtime_error("missing control");
    }
    return control;
}

// The rows of `sql` run in the database file at `path` (not the test's own), each as its values' texts
// joined by '|', through a connection of its own.
QStringList FileRows(const QString &path, const QString &sql);

// The texts of a list's items, from the top.
QStringList ListTexts(const class QListWidget *list);

// The bytes of a file; empty when it cannot be read.
QByteArray FileBytes(const QString &path);
// Writes `bytes` as the whole file at `path`, failing the test when it cannot.
void WriteFile(const QString &path, const QByteArray &bytes);
// The texts of `column` in every row of the object list as it is open now, from the top.
QStringList ListedColumn(TDModule &module, const QString &column = QStringLiteral("G_ID"));
// A picture of one colour as the bytes of an image file in `format`.
QByteArray PictureBytes(QColor colour, QSize size = QSize(4, 3), const char *format = "PNG");

// The message of the DbError `action` throws; empty when it throws none.
QString FailureOf(const std::function<void()> &action);

// Whether `texts` are one message holding every one of `parts`; the texts shown when not.
::testing::AssertionResult OneMessageSaying(const QStringList &texts, const QStringList &parts);

// Clicks `button`, answering its message boxes with `answer`, and gives their texts.
QStringList ClickAnswering(QAbstractButton *button, int answer = QMessageBox::Ok);
// Triggers `item` (a menu item) the same way.
QStringList ClickAnswering(class QAction *item, int answer = QMessageBox::Ok);

// The texts of `column` in every row of a grid's model, from the top.
QStringList ModelColumn(const class QAbstractItemModel *model, int column = 0);

// The rows of a grid's model, every one fetched as the user scrolling to the end would.
int AllRows(class QAbstractItemModel *model);

// Waits (processing events) until `condition` holds or the timeout passes.
bool WaitFor(const std::function<bool()> &condition, int timeoutMs = 3000);

// For work that must survive being killed: runs this test program again in a process of its own, with
// only the tests `filter` and the environment `variables` added, waits until the child writes "working"
// to its standard error, lets it work `workMs` milliseconds and kills it (SIGKILL). False (with what the
// child wrote in `said`) when it never said it was working.
bool RunChildAndKill(const QString &filter, const QMap<QString, QString> &variables, int workMs, QByteArray *said = nullptr);
// What such a child writes to its standard error once its work is under way.
void TellParentWorking();

// Description fields for the object tests, made the way the editing mode makes them.
// Schema changes fail while a statement still reads the table: closes the module's shared reads.
void closeQueries(TDModule &module);

// Field types by their place in the type list.
enum TestFieldType { IntegerType = 0, RealType = 1, TimeType = 2, DateType = 3, BooleanType = 4, StringType = 5,
                     LongTextType = 6, ImageType = 7 };

// Made through the field store, as the field tab makes them.
qint64 addField(TDModule &module, const QString &name, int type, bool lookup = false);
qint64 addLookupEntry(TDModule &module, qint64 fieldId, const QString &text);
// A change of a field's type (no lookup list): the column is dropped and added again, so it stands last in GENER.
void changeFieldType(TDModule &module, qint64 fieldId, int type);
