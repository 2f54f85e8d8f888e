#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class TDModule;

// Reference books without widgets: the lists of the tab, generating, regenerating and removing books.
// Every failure throws DbError with the engine's text; generating and removing are each one transaction.
namespace ReferenceStore {

struct TopClass
{
    qint64 id = 0;
    QString name;
};

struct Book
{
    qint64 id = 0;
    QString name;
    qint64 classId = 0;
};

// The top-level classes by name, as the list of available components shows them.
QList<TopClass> TopClasses(TDModule &module);
// The generated books by name, as the list of chosen components shows them.
QList<Book> Books(TDModule &module);

// The book made from a top-level class (the first one should there be several).
std::optional<qint64> BookOfClass(TDModule &module, qint64 classId);
bool BookHasLinks(TDModule &module, qint64 bookId);

// Makes REFER{r} a copy of everything below the class: its direct children form the top level (link 0,
// ratio 0). With `existing` the book is made again under that number and the links to it are kept;
// otherwise it gets the next free number. Returns the book's number.
qint64 GenerateBook(TDModule &module, const TopClass &topClass, std::optional<qint64> existing = std::nullopt);

// Deletes the links to the book, its table and its row.
void RemoveBook(TDModule &module, qint64 bookId);

// The step before a book is made again or removed, once the user agreed: answers false to make no
// change (the snapshot before a destructive change). Given the cause in the user's words.
using BeforeChange = std::function<bool(const QString &cause)>;

// Generates the book of a top-level class; a book it has already is made again only when
// `confirmRegenerate` agrees, and after `beforeChange`. Returns whether a book was made.
using RegenerateQuestion = std::function<bool(const TopClass &topClass)>;
bool AddBook(TDModule &module, const TopClass &topClass, const RegenerateQuestion &confirmRegenerate,
             const BeforeChange &beforeChange = {});
// Removes a book; one with links only when `confirmWithLinks` agrees; after `beforeChange`. Returns
// whether it was removed.
using RemoveQuestion = std::function<bool(const Book &book)>;
bool DropBook(TDModule &module, const Book &book, const RemoveQuestion &confirmWithLinks,
              const BeforeChange &beforeChange = {});

// "Добавить все >>" and "<< Удалить все": every top-level class or book in list order, each asked about
// once; a declined one is skipped and the rest go on. Every question comes first, then `beforeChange`
// once when a book is to be made again or removed, then one transaction for all.
void AddAllBooks(TDModule &module, const RegenerateQuestion &confirmRegenerate, const BeforeChange &beforeChange = {});
void RemoveAllBooks(TDModule &module, const RemoveQuestion &confirmWithLinks, const BeforeChange &beforeChange = {});

}
