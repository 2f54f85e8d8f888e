#include "references/referencestore.h"

#include "classifier/descendants.h"
#include "core/dmodule.h"
#include "core/schemanames.h"
#include "core/snapshots.h"

namespace ReferenceStore {

namespace {
const QString TopClassesSelect = QStringLiteral("SELECT C_ID, C_NAME FROM CLASSES WHERE (C_LINK = 0) ORDER BY C_NAME");
const QString BooksSelect = QStringLiteral("SELECT R_ID, R_NAME, R_CLASS FROM REFERS ORDER BY R_NAME");
}

QList<TopClass> TopClasses(TDModule &module)
{
    const QList<QVariantList> rows = module.QRClasses->readAll(TopClassesSelect);
    QList<TopClass> result;
    result.reserve(rows.size());
    for (const QVariantList &row : rows)
        result.append({row.at(0).toLongLong(), row.at(1).toString()});
    return result;
}

QList<Book> Books(TDModule &module)
{
    const QList<QVariantList> rows = module.QRClasses->readAll(BooksSelect);
    QList<Book> result;
    result.reserve(rows.size());
    for (const QVariantList &row : rows)
        result.append({row.at(0).toLongLong(), row.at(1).toString(), row.at(2).toLongLong()});
    return result;
}

std::optional<qint64> BookOfClass(TDModule &module, qint64 classId)
{
    const QList<QVariantList> rows = module.QRWork->readAll(QStringLiteral("SELECT R_ID FROM REFERS WHERE R_CLASS = ?"), {classId});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().first().toLongLong();
}

bool BookHasLinks(TDModule &module, qint64 bookId)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT L_ID FROM LINKS WHERE L_REFER = ? LIMIT 1"), {bookId}).isEmpty();
}

qint64 GenerateBook(TDModule &module, const TopClass &topClass, std::optional<qint64> existing)
{
    Transaction tx(module);
    module.FinishPendingReads();
    qint64 bookId = 0;
    if (existing) {
        bookId = *existing;
        module.exec(QLatin1String("DROP TABLE IF EXISTS ") + SchemaName::BookTable(bookId));
        module.exec(QStringLiteral("DELETE FROM REFERS WHERE R_ID = ?"), {bookId});
    } else {
        bookId = module.GenID(QStringLiteral("REFERS")).toLongLong();
        module.QRWork->close();
    }

    module.exec(QStringLiteral("INSERT INTO REFERS VALUES(?,?,?)"), {bookId, topClass.name, topClass.id});
    const QString table = SchemaName::BookTable(bookId);
    module.exec(QLatin1String("CREATE TABLE ") + table + QLatin1Char('(') + SchemaName::BookId(bookId)
                + QLatin1String(" INTEGER NOT NULL PRIMARY KEY, ") + SchemaName::BookName(bookId) + QLatin1String(" VARCHAR(100), ")
                + SchemaName::BookCode(bookId) + QLatin1String(" VARCHAR(30), ") + SchemaName::BookLink(bookId)
                + QLatin1String(" INTEGER, ") + SchemaName::BookCoeff(bookId) + QLatin1String(" FLOAT)"));
    // Every tree of a book reads its levels by link.
    module.exec(QLatin1String("CREATE INDEX ") + table + QLatin1String("_LINK ON ") + table + QLatin1Char('(')
                + SchemaName::BookLink(bookId) + QLatin1Char(')'));
    // One set-based copy: values go from column to column, never through text.
    module.exec(QLatin1String("INSERT INTO ") + table
                    + QLatin1String(" SELECT C_ID, C_NAME, C_CODE, CASE WHEN C_LINK = ? THEN 0 ELSE C_LINK END, "
                                    "CASE WHEN C_LINK = ? THEN 0 ELSE C_COEFF END FROM CLASSES WHERE C_ID IN (")
                    + DescendantsSelect(QStringLiteral("CLASSES"), QString(), topClass.id, false) + QLatin1Char(')'),
                {topClass.id, topClass.id});
    tx.commit();
    return bookId;
}

void RemoveBook(TDModule &module, qint64 bookId)
{
    Transaction tx(module);
    module.FinishPendingReads();
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_REFER = ?"), {bookId});
    module.exec(QLatin1String("DROP TABLE IF EXISTS ") + SchemaName::BookTable(bookId));
    module.exec(QStringLiteral("DELETE FROM REFERS WHERE R_ID = ?"), {bookId});
    tx.commit();
}

namespace {
bool allowed(const BeforeChange &beforeChange, const QString &cause)
{
    return !beforeChange || beforeChange(cause);
}
}

bool AddBook(TDModule &module, const TopClass &topClass, const RegenerateQuestion &confirmRegenerate,
             const BeforeChange &beforeChange)
{
    const std::optional<qint64> existing = BookOfClass(module, topClass.id);
    if (existing && (!confirmRegenerate(topClass) || !allowed(beforeChange, SnapshotCause::BookRegenerated(topClass.name))))
        return false;
    GenerateBook(module, topClass, existing);
    return true;
}

bool DropBook(TDModule &module, const Book &book, const RemoveQuestion &confirmWithLinks, const BeforeChange &beforeChange)
{
    if (BookHasLinks(module, book.id) && !confirmWithLinks(book))
        return false;
    if (!allowed(beforeChange, SnapshotCause::BookRemoved(book.name)))
        return false;
    RemoveBook(module, book.id);
    return true;
}

void AddAllBooks(TDModule &module, const RegenerateQuestion &confirmRegenerate, const BeforeChange &beforeChange)
{
    // The questions first: no transaction stays open while the user thinks, and the snapshot (which
    // must see only committed work) comes between them and the change.
    QList<std::pair<TopClass, std::optional<qint64>>> chosen;
    bool regenerating = false;
    for (const TopClass &topClass : TopClasses(module)) {
        const std::optional<qint64> existing = BookOfClass(module, topClass.id);
        if (existing && !confirmRegenerate(topClass))
            continue;
        regenerating = regenerating || existing.has_value();
        chosen.append({topClass, existing});
    }
    if (regenerating && !allowed(beforeChange, SnapshotCause::BooksRegenerated()))
        return;
    Transaction tx(module);
    for (const auto &[topClass, existing] : chosen)
        GenerateBook(module, topClass, existing);
    tx.commit();
}

void RemoveAllBooks(TDModule &module, const RemoveQuestion &confirmWithLinks, const BeforeChange &beforeChange)
{
    QList<qint64> chosen;
    for (const Book &book : Books(module)) {
        if (!BookHasLinks(module, book.id) || confirmWithLinks(book))
            chosen.append(book.id);
    }
    if (chosen.isEmpty() || !allowed(beforeChange, SnapshotCause::BooksRemoved()))
        return;
    Transaction tx(module);
    for (const qint64 bookId : chosen)
        RemoveBook(module, bookId);
    tx.commit();
}

}
