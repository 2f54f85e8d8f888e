#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "objects/form7.h"
#include "app/startup.h"
#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "core/schemanames.h"
#include "core/serverdatabase.h"
#include "core/textfile.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <QUuid>
#include <atomic>

TempProgramFolder::TempProgramFolder()
{
    QDir dir(m_dir.path());
    dir.mkpath(QStringLiteral("System"));
    dir.mkpath(QStringLiteral("Samples"));
    newDatabase(QStringLiteral("Samples/Empty.mdb"));
    writeOptions(Options::InitialLines());
    WriteTextLines(m_dir.path() + QLatin1String("/System/Samples.txt"), {});
}

QString TempProgramFolder::newDatabase(const QString &name, const QString &source) const
{
    const QString target = m_dir.path() + QLatin1Char('/') + name;
    QFile::remove(target);
    if (!QFile::copy(source, target))
        ADD_FAILURE() << "could not copy " << source.toStdString() << " to " << target.toStdString();
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void TempProgramFolder::writeOptions(const QStringList &lines) const
{
    WriteTextLines(m_dir.path() + QLatin1String("/System/Options.txt"), lines);
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ListedColumn(TDModule &module, const QString &column)
{
    QStringList values;
    SharedQuery &list = *module.QRGeneral;
    for (bool more = list.first(); more; more = list.next())
        values << list.asString(column);
    return values;
}

QByteArray PictureBytes(QColor colour, QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "could not write " << path.toStdString();
}

QString FailureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const DbError &error) {
        return error.message();
    }
    return QString();
}

::testing::AssertionResult OneMessageSaying(const QStringList &texts, const QStringList &parts)
{
    if (texts.size() == 1 && std::all_of(parts.begin(), parts.end(), [&](const QString &part) { return texts[0].contains(part); }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << texts.size() << " messages: " << texts.join(" | ").toStdString();
}

QStringList ClickAnswering(QAbstractButton *button, int answer)
{
    MessageBoxAnswerer answerer(answer);
    button->click();
    return answerer.texts();
}

QStringList ClickAnswering(QAction *item, int answer)
{
    MessageBoxAnswerer answerer(answer);
    item->trigger();
    return answerer.texts();
}

bool TestServerStarted()
{
    return !qEnvironmentVariableIsEmpty("VIRANDEL_TEST_PG_PORT");
}

ServerConnection TestServer(const QString &database)
{
    ServerConnection server;
    server.host = qEnvironmentVariable("VIRANDEL_TEST_PG_HOST", QStringLiteral("127.0.0.1"));
    server.port = qEnvironmentVariableIntValue("VIRANDEL_TEST_PG_PORT");
    server.user = qEnvironmentVariable("VIRANDEL_TEST_PG_USER");
    server.database = database;
    return server;
}

namespace {
// Runs `fn` on a connection of its own, made by `connect` under a name of its own and removed afterwards.
template <typename Fn>
auto onOwnConnection(const std::function<QSqlDatabase(const QString &name)> &connect, Fn fn)
{
    static std::atomic<int> counter = 0;
    const QString name = QStringLiteral("test_connection_%1").arg(++counter);
    std::optional<decltype(fn(std::declval<QSqlDatabase &>()))> result;
    {
        QSqlDatabase db = connect(name);
        result.emplace(fn(db));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return *result;
}

// On the test server, as an administrator or another program would.
template <typename Fn>
auto withServerConnection(const ServerConnection &server, Fn fn, bool mustOpen = true)
{
    return onOwnConnection([&](const QString &name) {
        QSqlDatabase db = Engine::AddServerConnection(name, server);
        if (!db.open() && mustOpen)
            ADD_FAILURE() << "test server connection failed: " << db.lastError().text().toStdString();
        return db;
    }, fn);
}

// On the database file at `path`, as another program would.
template <typename Fn>
auto withFileConnection(const QString &path, Fn fn)
{
    return onOwnConnection([&](const QString &name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        // Text indexes use the program's collation: without it the reader could not write those tables.
        RegisterRussianCollation(db);
        return db;
    }, fn);
}
}

QStringList FileRows(const QString &path, const QString &sql)
{
    return withFileConnection(path, [&](QSqlDatabase &db) {
        QStringList rows;
        QSqlQuery q(sql, db);
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    });
}

ServerConnection NewServerDatabase()
{
    // Test programs run in parallel: every database has a name of its own.
    const QString name = QStringLiteral("vt_") + QUuid::createUuid().toString(QUuid::Id128).left(24);
    ServerConnection server = TestServer(name);
    CreateServerDatabase(server);
    return server;
}

void DropServerDatabase(const ServerConnection &server)
{
    withServerConnection(TestServer(), [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(server.database)))
            ADD_FAILURE() << "dropping the test database failed: " << q.lastError().text().toStdString();
        return 0;
    });
}

int ServerTableCount(const ServerConnection &server)
{
    return withServerConnection(server, [](QSqlDatabase &db) {
        QSqlQuery query(db);
        if (!query.exec(Engine::TableNamesQuery(EngineKind::Server)))
            return -1;
        int tables = 0;
        while (query.next())
            ++tables;
        return tables;
    }, false);
}

QMap<QString, QStringList> TableContents(TDModule &db)
{
    // Derived from the rest and made again where they are missing: the quick search's index, the sort keys
    // and the thumbnails.
    const QStringList searchIndex{SchemaName::SearchTextTable, SchemaName::SearchStaleTable, SchemaName::SearchInfoTable,
                                  SchemaName::ObjectKeysTable, SchemaName::EntryKeysTable, SchemaName::StaleKeysTable,
                                  SchemaName::KeysInfoTable, SchemaName::ThumbnailsTable};
    QMap<QString, QStringList> tables;
    for (const QVariantList &table : db.QRWork->readAll(Engine::TableNamesQuery(db.engine()))) {
        const QString name = table.first().toString().toUpper();
        if (searchIndex.contains(name))
            continue;
        QStringList &rows = tables[name];
        // The engines give numbers and texts as different types: compared as texts.
        for (const QVariantList &row : db.QRWork->readAll(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(name))) {
            QStringList cells;
            for (const QVariant &value : row) {
                if (value.isNull())
                    cells << QStringLiteral("NULL");
                else if (value.typeId() == QMetaType::QByteArray)
                    cells << QStringLiteral("bytes:") + QString::fromLatin1(value.toByteArray().toHex());
                else if (value.typeId() == QMetaType::Double)
                    cells << QString::number(value.toDouble(), 'g', 17);
                else
                    cells << value.toString();
            }
            rows << cells.join(QStringLiteral(" | "));
        }
    }
    return tables;
}

std::string EngineName(const ::testing::TestParamInfo<EngineKind> &info)
{
    return info.param == EngineKind::File ? "File" : "Server";
}

void DatabaseTest::SetUp()
{
    if (onServer() && !TestServerStarted())
        GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
    folder = std::make_unique<TempProgramFolder>();
    ownsModule = !DModule;
    module = ownsModule ? new TDModule : DModule;
    if (ownsModule)
        module->ProgramFolder = folder->path();
    if (onServer()) {
        server = NewServerDatabase();
        module->OpenServerConnection(server);
    } else {
        dbPath = folder->newDatabase();
        module->OpenConnection(dbPath);
    }
}

void DatabaseTest::TearDown()
{
    if (ownsModule)
        delete module;
    else if (module && onServer())
        module->CloseConnection();
    module = nullptr;
    if (onServer() && !server.database.isEmpty())
        DropServerDatabase(server);
}

template <typename Fn>
auto DatabaseTest::withReader(Fn fn) const
{
    return onServer() ? withServerConnection(server, fn) : withFileConnection(dbPath, fn);
}

QList<QVariantList> DatabaseTest::rows(const QString &sql) const
{
    return boundRows(sql, {});
}

QVariant DatabaseTest::scalar(const QString &sql) const
{
    const QList<QVariantList> r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

QVariant DatabaseTest::storedValue(qint64 field, qint64 object) const
{
    return scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = %2").arg(field).arg(object));
}

QList<int> DatabaseTest::rowCounts(const QStringList &tables) const
{
    QList<int> counts;
    for (const QString &table : tables)
        counts << count(QLatin1String("SELECT * FROM ") + table);
    return counts;
}

bool DatabaseTest::tableExists(const QString &table) const
{
    for (const QVariantList &row : rows(Engine::TableNamesQuery(testEngine()))) {
        if (row.first().toString().compare(table, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList DatabaseTest::columnsOf(const QString &table) const
{
    return withReader([&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.prepare(Engine::ColumnsOfTableQuery(testEngine()));
        q.addBindValue(table);
        if (!q.exec())
            ADD_FAILURE() << "columns of " << table.toStdString() << ": " << q.lastError().text().toStdString();
        QStringList names;
        // The server keeps unquoted names in lower case; the tests name them as the program writes them.
        while (q.next())
            names << (onServer() ? q.value(0).toString().toUpper() : q.value(0).toString());
        return names;
    });
}

std::unique_ptr<TDModule> DatabaseTest::otherProgram() const
{
    auto other = std::make_unique<TDModule>();
    if (onServer())
        other->OpenServerConnection(server);
    else
        other->OpenConnection(dbPath);
    return other;
}

void DatabaseTest::exec(const QString &sql) const
{
    boundRows(sql, {});
}

QList<QVariantList> DatabaseTest::boundRows(const QString &sql, const QVariantList &values) const
{
    return withReader([&](QSqlDatabase &db) {
        QSqlQuery q(db);
        // Without values the statement runs as it stands: it may hold text the binding would read as places.
        if (!values.isEmpty())
            q.prepare(sql);
        for (const QVariant &value : values)
            q.addBindValue(value);
        if (values.isEmpty() ? !q.exec(sql) : !q.exec())
            ADD_FAILURE() << "statement failed: " << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q.isSelect() ? SharedQuery::RowsOf(q) : QList<QVariantList>();
    });
}

void DatabaseTest::addClassRow(qint64 id, const QString &name, const QString &code, qint64 parent, double ratio) const
{
    boundRows(QStringLiteral("INSERT INTO CLASSES VALUES(?, ?, ?, ?, ?)"), {id, name, code, parent, ratio});
}

void DatabaseTest::addClassRows(const QList<ClassEntry> &classes) const
{
    for (const ClassEntry &c : classes)
        addClassRow(c.id, c.name, c.code, c.parent, c.ratio);
}

QVariantList DatabaseTest::classRow(const QString &name) const
{
    return boundRows(QStringLiteral("SELECT C_ID, C_NAME, C_CODE, C_LINK, C_COEFF FROM CLASSES WHERE C_NAME = ?"), {name}).value(0);
}

void DatabaseTest::refuse(const QString &event, const QString &table) const
{
    if (!onServer()) {
        exec(QStringLiteral("CREATE TRIGGER REFUSE_%1 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, 'refused'); END").arg(table, event));
        return;
    }
    exec("CREATE OR REPLACE FUNCTION REFUSE_CHANGE() RETURNS trigger LANGUAGE plpgsql AS "
         "$$BEGIN RAISE EXCEPTION 'refused'; END$$");
    exec(QStringLiteral("CREATE TRIGGER REFUSE_%1 BEFORE %2 ON %1 FOR EACH ROW EXECUTE FUNCTION REFUSE_CHANGE()").arg(table, event));
}

void DatabaseTest::allowAgain(const QString &table) const
{
    exec(QStringLiteral("DROP TRIGGER REFUSE_%1").arg(table) + (onServer() ? QLatin1String(" ON ") + table : QString()));
}

void DatabaseTest::recordUpdates(const QString &table, const QString &column) const
{
    exec("CREATE TABLE UPDATES(U_COLUMNS TEXT)");
    if (!onServer()) {
        exec(QStringLiteral("CREATE TRIGGER RECORD_UPDATES AFTER UPDATE ON %1 BEGIN INSERT INTO UPDATES "
                            "VALUES(CASE WHEN OLD.%2 IS NEW.%2 THEN '' ELSE '%2' END); END").arg(table, column));
        return;
    }
    exec(QStringLiteral("CREATE FUNCTION RECORD_UPDATE() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                        "INSERT INTO UPDATES VALUES(CASE WHEN OLD.%1 IS NOT DISTINCT FROM NEW.%1 THEN '' ELSE '%1' END); "
                        "RETURN NEW; END$$").arg(column));
    exec(QStringLiteral("CREATE TRIGGER RECORD_UPDATES AFTER UPDATE ON %1 FOR EACH ROW EXECUTE FUNCTION RECORD_UPDATE()").arg(table));
}

void DatabaseTest::makeBook(int n, const QString &name, const QList<BookEntry> &entries) const
{
    // The entries are classes under a top-level class of their own, generated as the book numbered n.
    const qint64 top = 100 + n;
    module->exec(QStringLiteral("INSERT INTO CLASSES VALUES(?,?,'',0,0)"), {top, name});
    for (const BookEntry &e : entries)
        module->exec(QStringLiteral("INSERT INTO CLASSES VALUES(?,?,?,?,0)"), {e.id, e.name, e.code, e.parent ? e.parent : top});
    ReferenceStore::GenerateBook(*module, {top, name}, n);
}

TempProgramFolder &AppTest::programFolder()
{
    static TempProgramFolder *folder = nullptr;
    if (!folder) {
        folder = new TempProgramFolder;
        QDir::setCurrent(folder->path());
        StartUp();
        qApp->setProperty("virandel_started", true);
    }
    return *folder;
}

void AppTest::SetUp()
{
    TempProgramFolder &shared = programFolder();
    folder = std::make_unique<TempProgramFolder>();
    dbPath = folder->newDatabase();
    module = DModule;
    // Every test starts from the settings of a fresh installation.
    shared.writeOptions(Options::InitialLines());
    Form6->FormActivate();
    MessageBoxAnswerer unexpected(QMessageBox::Ok);
    QMetaObject::invokeMethod(Form1, "OpenDataBase", Q_ARG(QString, dbPath));
    EXPECT_EQ(unexpected.seen(), 0) << "opening a fresh database showed a message";
}

void AppTest::TearDown()
{
    // Leave no window of this test open for the next one.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            w->hide();
    }
    module = nullptr;
}

void RussianAppTest::SetUp()
{
    AppTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void RussianAppTest::TearDown()
{
    if (Form7 && Form7->isVisible()) {
        MessageBoxAnswerer discard(QMessageBox::Yes);
        Form7->close();
    }
    QLocale::setDefault(m_savedLocale);
    AppTest::TearDown();
}

MessageBoxAnswerer::MessageBoxAnswerer(int standardButton)
    : MessageBoxAnswerer([standardButton](const QString &) { return standardButton; })
{
}

MessageBoxAnswerer::MessageBoxAnswerer(const std::function<int(const QString &text)> &policy)
{
    m_timer = new QTimer;
    m_timer->setInterval(10);
    QObject::connect(m_timer, &QTimer::timeout, [seen = m_seen, policy] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        seen->texts.append(box->text());
        seen->titles.append(box->windowTitle());
        seen->owners.append(box->parentWidget() ? box->parentWidget()->window()->objectName() : QString());
        seen->onTop.append(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QAbstractButton *button = box->button(QMessageBox::StandardButton(policy(box->text())));
        if (!button)
            button = box->buttons().isEmpty() ? nullptr : box->buttons().constFirst();
        if (button)
            QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
    });
    m_timer->start();
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    delete m_timer;
}

void ChooseFileInNextDialog(const QString &path, QStringList *nameFilters)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    // Answers one dialog only: once it has gone, a later dialog is another action's.
    auto answered = std::make_shared<QPointer<QFileDialog>>();
    auto seen = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, path, nameFilters, answered, seen] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (*seen && (!dialog || dialog != answered->data())) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (!dialog)
            return;
        *seen = true;
        *answered = dialog;
        if (nameFilters)
            *nameFilters = dialog->nameFilters();
        // Typed as a whole path into the name box, as a user would: unlike selectFile() this does not
        // depend on the dialog having read its folder in the background.
        auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (nameBox)
            nameBox->setText(path);
        else
            dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    timer->start();
}

QStringList ListTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QStringList ModelColumn(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

int AllRows(QAbstractItemModel *model)
{
    while (model->canFetchMore({}))
        model->fetchMore({});
    return model->rowCount();
}

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void closeQueries(TDModule &module)
{
    for (SharedQuery *query : {module.QRWork, module.QRFields, module.QRGeneral, module.QRClasses})
        query->close();
}

qint64 addField(TDModule &module, const QString &name, int type, bool lookup)
{
    closeQueries(module);
    return FieldStore::AddField(module, name, type, lookup);
}

qint64 addLookupEntry(TDModule &module, qint64 fieldId, const QString &text)
{
    return FieldStore::AddLookupEntry(module, fieldId, text);
}

void changeFieldType(TDModule &module, qint64 fieldId, int type)
{
    closeQueries(module);
    const FieldStore::FieldDefinition field = FieldStore::ReadField(module, fieldId);
    FieldStore::ChangeField(module, fieldId, field.name, type, false);
}

FieldInput DatabaseTest::input(qint64 id, const QVariant &value, bool pictureChosen) const
{
    for (const DescriptionField &field : ReadDescriptionFields(*module)) {
        if (field.id == id)
            return FieldInput{field, value, pictureChosen};
    }
    ADD_FAILURE() << "no field " << id;
    return {};
}

void UseKioskSettings(const Options::Kiosk &kiosk)
{
    ASSERT_TRUE(DModule && Form6) << "the program has not started";
    const QString path = DModule->ProgramFolder + QLatin1String("/System/Options.txt");
    WriteTextLines(path, Options::ComposeKiosk(kiosk, ReadTextLines(path)));
    Form6->FormActivate();
}

void TypeKeys(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n')) {
            QTest::keyClick(widget, Qt::Key_Return);
            continue;
        }
        // Qt names a letter's key by its capital.
        const auto key = Qt::Key(ch.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(ch), Qt::NoModifier);
    }
}

bool RunChildAndKill(const QString &filter, const QMap<QString, QString> &variables, int workMs, QByteArray *said)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        environment.insert(it.key(), it.value());
    child.setProcessEnvironment(environment);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setReadChannel(QProcess::StandardError);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    QByteArray written;
    while (!written.contains("working") && child.waitForReadyRead(10000))
        written += child.readAllStandardError();
    const bool working = written.contains("working");
    if (working)
        QThread::msleep(workMs);
    child.kill();
    child.waitForFinished();
    if (said)
        *said = written;
    return working;
}

void TellParentWorking()
{
    fputs("working\n", stderr);
    fflush(stderr);
}
