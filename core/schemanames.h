#pragma once

#include <QString>

// Names of the tables and columns that the program generates for fields and reference books.
// The numbers are identifiers, never user text, so the names are safe to compose into statements.
namespace SchemaName {
inline QString FieldColumn(qint64 fieldId) { return QLatin1Char('G') + QString::number(fieldId); }
inline QString LookupTable(qint64 fieldId) { return QLatin1String("LOOKUP") + QString::number(fieldId); }
inline QString LookupId(qint64 fieldId) { return QLatin1Char('L') + QString::number(fieldId) + QLatin1String("_ID"); }
inline QString LookupData(qint64 fieldId) { return QLatin1Char('L') + QString::number(fieldId) + QLatin1String("_DATA"); }
// The index of a field's column and the index of a lookup list's texts.
inline QString FieldIndex(qint64 fieldId) { return QLatin1String("GENER_G") + QString::number(fieldId); }
inline QString LookupDataIndex(qint64 fieldId) { return LookupTable(fieldId) + QLatin1String("_DATA"); }
inline QString BookTable(qint64 bookId) { return QLatin1String("REFER") + QString::number(bookId); }
inline QString BookColumn(qint64 bookId, const char *suffix)
{
    return QLatin1Char('R') + QString::number(bookId) + QLatin1Char('_') + QLatin1String(suffix);
}
inline QString BookId(qint64 bookId) { return BookColumn(bookId, "ID"); }
inline QString BookName(qint64 bookId) { return BookColumn(bookId, "NAME"); }
inline QString BookCode(qint64 bookId) { return BookColumn(bookId, "CODE"); }
inline QString BookLink(qint64 bookId) { return BookColumn(bookId, "LINK"); }
inline QString BookCoeff(qint64 bookId) { return BookColumn(bookId, "COEFF"); }
// The quick search's index of shown texts (objects/searchindex.h): the texts per field and block of
// objects, the blocks whose objects changed since, what the texts were made under, and the triggers
// on GENER that mark the blocks.
// A server database keeps the catalogs' pictures in a table, one row per picture file.
inline const QString CatalogPicturesTable = QStringLiteral("KATALOG_FILES");
// A server database keeps every object's earlier versions in a table (objects/changehistory.h); a file
// has the table, empty.
inline const QString ChangeHistoryTable = QStringLiteral("HISTORY");
inline const QString SearchTextTable = QStringLiteral("SEARCH_TEXT");
inline const QString SearchStaleTable = QStringLiteral("SEARCH_STALE");
inline const QString SearchInfoTable = QStringLiteral("SEARCH_INFO");
inline const QString SearchInsertTrigger = QStringLiteral("GENER_SEARCH_INSERT");
inline const QString SearchUpdateTrigger = QStringLiteral("GENER_SEARCH_UPDATE");
inline const QString SearchDeleteTrigger = QStringLiteral("GENER_SEARCH_DELETE");
// On a server the triggers call this function; the search fills the connection's two temporary tables
// with the objects found and the blocks whose texts show the search text.
inline const QString SearchMarkFunction = QStringLiteral("GENER_SEARCH_MARK");
inline const QString SearchHitsTable = QStringLiteral("SEARCH_HITS");
inline const QString SearchBlocksTable = QStringLiteral("SEARCH_BLOCKS");
// The Russian order's keys of a database file (objects/sortkeys.h): per object, per lookup entry, the
// objects whose keys are to be made, and the version of the order they follow.
inline const QString ObjectKeysTable = QStringLiteral("OBJECT_KEYS");
inline const QString EntryKeysTable = QStringLiteral("ENTRY_KEYS");
inline const QString StaleKeysTable = QStringLiteral("STALE_KEYS");
inline const QString KeysInfoTable = QStringLiteral("KEYS_INFO");
// The objects' pictures made small for the lists (objects/thumbnails.h), per object and picture field.
inline const QString ThumbnailsTable = QStringLiteral("THUMBS");
}
