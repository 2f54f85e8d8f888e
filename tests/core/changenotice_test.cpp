#include "support/testsupport.h"

#include "core/changenotice.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/objectstore.h"

#include <QSignalSpy>

using namespace ChangeNotice;

TEST(ChangeNoticeTest, StatementsAreToldApartByWhatOtherProgramsSee)
{
    const QList<std::pair<QString, int>> cases{
        {"INSERT INTO GENER (G_ID) VALUES (?)", Objects},
        {"DELETE FROM LINKS WHERE L_OBJECT = ?", Objects},
        {"INSERT INTO LOOKUP12(L12_ID, L12_DATA) VALUES (?, ?)", Design},
        {"UPDATE CLASSES SET C_NAME = ? WHERE C_ID = ?", Design},
        {"ALTER TABLE GENER ADD G7 VARCHAR(50)", Design},
        {"DROP TABLE IF EXISTS LOOKUP3", Design},
        {"CREATE TABLE IF NOT EXISTS REFER9(R9_ID INTEGER)", Design},
        {"CREATE INDEX GENER_G2 ON GENER(G2)", None},
        {"CREATE TEMP TABLE CHOSEN(ID INTEGER)", None},
        {"INSERT INTO pg_temp.CHOSEN SELECT G_ID FROM GENER", None},
        // A table of a later version is only read again, never taken for a design change.
        {"INSERT INTO SEARCHWORDS VALUES (?)", Objects},
        {"CREATE TABLE SEARCHWORDS(W TEXT)", None},
    };
    for (const auto &[statement, expected] : cases)
        EXPECT_EQ(ChangeMadeBy(statement), expected) << statement.toStdString();
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
