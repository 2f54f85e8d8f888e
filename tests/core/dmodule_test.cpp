#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/searchindex.h"

#include <QFile>
#include <QSignalSpy>

TEST_F(DatabaseTest, SharedQueryBindsItsLinesValuesWalksRowsAndPostsPictures)
{
    const QString name = QStringLiteral("O'Brien's \"%1\" ''50%3'' ") + QChar(0) + QStringLiteral("end");
    SharedQuery &q = *module->QRClasses;
    q.setSql("INSERT INTO CLASSES VALUES(?, ?,", {1, name});
    q.addLine(" ?, ?, ?)", {"%2", 0, 0.5});
    q.execSql();
    EXPECT_EQ(rows("SELECT C_NAME, C_CODE, C_COEFF FROM CLASSES"), (QList<QVariantList>{{name, "%2", 0.5}}));
    EXPECT_EQ(q.readAll("SELECT C_ID FROM CLASSES WHERE C_NAME = ?", {name}), (QList<QVariantList>{{1}}));
    EXPECT_FALSE(q.isOpen()) << "read to the end and released";

    exec("INSERT INTO CLASSES VALUES(2,'b','',1,1000)");
    exec("INSERT INTO CLASSES VALUES(3,'c','x',1,-2)");
    q.setSql("SELECT * FROM CLASSES");
    q.addLine(" ORDER BY C_ID DESC");
    q.open();
    // Each row as the walk finds it: its number, identifier, code, name and ratio.
    QList<QVariantList> walked;
    for (bool more = !q.eof(); more; more = q.next())
        walked << QVariantList{q.recNo(), q.asInteger("C_ID"), q.asString("C_CODE"), q.asString("C_NAME"), q.asFloat("C_COEFF")};
    EXPECT_EQ(walked, (QList<QVariantList>{{1, 3, "x", "c", -2.0}, {2, 2, "", "b", 1000.0}, {3, 1, "%2", name, 0.5}}));
    EXPECT_TRUE(q.eof());
    ASSERT_TRUE(q.setRecNo(2));
    EXPECT_EQ(q.asString("C_NAME"), "b");
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_FALSE(q.setRecNo(4));
    q.open("SELECT * FROM CLASSES WHERE C_ID = 99");
    EXPECT_TRUE(q.isEmpty());
    EXPECT_TRUE(q.eof());
    EXPECT_THROW(q.asString("C_NAME"), DbError);

    exec("ALTER TABLE GENER ADD G1 BLOB");
    exec("INSERT INTO GENER (G_ID) VALUES(5)");
    SharedQuery &list = *module->QRGeneral;
    list.open("SELECT G_ID, G1 FROM GENER WHERE (G_ID = 5)");
    const QByteArray bytes("\x00\x01picture\xff", 11);
    list.edit("GENER", "G_ID");
    list.setFieldValue("G1", bytes);
    list.post();
    EXPECT_EQ(scalar("SELECT G1 FROM GENER WHERE G_ID = 5").toByteArray(), bytes);
}

TEST_F(DatabaseTest, EmptyDatabaseHasTheFixedTablesInTheirColumnOrder)
{
    EXPECT_EQ(columnsOf("CLASSES"), (QStringList{"C_ID", "C_NAME", "C_CODE", "C_LINK", "C_COEFF"}));
    EXPECT_EQ(columnsOf("FIELDS"), (QStringList{"F_ID", "F_NAME", "F_TYPE", "F_LOOKUP"}));
    EXPECT_EQ(columnsOf("GENER"), (QStringList{"G_ID"}));
    EXPECT_EQ(columnsOf("REFERS"), (QStringList{"R_ID", "R_NAME", "R_CLASS"}));
    EXPECT_EQ(columnsOf("LINKS"), (QStringList{"L_ID", "L_OBJECT", "L_REFER", "L_CLASS", "L_VALUE", "L_CAPTION"}));
    EXPECT_EQ(columnsOf("KATALOGS"), (QStringList{"K_ID", "K_NAME", "K_PATH", "K_DATA"}));
    EXPECT_EQ(columnsOf("TYPES"), (QStringList{"T_ID", "T_NAME", "T_ENG"}));
    EXPECT_EQ(columnsOf("BOOLEAN"), (QStringList{"B_ID", "B_TEXT"}));
    for (const char *table : {"CLASSES", "FIELDS", "GENER", "REFERS", "LINKS", "KATALOGS"})
        EXPECT_EQ(count(QStringLiteral("SELECT * FROM %1").arg(table)), 0) << table;
}

TEST_F(DatabaseTest, OpeningADamagedOrForeignDatabaseFailsAndWritesNothing)
{
    // A missing file or one of text is the main window's to refuse. A database of some other program, or ours with a fixed table or type row missing.
    const QList<QStringList> damages = {{"DROP TABLE REFERS"}, {"DROP TABLE GENER"}, {"DROP TABLE LINKS"},
                                        {"DROP TABLE KATALOGS"}, {"DELETE FROM TYPES WHERE T_ID = 7"},
                                        {"ALTER TABLE LINKS DROP L_CAPTION"}};
    for (const QStringList &damage : damages) {
        const QString path = folder->newDatabase("damaged.mdb");
        module->OpenConnection(path);
        for (const QString &statement : damage)
            module->exec(statement);
        module->CloseConnection();
        EXPECT_THROW(module->OpenConnection(path), DbError) << damage.join(' ').toStdString();
        EXPECT_FALSE(module->connected());
    }

    // A page overwritten where the opening's own reads do not look: the file is refused before the opening
    // writes anything (the field indexes, the quick search's index), and it stays byte for byte as it was.
    const QString path = folder->newDatabase("damaged.mdb");
    module->OpenConnection(path);
    for (int i = 1; i <= 40; ++i)
        module->exec("INSERT INTO KATALOGS VALUES (?, ?, '', ?)", {i, QString("Каталог %1").arg(i), QString(300, 'x')});
    module->exec(QString("DROP TABLE IF EXISTS %1").arg(SchemaName::SearchTextTable));
    const int pageSize = module->QRWork->readAll("PRAGMA page_size").first().first().toInt();
    const int page = module->QRWork->readAll("SELECT rootpage FROM sqlite_master WHERE name = 'KATALOGS'").first().first().toInt();
    module->CloseConnection();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(qint64(page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\x5A'));
    }
    const QByteArray damaged = FileBytes(path);

    // What opening a file does before anything is shown.
    EXPECT_THROW(
        {
            module->OpenConnection(path);
            EnsureSearchIndex(*module);
        },
        DbError);
    EXPECT_FALSE(module->connected());
    EXPECT_TRUE(FileBytes(path) == damaged) << "the damaged file was written to";
    EXPECT_FALSE(QFile::exists(path + "-journal"));
    EXPECT_THROW(module->OpenReadOnly(path), DbError);
}

// A list longer than the pages a lazy query keeps: walking it holds no more than its page limit, and a
// row let go of, or one far ahead of the rows read, is read again in the right place.
TEST_F(DatabaseTest, ALazyQueryKeepsBoundedPagesAndReadsAnyRowAgain)
{
    const int rowCount = (SharedQuery::MaxCachedPages + 8) * SharedQuery::PageSize + 7;
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                        "INSERT INTO GENER (G_ID) SELECT I FROM N").arg(rowCount));
    SharedQuery &list = *module->QRGeneral;
    list.open("SELECT G_ID, G_ID * 2 AS TWICE FROM GENER ORDER BY G_ID DESC");
    EXPECT_EQ(list.valueAt(SharedQuery::PageSize * 40 + 3, 0).toInt(), rowCount - SharedQuery::PageSize * 40 - 3)
        << "a row far ahead is read without reading the rows before it";
    EXPECT_FALSE(list.allRowsRead());
    int walked = 0;
    for (bool more = list.first(); more; more = list.next()) {
        if (list.asInteger("G_ID") != rowCount - walked)
            break;
        ++walked;
    }
    EXPECT_EQ(walked, rowCount);
    EXPECT_TRUE(list.allRowsRead());
    EXPECT_LE(list.pagesHeld(), SharedQuery::MaxCachedPages);
    EXPECT_EQ(list.valueAt(1, 1).toInt(), 2 * (rowCount - 1));
    ASSERT_TRUE(list.setRecNo(SharedQuery::PageSize + 1));
    EXPECT_EQ(list.asInteger("TWICE"), 2 * (rowCount - SharedQuery::PageSize));
    EXPECT_TRUE(list.valueAt(rowCount, 0).isNull());
    // Every row read, nothing stays pending: the table can be dropped.
    EXPECT_NO_THROW(module->exec("DROP TABLE LINKS"));
}

using BothEnginesTest = EngineTest;

ENGINE_TEST_SUITE(BothEnginesTest);

// Another program may drop a table or column of the database this program has open: the user is told so
// in Russian, nothing of the action stays, and the windows are asked to read the design again.
TEST_P(BothEnginesTest, WhatAnotherProgramDroppedIsToldInRussianAndTheDesignIsReadAgain)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 photo = addField(*module, "Фото", ImageType);
    InsertObject(*module, 1, {input(name, "старое"), input(photo, QByteArray())});
    const QList<FieldInput> changed{input(name, "новое"), input(photo, QByteArray("picture bytes"), true)};
    QSignalSpy design(module, &TDModule::DesignChanged);
    {
        const std::unique_ptr<TDModule> other = otherProgram();
        closeQueries(*other);
        FieldStore::DeleteField(*other, photo);
    }
    for (const auto &action : std::initializer_list<std::function<void()>>{
             [&] { UpdateObject(*module, 1, changed); }, [&] { module->GenID("NOSUCH", ""); }}) {
        const QString failure = FailureOf(action);
        EXPECT_TRUE(failure.startsWith("Структура базы данных изменена другим пользователем")) << failure.toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(name)).toString(), "старое")
        << "the first statement of the action was undone with the failed one";
    EXPECT_TRUE(WaitFor([&] { return design.size() == 1; }));
}

TEST_P(BothEnginesTest, EveryValueArrivesAsGivenAndNothingInItIsReadAsPartOfTheStatement)
{
    const QStringList names{QStringLiteral("O'Brien's \"?\""), QStringLiteral("a\\'); DELETE FROM CLASSES; --"), QStringLiteral("?"),
                            QStringLiteral("''?''"), QStringLiteral("\\x00ab $1 $$ E'\\n'"), QString()};
    const double coefficient = 0.1 + 0.2;   // every digit must arrive
    // Each row as "name / code / ratio with every digit", a missing name as NULL.
    const auto rowText = [](const QVariant &name, const QVariant &code, double ratio) {
        return (name.isNull() ? QStringLiteral("NULL") : name.toString()) + " / " + code.toString() + " / " + QString::number(ratio, 'g', 17);
    };
    QStringList expected, stored;
    for (qint64 id = 1; id <= names.size(); ++id) {
        const QVariant name = names.at(id - 1).isNull() ? QVariant() : QVariant(names.at(id - 1));
        // The quoted question mark is the statement's own text, not a place for a value.
        module->exec(QStringLiteral("INSERT INTO CLASSES VALUES(?, ?, '?', ?, ?)"), {id, name, 0, coefficient});
        expected << rowText(name, "?", coefficient);
    }
    for (const QVariantList &row : rows("SELECT C_NAME, C_CODE, C_COEFF FROM CLASSES ORDER BY C_ID"))
        stored << rowText(row[0], row[1], row[2].toDouble());
    EXPECT_EQ(stored, expected);
    for (qint64 id = 1; id < names.size(); ++id) {
        EXPECT_EQ(module->QRWork->readAll(QStringLiteral("SELECT C_ID FROM CLASSES WHERE C_NAME = ? AND C_CODE = '?'"), {names.at(id - 1)}),
                  (QList<QVariantList>{{id}}))
            << names.at(id - 1).toStdString();
    }
}
