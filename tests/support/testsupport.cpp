#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/startup.h"
#include "core/dmodule.h"
#include "core/sqltext.h"
#include "core/textfile.h"
#include "settings/options.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <memory>

TempProgramFolder::TempProgramFolder()
{
    QDir dir(m_dir.path());
    dir.mkpath(QStringLiteral("System"));
    dir.mkpath(QStringLiteral("Samples"));
    QFile::copy(QStringLiteral(EMPTY_DB_PATH), m_dir.path() + QLatin1String("/Samples/Empty.mdb"));
    QFile(m_dir.path() + QLatin1String("/Samples/Empty.mdb")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    writeOptions(Options::InitialLines());
    WriteTextLines(m_dir.path() + QLatin1String("/System/Samples.txt"), {});
}

QString TempProgramFolder::newDatabase(const QString &name) const
{
    const QString target = m_dir.path() + QLatin1Char('/') + name;
    QFile::remove(target);
    QFile::copy(QStringLiteral(EMPTY_DB_PATH), target);
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void TempProgramFolder::writeOptions(const QStringList &lines) const
{
    WriteTextLines(m_dir.path() + QLatin1String("/System/Options.txt"), lines);
}

void DatabaseTest::SetUp()
{
    folder = std::make_unique<TempProgramFolder>();
    dbPath = folder->newDatabase();
    ownsModule = !DModule;
    module = ownsModule ? new TDModule : DModule;
    if (ownsModule)
        module->ProgramFolder = folder->path();
    module->OpenConnection(dbPath);
}

void DatabaseTest::TearDown()
{
    if (ownsModule)
        delete module;
    module = nullptr;
}

namespace {
template <typename Fn>
auto withSecondConnection(const QString &path, Fn fn)
{
    const QString name = QStringLiteral("test_reader");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.open();
    auto result = fn(db);
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    return result;
}
}

QList<QVariantList> DatabaseTest::rows(const QString &sql) const
{
    return withSecondConnection(dbPath, [&](QSqlDatabase &db) {
        QList<QVariantList> result;
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            ADD_FAILURE() << "query failed: " << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return result;
        }
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            result << row;
        }
        return result;
    });
}

QVariant DatabaseTest::scalar(const QString &sql) const
{
    const QList<QVariantList> r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

bool DatabaseTest::tableExists(const QString &table) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'").arg(table)).toInt() == 1;
}

QStringList DatabaseTest::columnsOf(const QString &table) const
{
    QStringList names;
    for (const QVariantList &row : rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        names << row.at(1).toString();
    return names;
}

void DatabaseTest::exec(const QString &sql) const
{
    withSecondConnection(dbPath, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            ADD_FAILURE() << "statement failed: " << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return 0;
    });
}

void DatabaseTest::makeBook(int n, const QString &name, const QList<BookEntry> &entries) const
{
    exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                        "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(n));
    exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(n));
    exec(QStringLiteral("INSERT INTO REFERS VALUES(%1,%2,%3)").arg(n).arg(Quoted(name)).arg(100 + n));
    for (const BookEntry &e : entries)
        exec(QStringLiteral("INSERT INTO REFER%1 VALUES(%2,%3,%4,%5,0)").arg(n).arg(e.id).arg(Quoted(e.name), Quoted(e.code)).arg(e.parent));
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
    Q_UNUSED(shared);
    module = DModule;
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

MessageBoxAnswerer::MessageBoxAnswerer(int standardButton)
{
    m_timer = new QTimer;
    m_timer->setInterval(10);
    auto texts = m_texts;
    auto titles = m_titles;
    QObject::connect(m_timer, &QTimer::timeout, [texts, titles, standardButton] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        texts->append(box->text());
        titles->append(box->windowTitle());
        QAbstractButton *button = box->button(QMessageBox::StandardButton(standardButton));
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

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void closeQueries(TDModule &module)
{
    for (SharedQuery *query : {module.QRWork, module.QRFields, module.QRGeneral, module.QRClasses})
        query->close();
}

namespace {
QString columnTypeOf(TDModule &module, int type)
{
    module.QRWork->open(QStringLiteral("SELECT T_ENG FROM TYPES WHERE T_ID = %1").arg(type));
    const QString columnType = module.QRWork->asString(QStringLiteral("T_ENG"));
    closeQueries(module);
    return columnType;
}
}

qint64 addField(TDModule &module, const QString &name, int type, bool lookup)
{
    const qint64 id = module.GenID(QStringLiteral("FIELDS")).toLongLong();
    module.exec(QStringLiteral("INSERT INTO FIELDS VALUES(%1,%2,%3,%4)").arg(id).arg(Quoted(name)).arg(type).arg(lookup ? -1 : 0));
    const QString columnType = lookup ? QStringLiteral("INTEGER") : columnTypeOf(module, type);
    closeQueries(module);
    module.exec(QStringLiteral("ALTER TABLE GENER ADD G%1 %2").arg(id).arg(columnType));
    if (lookup) {
        module.exec(QStringLiteral("CREATE TABLE LOOKUP%1(L%1_ID INTEGER NOT NULL PRIMARY KEY,L%1_DATA VARCHAR(50))").arg(id));
        module.exec(QStringLiteral("INSERT INTO LOOKUP%1 VALUES(0,'< пустое значение >')").arg(id));
        module.exec(QStringLiteral("UPDATE GENER SET G%1 = 0").arg(id));
    }
    return id;
}

qint64 addLookupEntry(TDModule &module, qint64 fieldId, const QString &text)
{
    const qint64 id = module.GenID(QStringLiteral("LOOKUP%1").arg(fieldId), QString::number(fieldId)).toLongLong();
    module.exec(QStringLiteral("INSERT INTO LOOKUP%1 VALUES(%2,%3)").arg(fieldId).arg(id).arg(Quoted(text)));
    return id;
}

void changeFieldType(TDModule &module, qint64 fieldId, int type)
{
    const QString columnType = columnTypeOf(module, type);
    module.exec(QStringLiteral("UPDATE FIELDS SET F_TYPE = %1 WHERE F_ID = %2").arg(type).arg(fieldId));
    module.exec(QStringLiteral("ALTER TABLE GENER DROP G%1").arg(fieldId));
    module.exec(QStringLiteral("ALTER TABLE GENER ADD G%1 %2").arg(fieldId).arg(columnType));
}
