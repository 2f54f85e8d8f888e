#include "support/testsupport.h"

#include "core/dmodule.h"
#include "objects/objectlinks.h"

// Book 1 "Города": 10 Россия { 11 Москва (01) { 12 Центр } }; book 2 "Цвета": 30 Красный.
class ObjectLinksTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        for (int n : {1, 2}) {
            exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                                "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(n));
            exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(n));
        }
        exec("INSERT INTO REFERS VALUES(1,'Города',101)");
        exec("INSERT INTO REFERS VALUES(2,'Цвета',102)");
        exec("INSERT INTO REFER1 VALUES(10,'Россия','',0,0)");
        exec("INSERT INTO REFER1 VALUES(11,'Москва','01',10,0)");
        exec("INSERT INTO REFER1 VALUES(12,'Центр','',11,0)");
        exec("INSERT INTO REFER2 VALUES(30,'Красный','',0,0)");
    }
    QStringList texts(const QString &objectId)
    {
        QStringList result;
        for (const ObjectLink &link : ReadObjectLinks(*module, objectId))
            result << ObjectLinkText(link);
        return result;
    }
};

TEST_F(ObjectLinksTest, LinksAreStoredInColumnOrderWithTheNextIdentifier)
{
    EXPECT_EQ(AddObjectLink(*module, "7", 1, 12, "5 км", 11), 1);
    EXPECT_EQ(AddObjectLink(*module, "7", 2, 30, "", 0), 2);
    const QList<QVariantList> stored = rows("SELECT * FROM LINKS ORDER BY L_ID");
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0], (QVariantList{1, 7, 1, 12, "5 км", 11}));
    EXPECT_EQ(stored[1], (QVariantList{2, 7, 2, 30, "", 0}));
}

TEST_F(ObjectLinksTest, ListTextsUseTheCaptionAndShowTheValueOnlyWhenGiven)
{
    AddObjectLink(*module, "7", 1, 12, "", 0);
    AddObjectLink(*module, "7", 1, 12, "большой", 11);
    AddObjectLink(*module, "7", 1, 12, "", 10);
    AddObjectLink(*module, "7", 2, 30, "да", 0);
    AddObjectLink(*module, "8", 2, 30, "чужой", 0);
    // Names are the plain names, without codes; the order is the order of adding.
    EXPECT_EQ(texts("7"), (QStringList{"Города: Центр", "Москва: Центр = большой", "Россия: Центр", "Цвета: Красный = да"}));
    EXPECT_EQ(texts("8"), QStringList{"Цвета: Красный = чужой"});
    EXPECT_TRUE(texts("9").isEmpty());
}

TEST_F(ObjectLinksTest, ValuesWithQuotesAndPlaceholdersAreStoredAsTyped)
{
    const QString value = "O'Neil %1 \"x\"";
    AddObjectLink(*module, "3", 1, 12, value, 0);
    EXPECT_EQ(scalar("SELECT L_VALUE FROM LINKS").toString(), value);
    EXPECT_EQ(scalar("SELECT L_CAPTION FROM LINKS").toInt(), 0);
    EXPECT_EQ(texts("3"), QStringList{"Города: Центр = " + value});
}

TEST_F(ObjectLinksTest, AnEntryMissingFromARegeneratedBookShowsAnEmptyName)
{
    AddObjectLink(*module, "7", 1, 99, "", 0);
    EXPECT_EQ(texts("7"), QStringList{"Города: "});
}

TEST_F(ObjectLinksTest, ABadObjectIdentifierIsRefusedWithoutWriting)
{
    EXPECT_ANY_THROW(AddObjectLink(*module, "1); DROP TABLE LINKS; --", 1, 12, "", 0));
    EXPECT_TRUE(tableExists("LINKS"));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
}
