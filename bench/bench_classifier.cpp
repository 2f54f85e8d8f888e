// Speed of the classifier on a large database: a branch of 100 000 classes, a level of 10 000 siblings.
#include "app/databasehooks.h"
#include "classifier/classstore.h"
#include "classifier/descendants.h"
#include "classifier/form3.h"
#include "classifier/lazytree.h"
#include "classifier/treelevel.h"
#include "core/dmodule.h"
#include "core/schema.h"

#include <QCoreApplication>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

namespace {
double ms(QElapsedTimer &timer)
{
    const double value = timer.nsecsElapsed() / 1e6;
    timer.restart();
    return value;
}

qint64 scalar(TDModule &module, const QString &sql)
{
    module.QRWork->open(sql);
    return module.QRWork->valueAt(0, 0).toLongLong();
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/bench.mdb");
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);

    // Root 1 with 10 middle classes (2..11), each with 10 000 leaves; every other leaf under class 2 has
    // a child of its own, so the child test of that level finds both answers.
    QElapsedTimer timer;
    timer.start();
    {
        Transaction tx(module);
        module.exec("INSERT INTO CLASSES VALUES (1, 'Корень', '', 0, 0)");
        module.exec("WITH RECURSIVE N(I) AS (SELECT 2 UNION ALL SELECT I + 1 FROM N WHERE I < 11) "
                    "INSERT INTO CLASSES SELECT I, 'Середина ' || I, 'M' || I, 1, 10 FROM N");
        module.exec("WITH RECURSIVE N(I) AS (SELECT 0 UNION ALL SELECT I + 1 FROM N WHERE I < 99999) "
                    "INSERT INTO CLASSES SELECT 100 + I, 'Лист ' || I, printf('%05d', 99999 - I), 2 + I / 10000, 1000 FROM N");
        module.exec("WITH RECURSIVE N(I) AS (SELECT 0 UNION ALL SELECT I + 2 FROM N WHERE I < 9998) "
                    "INSERT INTO CLASSES SELECT 200000 + I, 'Внук ' || I, '', 100 + I, 0.5 FROM N");
        tx.commit();
    }
    const qint64 total = scalar(module, "SELECT COUNT(*) FROM CLASSES");
    std::printf("database built: %lld classes in %.0f ms\n", total, ms(timer));

    const QVector<TreeRow> level = ReadTreeLevel(module, TreeSource::classes(0), 2);
    int withChildren = 0;
    for (const TreeRow &row : level)
        withChildren += row.hasChildren ? 1 : 0;
    std::printf("reading a level of %lld siblings with the child test (one statement): %.1f ms, %d have children\n",
                qint64(level.size()), ms(timer), withChildren);

    QTreeWidget view;
    LazyTree tree(&view, [] { return TreeSource::classes(1); }, [] { return 0; });
    tree.rebuild();
    std::printf("tree from the top (%d items): %.1f ms\n", view.topLevelItemCount(), ms(timer));
    QTreeWidgetItem *root = view.topLevelItem(0);
    root->setExpanded(true);
    QTreeWidgetItem *middle = root->child(0);
    timer.restart();
    middle->setExpanded(true);
    std::printf("expanding a node of %d children in the tree view: %.1f ms\n", middle->childCount(), ms(timer));

    const QList<qint64> below = FindLowClasses(module, "CLASSES", QString(), 1);
    std::printf("descendant search below the root: %lld classes in %.1f ms\n", qint64(below.size()), ms(timer));

    TForm3 window;
    const ChildList children = ReadChildren(module, 2);
    window.PrepareAdding(QStringLiteral("Родитель"), QStringLiteral("Новый"), children.names, children.ids, false);
    window.show();
    QCoreApplication::processEvents();
    std::printf("ratio window read, prepared and shown with %lld insertion choices: %.1f ms\n",
                qint64(window.radioItems().size()), ms(timer));

    window.hide();
    module.exec("INSERT INTO CLASSES VALUES (900000, 'Широкий', '', 0, 0)");
    module.exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100000) "
                "INSERT INTO CLASSES SELECT 900000 + I, 'Ребенок ' || I, '', 900000, 2 FROM N");
    timer.restart();
    const ChildList wide = ReadChildren(module, 900000);
    window.PrepareAdding(QStringLiteral("Широкий"), QStringLiteral("Новый"), wide.names, wide.ids, true);
    window.show();
    QCoreApplication::processEvents();
    std::printf("ratio window read, prepared and shown with %lld insertion choices: %.1f ms\n",
                qint64(window.radioItems().size()), ms(timer));
    window.hide();
    module.exec("DELETE FROM CLASSES WHERE C_ID >= 900000");

    module.GenID("CLASSES");
    std::printf("next identifier: %.1f ms\n", ms(timer));
    AddClass(module, "Новый", "", 2, 4);
    std::printf("adding a class: %.1f ms\n", ms(timer));
    AddClass(module, "Вставленный", "", 1, 4, 3);
    std::printf("adding with insertion above a 10 000-class branch: %.1f ms\n", ms(timer));

    DeleteClassWithSubtree(module, 1);
    const double deleteMs = ms(timer);
    std::printf("deleting the root with its subtree: %.1f ms, %lld classes left\n", deleteMs,
                scalar(module, "SELECT COUNT(*) FROM CLASSES"));
    return 0;
}
