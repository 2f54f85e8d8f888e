#include "objects/windowsteps.h"
#include "find/findtest.h"

#include "app/databasecheck.h"
#include "app/form1.h"
#include "catalogs/layouttext.h"
#include "core/snapshots.h"
#include "objects/sortkeys.h"

#include <QAction>

namespace {
class CheckTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        title = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        makeBook(1, "Регионы", {{1, "Север", "01", 0}, {2, "Юг", "02", 0}});
        for (int i = 1; i <= 3; ++i)
            InsertValues(*module, i, {QStringLiteral("шар %1").arg(i), "синий"});
        exec("INSERT INTO LINKS VALUES (60, 2, 1, 1, '5', 2)");
        SortKeys::Prepare(*module);
        closeQueries(*module);
    }
    QStringList found()
    {
        QStringList texts;
        for (const DatabaseCheck::Finding &finding : DatabaseCheck::Run(*module, dbPath))
            texts << finding.text;
        return texts;
    }
    qint64 title = 0, colour = 0;
};
}

// Each planted fault is found and reported plainly; what can be mended is, in one go, and the sound
// rows stay as they were.
TEST_F(CheckTest, EachPlantedFaultIsFoundAndWhatCanBeMendedIs)
{
    EXPECT_EQ(found(), QStringList());

    exec(QStringLiteral("UPDATE GENER SET G%1 = 999 WHERE G_ID = 1").arg(colour));
    exec("INSERT INTO LINKS VALUES (50, 999, 1, 1, '', 0)");   // no such object
    exec("INSERT INTO LINKS VALUES (51, 2, 1, 77, '', 0)");    // no such entry
    exec("INSERT INTO LINKS VALUES (52, 3, 7, 1, '', 0)");     // no such book
    exec("INSERT INTO LINKS VALUES (53, 3, 1, 2, '', 88)");    // no such caption
    exec("INSERT INTO REFERS VALUES (9, 'Пропавший', 0)");
    exec("INSERT INTO FIELDS VALUES (40, 'Призрак', 0, 0)");
    exec("INSERT INTO KATALOGS VALUES (1, 'Витрина', '', '')");
    exec(QStringLiteral("UPDATE OBJECT_KEYS SET O_G%1 = X'01' WHERE O_ID = 2").arg(title));
    const QList<DatabaseCheck::Finding> findings = DatabaseCheck::Run(*module, dbPath);
    const QStringList texts = found();
    const QString report = texts.join('\n');
    for (const char *expected : {"Поле «Цвет»: у объектов (1) значение, которого нет в списке значений.",
                                 "Параметры объектов (3), которые ссылаются на несуществующий объект, справочник или его элемент.",
                                 "Подписи параметров (1), которые ссылаются на несуществующий элемент справочника.",
                                 "У справочника «Пропавший» нет таблицы REFER9.", "У поля «Призрак» нет столбца G40 в таблице объектов.",
                                 "Нет папки каталога «Витрина»", "Ключи порядка сортировки устарели у объектов (1)."})
        EXPECT_TRUE(report.contains(QString::fromUtf8(expected))) << "\n" << report.toStdString();
    EXPECT_EQ(findings.size(), 7);
    EXPECT_TRUE(DatabaseCheck::Report(findings).endsWith("\n\nИсправить то, что можно исправить?"));

    // The copy is promised only where it is made (the window's report on a file: AppTest.CheckDatabaseItem...);
    // one refused stops the mend before anything changed.
    EXPECT_FALSE(DatabaseCheck::MendFindings(*module, findings, [] { return false; }));
    EXPECT_EQ(found(), texts);
    // A mend failing part-way changes nothing: one transaction.
    refuse("DELETE", "LINKS");
    EXPECT_FALSE(FailureOf([&] { DatabaseCheck::MendFindings(*module, findings); }).isEmpty());
    allowAgain("LINKS");
    EXPECT_EQ(found(), texts);
    int copies = 0;
    EXPECT_TRUE(DatabaseCheck::MendFindings(*module, findings, [&] { return ++copies; }));
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(colour)).toInt(), 0);
    EXPECT_EQ(rows("SELECT L_ID, L_CAPTION FROM LINKS ORDER BY L_ID"), (QList<QVariantList>{{53, 0}, {60, 2}}));
    // What it cannot mend it still reports; the rest is gone.
    EXPECT_EQ(found(), (QStringList{"У поля «Призрак» нет столбца G40 в таблице объектов.", "У справочника «Пропавший» нет таблицы REFER9.",
                                    "Нет папки каталога «Витрина»: " + QDir::toNativeSeparators(Layout::CatalogFolder(dbPath, "Витрина"))}));
}

// The menu items of the main and the view/fill window check the open file and, agreed to, mend it; the
// answer No leaves it as it is.
TEST_F(AppTest, CheckDatabaseItemReportsAndMendsWhenTheUserAgrees)
{
    QAction *item = Control<QAction>(Form1, "CheckDatabaseItem");
    ASSERT_TRUE(item->isEnabled());
    EXPECT_EQ(item->text(), "Проверить базу данных…");
    EXPECT_EQ(ClickAnswering(item), QStringList{"Проверка закончена: база данных в порядке."});
    const qint64 field = addField(*module, "Название", StringType);
    exec("INSERT INTO LINKS VALUES (50, 999, 1, 1, '', 0)");
    exec("INSERT INTO GENER (G_ID) VALUES (1)");
    exec(QStringLiteral("UPDATE OBJECT_KEYS SET O_G%1 = X'01' WHERE O_ID = 1").arg(field));
    exec("DELETE FROM STALE_KEYS");
    for (const int button : {int(QMessageBox::No), int(QMessageBox::Yes)}) {
        QStringList boxes;
        MessageBoxAnswerer answer([&](const QString &) {
            boxes << (QApplication::activeModalWidget() ? QApplication::activeModalWidget()->objectName() : QString());
            return button;
        });
        item->trigger();
        ASSERT_GE(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().startsWith("Проверка закончена. Найдено:\n• Параметры объектов (1)")) << answer.texts().first().toStdString();
        EXPECT_TRUE(answer.texts().first().contains("Ключи порядка сортировки устарели у объектов (1)."));
        EXPECT_TRUE(answer.texts().first().endsWith("Перед исправлением будет сделана резервная копия."));
        EXPECT_EQ(boxes.value(0), "CheckDatabaseWindow");
        EXPECT_EQ(count("SELECT * FROM LINKS"), button == QMessageBox::No ? 1 : 0);
        if (button == QMessageBox::Yes)
            EXPECT_EQ(answer.texts().last(), "Найденное исправлено.");
    }
    // The copy made before the mend holds what the mend removed.
    const QList<Snapshots::Snapshot> snapshots = Snapshots::List(DModule->database().databaseName());
    ASSERT_FALSE(snapshots.isEmpty());
    EXPECT_EQ(snapshots.first().cause, SnapshotCause::DatabaseMended());
    EXPECT_EQ(FileRows(snapshots.first().path, "SELECT COUNT(*) FROM LINKS"), QStringList{"1"});
    EXPECT_EQ(ClickAnswering(item), QStringList{"Проверка закончена: база данных в порядке."});

    // An object whose lookup value names no entry drops out of the list; the mend asked for in the view/fill
    // window gives it the empty entry and the list shows it again at once.
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (2, 'Чаша', 99)").arg(field).arg(colour));
    ViewFill::Enter();
    EXPECT_EQ(AllRows(ViewFill::Grid()->model()), 1);
    EXPECT_EQ(ClickAnswering(Control<QAction>(Form2, "CheckDatabaseItem"), QMessageBox::Yes).value(1), "Найденное исправлено.");
    EXPECT_EQ(AllRows(ViewFill::Grid()->model()), 2);
}
