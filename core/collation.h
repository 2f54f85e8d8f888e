#pragma once

#include <QByteArray>
#include <QString>

class QSqlDatabase;
struct sqlite3;

// Russian reading order and case-blind matching for the engine. Texts are ordered case-insensitively,
// with Ё beside Е (Е first when the texts differ only there), digits before letters, Cyrillic before Latin;
// matching folds case in Russian and Latin and reads Ё as Е.

// The engine's handle behind a connection. Throws DbError unless the connection is open and the
// engine library linked here is the one the connection runs on.
sqlite3 *EngineHandle(const QSqlDatabase &db);

// Registers the collation RUSSIAN on the connection.
void RegisterRussianCollation(QSqlDatabase &db);
// A text column in Russian order, for ORDER BY and for the indexes that serve it, in the form of the
// engine of the open database ("column COLLATE RUSSIAN" in a file).
QString InRussianOrder(const QString &column);

// <0, 0 or >0 as the collation orders two UTF-8 texts.
int CompareRussian(const char *a, int aLength, const char *b, int bLength);
int CompareRussian(const QString &a, const QString &b);

// The text's key for the Russian order: two keys compare byte by byte (BINARY) as CompareRussian
// compares their texts, so any engine keeps and seeks them in an index without the program's collation.
// Kept in the file; a change of these rules changes RussianOrderVersion so that stored keys are made anew.
constexpr int RussianOrderVersion = 1;
QByteArray RussianSortKey(const char *text, int length);
QByteArray RussianSortKey(const QString &text);

// A text folded for matching: lower case, Ё read as Е, as UTF-8.
QByteArray FoldForMatching(const QString &text);
// Appends a UTF-8 text folded as FoldForMatching folds it, without decoding it into a QString first.
void AppendFolded(const char *text, int length, QByteArray &out);
// Whether a UTF-8 text, folded as it is read, contains an already folded UTF-8 text.
bool FoldedContains(const char *text, int length, const QByteArray &foldedNeedle);
