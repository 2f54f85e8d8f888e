#include "support/testsupport.h"

#include "core/dmodule.h"
#include "fields/fieldindexes.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"



namespace {
class FieldIndexTest : public DatabaseTest
{
protected:
    // The indexed columns of a table, one "INDEX:COLUMN,COLUMN" per index, as the engine reports them.
    QStringList indexesOf(const QString &table) const
    {
        QStringList result;
        for (const QVariantList &index : rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = '%1' "
                                                             "AND sql IS NOT NULL ORDER BY name").arg(table))) {
            QStringList columns;
            for (const QVariantList &column : rows(QStringLiteral("PRAGMA index_info(%1)").arg(index.first().toString())))
                columns << column.at(2).toString();
            result << index.first().toString() + QLatin1Char(':') + columns.join(QLatin1Char(','));
        }
        return result;
    }
    QString plan(const QString &sql) const
    {
        QStringList details;
        for (const QVariantList &row : rows(QLatin1String("EXPLAIN QUERY PLAN ") + sql))
            details << row.last().toString();
        return details.join(QLatin1String("; "));
    }
};
}

TEST_F(FieldIndexTest, ShownColumnsAndLookupTextsAreIndexedButPicturesAndLongTextsAreNotAndAnEarlierVersionGetsThem)
{
    addField(*module, QStringLiteral("Номер"), IntegerType);
    addField(*module, QStringLiteral("Дата"), DateType);
    addField(*module, QStringLiteral("Описание"), LongTextType);
    addField(*module, QStringLiteral("Фото"), ImageType);
    const qint64 colour = addField(*module, QStringLiteral("Цвет"), StringType, true);
    const QStringList objectIndexes{"GENER_G1:G1", "GENER_G2:G2", "GENER_G5:G5"};
    const QStringList linkIndexes{"LINKS_FILTER:L_REFER,L_CLASS,L_OBJECT", "LINKS_OBJECT:L_OBJECT"};
    EXPECT_EQ(indexesOf("GENER"), objectIndexes);
    EXPECT_EQ(indexesOf("LOOKUP5"), QStringList{"LOOKUP5_DATA:L5_DATA"});
    EXPECT_EQ(indexesOf("LINKS"), linkIndexes);
    // A sort by either kind of column reads the index in order instead of sorting every row.
    EXPECT_FALSE(plan("SELECT G_ID, G2 FROM GENER ORDER BY G2").contains("TEMP B-TREE")) << plan("SELECT G2 FROM GENER ORDER BY G2").toStdString();
    // Texts sort in Russian order, which their indexes follow.
    ObjectList &list = ObjectList::Of(*module);
    list.compose();
    ASSERT_TRUE(list.sortByTitle("Цвет"));
    EXPECT_FALSE(plan(list.statement()).contains("TEMP B-TREE")) << plan(list.statement()).toStdString();

    // As an earlier version left the file: no field indexes, the old two-column entry index on LINKS.
    // Opening it makes the missing indexes once.
    addLookupEntry(*module, colour, QStringLiteral("красный"));
    exec("INSERT INTO GENER (G_ID, G1, G5) VALUES(1, 7, 1)");
    module->CloseConnection();
    for (const char *index : {"GENER_G1", "GENER_G2", "GENER_G5", "LOOKUP5_DATA", "LINKS_FILTER"})
        exec(QStringLiteral("DROP INDEX %1").arg(index));
    exec("CREATE INDEX LINKS_ENTRY ON LINKS(L_REFER, L_CLASS)");
    module->OpenConnection(dbPath);
    EXPECT_EQ(indexesOf("GENER"), objectIndexes);
    EXPECT_EQ(indexesOf("LOOKUP5"), QStringList{"LOOKUP5_DATA:L5_DATA"});
    EXPECT_EQ(indexesOf("LINKS"), linkIndexes);
    EXPECT_EQ(rows("SELECT G_ID, G1, L5_DATA FROM GENER, LOOKUP5 WHERE G5 = L5_ID"), (QList<QVariantList>{{1, 7, "красный"}}));
    EXPECT_EQ(FieldIndexes::EnsureFieldIndexes(*module), 0);
}

TEST_F(FieldIndexTest, RebuildingOrDeletingAColumnKeepsExactlyTheIndexesOfTheFieldsLeft)
{
    const qint64 number = addField(*module, QStringLiteral("Номер"), IntegerType);
    const qint64 kind = addField(*module, QStringLiteral("Вид"), StringType);
    exec("INSERT INTO GENER VALUES(1, 5, 'a')");

    // The engine refuses to drop an indexed column: the change must drop the index first and make it again.
    FieldStore::ChangeField(*module, kind, QStringLiteral("Вид"), StringType, true);
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    EXPECT_EQ(indexesOf("LOOKUP2"), QStringList{"LOOKUP2_DATA:L2_DATA"});
    FieldStore::ChangeField(*module, kind, QStringLiteral("Вид"), IntegerType, false);
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    FieldStore::ChangeField(*module, kind, QStringLiteral("Вид"), LongTextType, false);
    EXPECT_EQ(indexesOf("GENER"), QStringList{"GENER_G1:G1"});
    FieldStore::ChangeField(*module, kind, QStringLiteral("Вид"), StringType, false);
    FieldStore::ChangeField(*module, number, QStringLiteral("Число"), IntegerType, false);   // a rename keeps the column
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    EXPECT_EQ(scalar("SELECT G1 FROM GENER").toInt(), 5);

    FieldStore::DeleteField(*module, number);
    EXPECT_EQ(indexesOf("GENER"), QStringList{"GENER_G2:G2"});
    EXPECT_EQ(scalar("PRAGMA integrity_check").toString(), "ok");
}
