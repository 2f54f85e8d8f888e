// Reference books over a large classifier: generating, regenerating and removing a book of 100 000
// entries, and filling the tab's lists. Builds its databases in a temporary folder and prints timings.
#include "app/databasehooks.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "references/referencespage.h"
#include "references/referencestore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {
double timed(const char *label, const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("%-58s %8.3f s\n", label, seconds);
    std::fflush(stdout);
    return seconds;
}

qint64 scalar(TDModule &module, const QString &sql)
{
    module.QRWork->open(sql);
    const qint64 value = module.QRWork->valueAt(0, 0).toLongLong();
    module.QRWork->close();
    return value;
}

ReferenceStore::TopClass topClassNamed(TDModule &module, const QString &name)
{
    for (const ReferenceStore::TopClass &c : ReferenceStore::TopClasses(module))
        if (c.name == name)
            return c;
    return {};
}

void run(TDModule &module, const QString &folder, const QString &title, const QString &fillClasses)
{
    std::printf("\n%s\n", qPrintable(title));
    const QString path = folder + QLatin1Char('/') + title.section(QLatin1Char(' '), 0, 0) + QLatin1String(".mdb");
    CreateEmptyDatabase(path);
    module.OpenConnection(path);
    timed("building the classifier", [&] {
        Transaction tx(module);
        module.exec(fillClasses);
        tx.commit();
    });
    const ReferenceStore::TopClass root = topClassNamed(module, QStringLiteral("Root"));
    qint64 book = 0;
    timed("generating the book", [&] { book = ReferenceStore::GenerateBook(module, root); });
    std::printf("  entries: %lld, at the top level: %lld\n",
                scalar(module, QStringLiteral("SELECT COUNT(*) FROM REFER%1").arg(book)),
                scalar(module, QStringLiteral("SELECT COUNT(*) FROM REFER%1 WHERE R%1_LINK = 0").arg(book)));
    timed("links to every entry (setup)", [&] {
        Transaction tx(module);
        module.exec(QStringLiteral("INSERT INTO LINKS SELECT R%1_ID, 1, %1, R%1_ID, '', 0 FROM REFER%1").arg(book));
        tx.commit();
    });
    timed("regenerating the book (links kept)", [&] {
        ReferenceStore::GenerateBook(module, root, ReferenceStore::BookOfClass(module, root.id));
    });
    timed("asking whether the book has links", [&] { ReferenceStore::BookHasLinks(module, book); });
    timed("removing the book with its links", [&] { ReferenceStore::RemoveBook(module, book); });
    module.CloseConnection();
}
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    TDModule module;

    // Root with ten children, each with ten children, and so on: 99 999 classes below it.
    run(module, dir.path(), QStringLiteral("wide: 100 000 classes, ten children each"),
        QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100000) "
                       "INSERT INTO CLASSES SELECT I, CASE WHEN I = 1 THEN 'Root' ELSE 'Class ' || I END, "
                       "'C' || I, (I + 8) / 10, CASE WHEN I = 1 THEN 0 ELSE 0.5 END FROM N"));
    // One chain of 100 000 levels.
    run(module, dir.path(), QStringLiteral("deep: a chain of 100 000 classes"),
        QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100000) "
                       "INSERT INTO CLASSES SELECT I, CASE WHEN I = 1 THEN 'Root' ELSE 'Class ' || I END, "
                       "'', I - 1, CASE WHEN I = 1 THEN 0 ELSE 1000 END FROM N"));

    // The tab's lists with 100 000 top-level classes and 1 000 books.
    std::printf("\nlists: 100 000 top-level classes, 1 000 books\n");
    const QString path = dir.path() + QLatin1String("/lists.mdb");
    CreateEmptyDatabase(path);
    module.OpenConnection(path);
    timed("building the classifier and the books", [&] {
        Transaction tx(module);
        module.exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100000) "
                                   "INSERT INTO CLASSES SELECT I, 'Class ' || I, '', 0, 0 FROM N"));
        const QList<ReferenceStore::TopClass> classes = ReferenceStore::TopClasses(module);
        for (int i = 0; i < 1000; ++i)
            ReferenceStore::GenerateBook(module, classes.at(i));
        tx.commit();
    });
    ReferencesPage page;
    timed("filling both lists", [&] { page.ComponentsFill(); });
    std::printf("  listed: %d classes, %d books\n", page.findChild<QListWidget *>(QStringLiteral("ComponentsList1"))->count(),
                page.findChild<QListWidget *>(QStringLiteral("ComponentsList2"))->count());
    module.CloseConnection();
    return 0;
}
