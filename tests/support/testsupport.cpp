#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/startup.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/options.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>

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

void OnNextModalDialog(std::function<void(QWidget *)> handler)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, handler] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || qobject_cast<QMessageBox *>(w))
            return;
        timer->stop();
        timer->deleteLater();
        handler(w);
    });
    timer->start();
}

bool WaitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}
