#include "support/testsupport.h"

#include "core/dmodule.h"
#include "objects/objectlinks.h"

#include <atomic>
#include <thread>

class ObjectLinksTest : public EngineTest
{
};
ENGINE_TEST_SUITE(ObjectLinksTest);

TEST_P(ObjectLinksTest, OnlyTheObjectsOwnLinksAreListedAMissingEntryShowsAnEmptyNameAndABadIdentifierIsRefused)
{
    makeBook(1, "Города", {{10, "Россия", "", 0}, {12, "Центр", "", 10}});
    AddObjectLink(*module, "7", 1, 12, "", 0);
    AddObjectLink(*module, "8", 1, 10, "чужой", 0);
    AddObjectLink(*module, "7", 1, 99, "", 10);   // the entry is gone from a regenerated book
    QStringList texts;
    for (const ObjectLink &link : ReadObjectLinks(*module, "7"))
        texts << ObjectLinkText(link);
    EXPECT_EQ(texts, (QStringList{"Города: Центр", "Россия: "}));
    // A bad object identifier is refused without writing.
    EXPECT_ANY_THROW(AddObjectLink(*module, "1); DROP TABLE LINKS; --", 1, 12, "", 0));
    EXPECT_TRUE(tableExists("LINKS"));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 3);
}

TEST_P(ObjectLinksTest, DeletingAnObjectWhileAnotherProgramLinksItTakesThatLinkToo)
{
    makeBook(1, "Города", {{10, "Россия", "", 0}});
    exec("INSERT INTO GENER (G_ID) VALUES (7)");
    const std::unique_ptr<TDModule> other = otherProgram();
    std::atomic<bool> deleted = false;
    std::thread deleter;
    {
        Transaction tx(*other);
        AddObjectLink(*other, "7", 1, 10, "", 0, LinkedObject::Stored);
        deleter = std::thread([&] {
            DeleteObject(*otherProgram(), 7);
            deleted = true;
        });
        // The deletion waits for the link's transaction.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_FALSE(deleted);
        tx.commit();
    }
    deleter.join();
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0) << "a link outlived its object";
}
