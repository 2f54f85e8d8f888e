#include "support/testsupport.h"

#include "core/dmodule.h"
#include "objects/objectlinks.h"
#include "objects/objectstore.h"

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

// Another program's deletion and this program's link never leave a link without its object, whichever
// comes first; an object still being added may be linked before it is stored.
TEST_P(ObjectLinksTest, ALinkAndAnotherProgramsDeletionOfItsObjectNeverLeaveALinkBehind)
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

    // Deleted first, then linked by this program, which read it before.
    exec("INSERT INTO GENER (G_ID) VALUES (7)");
    AddObjectLink(*module, "7", 1, 10, "первый", 0, LinkedObject::Stored);
    DeleteObject(*other, 7);
    try {
        AddObjectLink(*module, "7", 1, 10, "второй", 0, LinkedObject::Stored);
        ADD_FAILURE() << "a link to a deleted object was stored";
    } catch (const ObjectChangedElsewhere &gone) {
        EXPECT_EQ(gone.what, ObjectChangedElsewhere::Deleted);
        EXPECT_TRUE(gone.message().contains("удалён другим пользователем")) << gone.message().toStdString();
    }
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    // An editor adding object 8 links it before the object is stored.
    AddObjectLink(*module, "8", 1, 10, "", 0, LinkedObject::Reserved);
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 8"), 1);
}
