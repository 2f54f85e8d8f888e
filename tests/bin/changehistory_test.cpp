#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/changehistory.h"
#include "objects/objectlinks.h"
#include "objects/objectlist.h"
#include "objects/recyclebin.h"

namespace {
// Two users of one server database change one object; each change keeps the version before it.
class ChangeHistoryTest : public ServerDatabaseTest
{
protected:
    void SetUp() override
    {
        ServerDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        if (qEnvironmentVariableIsEmpty("VIRANDEL_TEST_PG_PASSWORD_USER"))
            GTEST_SKIP() << "the test server has no second user";
        name = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        makeBook(1, "Места", {{10, "Лес", "", 0}, {11, "Сад", "", 0}});
    }
    static QStringList shown(const ObjectImage &image)
    {
        QStringList texts;
        for (const ObjectImage::Value &value : image.values)
            texts << value.shownText();
        for (const ObjectImage::Link &link : image.links)
            texts << link.shownText();
        return texts;
    }
    qint64 name = 0, colour = 0;
};
}

TEST_F(ChangeHistoryTest, EveryChangeKeepsTheStateBeforeWithItsUserAndAnEarlierVersionComesBackAsAChangeInTurn)
{
    const QString firstUser = server.user;
    const QString otherUser = qEnvironmentVariable("VIRANDEL_TEST_PG_PASSWORD_USER");
    InsertObject(*module, 1, {input(name, "Ель"), input(colour, "зелёный")});
    EXPECT_TRUE(ChangeHistory::Versions(*module, 1).isEmpty()) << "an addition has no state before it";
    UpdateObject(*module, 1, {input(name, "Ель высокая")});

    // The second user's program on the same database.
    ServerConnection second = server;
    second.user = otherUser;
    second.password = qEnvironmentVariable("VIRANDEL_TEST_PG_PASSWORD");
    auto other = std::make_unique<TDModule>();
    other->OpenServerConnection(second);
    const QList<DescriptionField> fields = ReadDescriptionFields(*other);
    UpdateObject(*other, 1, {FieldInput{fields[1], "синий"}});
    AddObjectLink(*other, "1", 1, 10, "2 шт.", 0, LinkedObject::Stored);
    // A change refused by the database keeps nothing.
    refuse("UPDATE", "GENER");
    EXPECT_THROW(UpdateObject(*other, 1, {FieldInput{fields[0], "Ель низкая"}}), DbError);
    allowAgain("GENER");

    QList<ChangeHistory::Version> versions = ChangeHistory::Versions(*module, 1);
    ASSERT_EQ(versions.size(), 3);
    EXPECT_EQ((QStringList{versions[0].user, versions[1].user, versions[2].user}), (QStringList{otherUser, otherUser, firstUser}));
    EXPECT_EQ((QList<QStringList>{shown(versions[0].image), shown(versions[1].image), shown(versions[2].image)}),
              (QList<QStringList>{{"Ель высокая", "синий"}, {"Ель высокая", "зелёный"}, {"Ель", "зелёный"}}));
    EXPECT_LE(versions[0].changed, QDateTime::currentDateTime().addSecs(1));
    EXPECT_GE(versions[2].changed, QDateTime::currentDateTime().addSecs(-60));

    // The first user puts the first version back: values and links as then, the state it replaced kept.
    const auto [before, after] = ChangeHistory::RestoreVersion(*module, versions[2].image);
    EXPECT_EQ(shown(before), (QStringList{"Ель высокая", "синий", "Места: Лес = 2 шт."}));
    EXPECT_EQ(shown(after), (QStringList{"Ель", "зелёный"}));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    versions = ChangeHistory::Versions(*other, 1);
    ASSERT_EQ(versions.size(), 4);
    EXPECT_EQ(versions[0].user, firstUser);
    EXPECT_EQ(shown(versions[0].image), (QStringList{"Ель высокая", "синий", "Места: Лес = 2 шт."}));

    // Deleted by the second user: kept as a version too, and the version of a deleted object is not put back.
    RecycleBin::MoveToBin(*other, {1});
    EXPECT_EQ(ChangeHistory::Versions(*module, 1).size(), 5);
    EXPECT_EQ(FailureOf([&] { ChangeHistory::RestoreVersion(*module, versions[1].image); }),
              "Объект удалён другим пользователем. Версия не восстановлена.");
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
}
