#include "references/referencestore.h"

#include "classifier/descendants.h"
#include "core/dmodule.h"
#include "core/sqltext.h"

namespace ReferenceStore {

namespace {
const QString TopClassesSelect = QStringLiteral("SELECT * FROM CLASSES WHERE (C_LINK = 0) ORDER BY C_NAME");
const QString BooksSelect = QStringLiteral("SELECT * FROM REFERS ORDER BY R_NAME");

// Shared queries read lazily; a statement left half-read would keep its tables busy and make a later
// DROP TABLE on the same connection fail, so every read here ends with the query closed.
struct ClosedAfterUse
{
    SharedQuery &query;
    ~ClosedAfterUse() { query.close(); }
};

QString bookTable(qint64 bookId)
{
    return QStringLiteral("REFER%1").arg(bookId);
}
}

QList<TopClass> TopClasses(TDModule &module)
{
    SharedQuery &q = *module.QRClasses;
    ClosedAfterUse closer{q};
    q.open(TopClassesSelect);
    const int idColumn = q.columnIndex(QStringLiteral("C_ID"));
    const int nameColumn = q.columnIndex(QStringLiteral("C_NAME"));
    const int count = q.recordCount();
    QList<TopClass> result;
    result.reserve(count);
    for (int row = 0; row < count; ++row)
        result.append({q.valueAt(row, idColumn).toLongLong(), q.valueAt(row, nameColumn).toString()});
    return result;
}

QList<Book> Books(TDModule &module)
{
    SharedQuery &q = *module.QRClasses;
    ClosedAfterUse closer{q};
    q.open(BooksSelect);
    const int idColumn = q.columnIndex(QStringLiteral("R_ID"));
    const int nameColumn = q.columnIndex(QStringLiteral("R_NAME"));
    const int classColumn = q.columnIndex(QStringLiteral("R_CLASS"));
    const int count = q.recordCount();
    QList<Book> result;
    result.reserve(count);
    for (int row = 0; row < count; ++row)
        result.append({q.valueAt(row, idColumn).toLongLong(), q.valueAt(row, nameColumn).toString(),
                       q.valueAt(row, classColumn).toLongLong()});
    return result;
}

std::optional<qint64> BookOfClass(TDModule &module, qint64 classId)
{
    SharedQuery &q = *module.QRWork;
    ClosedAfterUse closer{q};
    q.open(QStringLiteral("SELECT * FROM REFERS WHERE R_CLASS = %1").arg(classId));
    if (q.isEmpty())
        return std::nullopt;
    return q.asInteger(QStringLiteral("R_ID"));
}

bool BookHasLinks(TDModule &module, qint64 bookId)
{
    SharedQuery &q = *module.QRWork;
    ClosedAfterUse closer{q};
    q.open(QStringLiteral("SELECT L_ID FROM LINKS WHERE L_REFER = %1 LIMIT 1").arg(bookId));
    return !q.isEmpty();
}

qint64 GenerateBook(TDModule &module, const TopClass &topClass, std::optional<qint64> existing)
{
    Transaction tx(module);
    module.FinishPendingReads();
    qint64 bookId = 0;
    if (existing) {
        bookId = *existing;
        module.exec(QLatin1String("DROP TABLE ") + bookTable(bookId));
        module.exec(QStringLiteral("DELETE FROM REFERS WHERE R_ID = %1").arg(bookId));
    } else {
        bookId = module.GenID(QStringLiteral("REFERS")).toLongLong();
        module.QRWork->close();
    }

    const QString r = QString::number(bookId);
    const QString c = QString::number(topClass.id);
    module.exec(QStringLiteral("INSERT INTO REFERS VALUES(%1,%2,%3)").arg(r, Quoted(topClass.name), c));
    module.exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                               "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(r));
    // Every tree of a book reads its levels by link.
    module.exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(r));
    // One set-based copy: values go from column to column, never through text.
    module.exec(QStringLiteral("INSERT INTO REFER%1 SELECT C_ID, C_NAME, C_CODE, "
                               "CASE WHEN C_LINK = %2 THEN 0 ELSE C_LINK END, "
                               "CASE WHEN C_LINK = %2 THEN 0 ELSE C_COEFF END "
                               "FROM CLASSES WHERE C_ID IN (%3)")
                    .arg(r, c, DescendantsSelect(QStringLiteral("CLASSES"), QString(), topClass.id, false)));
    tx.commit();
    return bookId;
}

void RemoveBook(TDModule &module, qint64 bookId)
{
    Transaction tx(module);
    module.FinishPendingReads();
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_REFER = %1").arg(bookId));
    module.exec(QLatin1String("DROP TABLE ") + bookTable(bookId));
    module.exec(QStringLiteral("DELETE FROM REFERS WHERE R_ID = %1").arg(bookId));
    tx.commit();
}

}
