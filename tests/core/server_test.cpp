#include "support/testsupport.h"

#include "core/changenotice.h"
#include "core/dmodule.h"
#include "core/serverdatabase.h"
#include "objects/objectlist.h"

#include <QSet>
#include <QSignalSpy>
#include <string>
#include <thread>

TEST_F(ServerDatabaseTest, ProgramsAddingAtOnceGetIdentifiersOfTheirOwnAndEveryRowLands)
{
    // Both reserve before either adds: a read of the largest number would give both the same one.
    TDModule other;
    other.OpenServerConnection(server);
    const qint64 first = ReserveObjectId(*module);
    const qint64 second = ReserveObjectId(other);
    EXPECT_NE(first, second);
    InsertObject(other, second, {});
    InsertObject(*module, first, {});

    // Rows written with numbers of their own (a copied database) are never handed out again.
    exec("INSERT INTO GENER (G_ID) VALUES (500)");
    EXPECT_EQ(ReserveObjectId(other), 501);

    constexpr int PerProgram = 100;
    std::vector<qint64> ids[2];
    QString failures[2];
    auto addObjects = [&](int program) {
        failures[program] = FailureOf([&] {
            TDModule own;
            own.OpenServerConnection(server);
            for (int i = 0; i < PerProgram; ++i) {
                Transaction tx(own);
                const qint64 id = ReserveObjectId(own);
                InsertObject(own, id, {});
                tx.commit();
                ids[program].push_back(id);
            }
        });
    };
    std::thread a(addObjects, 0);
    std::thread b(addObjects, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures[0] + failures[1], "") << (failures[0] + failures[1]).toStdString();
    QSet<qint64> distinct(ids[0].begin(), ids[0].end());
    distinct.unite(QSet<qint64>(ids[1].begin(), ids[1].end()));
    EXPECT_EQ(distinct.size(), 2 * PerProgram);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM GENER").toInt(), 2 * PerProgram + 3);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM GENER WHERE G_ID > 501").toInt(), 2 * PerProgram);

}

// A failed connection is told by ServerConnectTest.AFailedConnectionIsExplainedAndLeavesTheFileOpenAndTheWindowOnScreen.
TEST_F(ServerDatabaseTest, ANewServerDatabaseIsMadeOnlyOnceAndOnlyUnderAPlainName)
{
    // The fixture's database was made by the program and passed the checks of opening: made once only.
    exec("INSERT INTO CLASSES VALUES(1,'Метр','',0,0)");
    const QString again = FailureOf([&] { CreateServerDatabase(server); });
    EXPECT_TRUE(again.contains("уже существует и не пуста")) << again.toStdString();
    EXPECT_EQ(scalar("SELECT C_NAME FROM CLASSES").toString(), "Метр");

    for (const QString &name : {QStringLiteral("x; DROP DATABASE postgres"), QStringLiteral("Заглавная"),
                                QStringLiteral("1first"), QString()}) {
        const QString refused = FailureOf([&] { CreateServerDatabase(TestServer(name)); });
        EXPECT_TRUE(refused.contains("Недопустимое имя базы данных")) << name.toStdString();
    }
}

// A design changed elsewhere is told by BothEnginesTest.WhatAnotherProgramDroppedIsToldInRussianAndTheDesignIsReadAgain.
TEST_F(ServerDatabaseTest, ARefusalOrALostConnectionIsToldInRussianAndNothingIsHalfWritten)
{
    const qint64 name = addField(*module, "Название", StringType);
    InsertObject(*module, 1, {input(name, "старое")});
    const FieldInput newName = input(name, "новое");

    // Any other refusal: the server's own words after a Russian lead, without its severity or quoted statement.
    EXPECT_EQ(FailureOf([&] { module->exec("SELEC 1"); }), "Сервер баз данных отказал в действии: syntax error at or near \"SELEC\"");

    const qint64 backend = module->QRWork->readAll("SELECT pg_backend_pid()").value(0).value(0).toLongLong();
    exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend));
    // Every action after the loss says so too, not only the first: writes, reads and the list.
    const QList<std::function<void()>> actions{
        [&] { UpdateObject(*module, 1, {newName}); },
        [&] { module->QRWork->readAll("SELECT 1"); },
        [&] { module->GenID("GENER", ""); },
        [&] { ObjectList::Of(*module).open(); },
        [&] { UpdateObject(*module, 1, {newName}); }};
    for (int attempt = 0; attempt < actions.size(); ++attempt) {
        const QString lost = FailureOf(actions[attempt]);
        EXPECT_TRUE(lost.startsWith("Соединение с сервером баз данных потеряно")) << attempt << ": " << lost.toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(name)).toString(), "старое");
}

TEST(ChangeNoticeTest, StatementsAreToldApartByWhatOtherProgramsSee)
{
    const QList<std::pair<QString, int>> cases{
        {"INSERT INTO GENER (G_ID) VALUES (?)", ChangeNotice::Objects},
        {"DELETE FROM LINKS WHERE L_OBJECT = ?", ChangeNotice::Objects},
        {"INSERT INTO LOOKUP12(L12_ID, L12_DATA) VALUES (?, ?)", ChangeNotice::Design},
        {"UPDATE CLASSES SET C_NAME = ? WHERE C_ID = ?", ChangeNotice::Design},
        {"ALTER TABLE GENER ADD G7 VARCHAR(50)", ChangeNotice::Design},
        {"DROP TABLE IF EXISTS LOOKUP3", ChangeNotice::Design},
        {"CREATE TABLE IF NOT EXISTS REFER9(R9_ID INTEGER)", ChangeNotice::Design},
        {"CREATE INDEX GENER_G2 ON GENER(G2)", ChangeNotice::None},
        {"CREATE TEMP TABLE CHOSEN(ID INTEGER)", ChangeNotice::None},
        {"INSERT INTO pg_temp.CHOSEN SELECT G_ID FROM GENER", ChangeNotice::None},
        // A table of a later version is only read again, never taken for a design change.
        {"INSERT INTO SEARCHWORDS VALUES (?)", ChangeNotice::Objects},
        {"CREATE TABLE SEARCHWORDS(W TEXT)", ChangeNotice::None},
    };
    for (const auto &[statement, expected] : cases)
        EXPECT_EQ(ChangeNotice::ChangeMadeBy(statement), expected) << statement.toStdString();
}

TEST_F(ServerDatabaseTest, OnlyWhatAnotherProgramCommittedArrivesAndManyChangesComeAsOneSignal)
{
    TDModule other;
    other.OpenServerConnection(server);
    QSignalSpy objects(module, &TDModule::ObjectsChanged);
    QSignalSpy design(module, &TDModule::DesignChanged);
    QSignalSpy otherDesign(&other, &TDModule::DesignChanged);

    // The program's own field: the other one hears of it, the program itself does not.
    addField(*module, "Своё", StringType);
    ASSERT_TRUE(WaitFor([&] { return otherDesign.size() == 1; }));

    // A design change rolled back announces nothing. Were either announced to the program, the objects
    // that follow would arrive with it as a design change.
    {
        Transaction tx(other);
        addField(other, "Отменённое", StringType);
    }
    for (int i = 0; i < 10; ++i)
        InsertObject(other, ReserveObjectId(other), {});
    ASSERT_TRUE(WaitFor([&] { return objects.size() > 0; }));
    EXPECT_EQ(objects.size(), 1);
    EXPECT_EQ(design.size(), 0);

    // A design change stands for the objects as well: one design signal.
    addField(other, "Цвет", StringType);
    InsertObject(other, ReserveObjectId(other), {});
    ASSERT_TRUE(WaitFor([&] { return design.size() > 0; }));
    EXPECT_EQ(design.size(), 1);
    EXPECT_EQ(objects.size(), 1);
}
