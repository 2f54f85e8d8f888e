#include "support/testsupport.h"

#include "core/dmodule.h"
#include "objects/objectlinks.h"

class ObjectLinksTest : public EngineTest
{
};
ENGINE_TEST_SUITE(ObjectLinksTest);

TEST_P(ObjectLinksTest, OnlyTheObjectsOwnLinksAreListedAndAMissingEntryShowsAnEmptyName)
{
    makeBook(1, "Города", {{10, "Россия", "", 0}, {12, "Центр", "", 10}});
    AddObjectLink(*module, "7", 1, 12, "", 0);
    AddObjectLink(*module, "8", 1, 10, "чужой", 0);
    AddObjectLink(*module, "7", 1, 99, "", 10);   // the entry is gone from a regenerated book
    QStringList texts;
    for (const ObjectLink &link : ReadObjectLinks(*module, "7"))
        texts << ObjectLinkText(link);
    EXPECT_EQ(texts, (QStringList{"Города: Центр", "Россия: "}));
}

TEST_P(ObjectLinksTest, ABadObjectIdentifierIsRefusedWithoutWriting)
{
    EXPECT_ANY_THROW(AddObjectLink(*module, "1); DROP TABLE LINKS; --", 1, 12, "", 0));
    EXPECT_TRUE(tableExists("LINKS"));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
}
