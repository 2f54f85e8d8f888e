#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "references/referencestore.h"

#include <QLocale>

using namespace ReferenceStore;

class ReferenceStoreTest : public EngineTest
{
protected:
    void addClass(qint64 id, const QString &name, const QString &code, qint64 link, const QString &ratio = QStringLiteral("0"))
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES(%1,'%2','%3',%4,%5)")
                 .arg(id).arg(QString(name).replace("'", "''"), QString(code).replace("'", "''")).arg(link).arg(ratio));
    }
    QList<QVariantList> entries(qint64 book) const
    {
        return rows(QStringLiteral("SELECT R%1_ID, R%1_NAME, R%1_CODE, R%1_LINK, R%1_COEFF FROM REFER%1 ORDER BY R%1_ID").arg(book));
    }
    TopClass topClass(const QString &name) const
    {
        for (const TopClass &c : TopClasses(*module))
            if (c.name == name)
                return c;
        ADD_FAILURE() << "no top-level class " << name.toStdString();
        return {};
    }
};

ENGINE_TEST_SUITE(ReferenceStoreTest);

TEST_P(ReferenceStoreTest, BookCopiesTheBranchNumbersReuseTheFreedHighestAndRegenerationKeepsNumberAndLinks)
{
    addClass(1, "Length", "L", 0);
    addClass(2, "Metre", "m", 1, "1");
    addClass(3, "Kilometre", "km", 2, "1000");
    addClass(4, "Millimetre", "mm", 2, "0.001");
    addClass(5, "Mass", "M", 0);
    addClass(6, "Gram", "g", 5, "3");
    addClass(7, "Inch", "in", 1, "2.5");
    addClass(8, "Colour", "", 0);

    EXPECT_EQ(GenerateBook(*module, topClass("Length")), 1);
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS"), (QList<QVariantList>{{1, "Length", 1}}));
    EXPECT_EQ(entries(1), (QList<QVariantList>{{2, "Metre", "m", 0, 0.0}, {3, "Kilometre", "km", 2, 1000.0},
                                               {4, "Millimetre", "mm", 2, 0.001}, {7, "Inch", "in", 0, 0.0}}));
    // The trees of the book read levels by link.
    QStringList indexes;
    for (const QVariantList &row : rows(Engine::IndexNamesQuery(testEngine())))
        indexes << row.first().toString();
    EXPECT_TRUE(indexes.contains("REFER1_LINK", Qt::CaseInsensitive)) << indexes.join(' ').toStdString();
    EXPECT_EQ(GenerateBook(*module, topClass("Mass")), 2);
    EXPECT_EQ(entries(2), (QList<QVariantList>{{6, "Gram", "g", 0, 0.0}}));
    EXPECT_EQ(GenerateBook(*module, topClass("Colour")), 3);   // no subclasses: an empty book
    EXPECT_EQ(count("SELECT * FROM REFER3"), 0);

    RemoveBook(*module, 3);
    EXPECT_FALSE(tableExists("REFER3"));
    EXPECT_EQ(BookOfClass(*module, 8), std::nullopt);
    addClass(9, "Time", "", 0);
    // A file hands the freed highest number out again; a server never hands a number out twice.
    const qint64 time = GenerateBook(*module, topClass("Time"));
    EXPECT_EQ(time, onServer() ? 4 : 3);
    EXPECT_EQ(BookOfClass(*module, 9), std::optional<qint64>(time));

    // The classifier changes after generation: a rename, a deleted class (linked to), a new class; quotes as
    // typed. Regenerated, the book keeps its number and every link and takes the current branch.
    EXPECT_FALSE(BookHasLinks(*module, 1));
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 3, 'x', 0)");
    exec("INSERT INTO LINKS VALUES(2, 1, 2, 6, 'y', 0)");
    exec("UPDATE CLASSES SET C_NAME = 'Children''s length' WHERE C_ID = 1");
    exec("DELETE FROM CLASSES WHERE C_ID = 3");
    addClass(10, "O'Neil", "x'", 2, "0.01");
    EXPECT_EQ(GenerateBook(*module, topClass("Children's length"), BookOfClass(*module, 1)), 1);
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS ORDER BY R_ID"),
              (QList<QVariantList>{{1, "Children's length", 1}, {2, "Mass", 5}, {time, "Time", 9}}));
    EXPECT_EQ(entries(1), (QList<QVariantList>{{2, "Metre", "m", 0, 0.0}, {4, "Millimetre", "mm", 2, 0.001},
                                               {7, "Inch", "in", 0, 0.0}, {10, "O'Neil", "x'", 2, 0.01}}));
    EXPECT_EQ(Books(*module).first().name, "Children's length");
    EXPECT_EQ(count("SELECT * FROM LINKS"), 2);

    // Removal takes only that book's links.
    EXPECT_TRUE(BookHasLinks(*module, 1));
    RemoveBook(*module, 1);
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_TRUE(tableExists("REFER2"));
    EXPECT_EQ(rows("SELECT R_ID FROM REFERS ORDER BY R_ID"), (QList<QVariantList>{{2}, {time}}));
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{2}}));
}

TEST_P(ReferenceStoreTest, AFailedGenerationOrRemovalChangesNothing)
{
    addClass(1, "A", "", 0);
    addClass(2, "A1", "", 1);
    // A table left over under the number the next book would get.
    exec("CREATE TABLE REFER1(X INTEGER)");
    EXPECT_THROW(GenerateBook(*module, topClass("A")), DbError);
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_EQ(columnsOf("REFER1"), QStringList{"X"});

    exec("DROP TABLE REFER1");
    // A server does not hand number 1 out again after the failed attempt.
    const qint64 book = GenerateBook(*module, topClass("A"));
    const QString table = QStringLiteral("REFER%1").arg(book);
    exec(QStringLiteral("INSERT INTO LINKS VALUES(1, 1, %1, 2, '', 0)").arg(book));
    // The last statement of a removal is refused: the links and the table dropped before it come back.
    refuse("DELETE", "REFERS");
    EXPECT_THROW(RemoveBook(*module, book), DbError);
    EXPECT_EQ(count("SELECT * FROM LINKS"), 1);
    EXPECT_EQ(count("SELECT * FROM REFERS"), 1);
    EXPECT_TRUE(tableExists(table));

    // A book whose table has gone missing from the database can still be made again and removed.
    allowAgain("REFERS");
    exec("DROP TABLE " + table);
    GenerateBook(*module, topClass("A"), book);
    EXPECT_EQ(count("SELECT * FROM " + table), 1);
    exec("DROP TABLE " + table);
    RemoveBook(*module, book);
    EXPECT_EQ(count("SELECT * FROM LINKS") + count("SELECT * FROM REFERS"), 0);
}

TEST_P(ReferenceStoreTest, DeepAndWideBranchesAreCopiedWholeWithNumericRatiosUnderACommaLocale)
{
    // A chain 3000 levels deep under class 1 and 5000 siblings under class 2 of the chain.
    exec("INSERT INTO CLASSES VALUES(1,'Root','',0,0)");
    exec("WITH RECURSIVE N(I) AS (SELECT 2 UNION ALL SELECT I + 1 FROM N WHERE I < 3001) "
         "INSERT INTO CLASSES SELECT I, 'Chain ' || I, '', I - 1, 2 FROM N");
    exec("WITH RECURSIVE N(I) AS (SELECT 10001 UNION ALL SELECT I + 1 FROM N WHERE I < 15000) "
         "INSERT INTO CLASSES SELECT I, 'Leaf ' || I, '', 2, 0.25 FROM N");
    exec("INSERT INTO CLASSES VALUES(20000,'Elsewhere','',0,0)");
    exec("INSERT INTO CLASSES VALUES(20001,'Elsewhere child','',20000,0)");
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GenerateBook(*module, topClass("Root"));
    QLocale::setDefault(previous);
    EXPECT_EQ(count("SELECT * FROM REFER1"), 3000 + 5000);
    EXPECT_EQ(count("SELECT * FROM REFER1 WHERE R1_LINK = 0"), 1);
    // Numbers, not texts: the server's column takes nothing else.
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM REFER1 WHERE R1_LINK = 2 AND R1_COEFF = 0.25")
                    + (onServer() ? "" : " AND typeof(R1_COEFF) = 'real'")), 5000);
    EXPECT_EQ(count("SELECT * FROM REFER1 WHERE R1_ID >= 20000"), 0);
}
