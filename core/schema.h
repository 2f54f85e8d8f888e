#pragma once

#include <QString>

// The field query: one row per description field with its type name, yes/no text and lookup flag.
inline const QString FieldQuery = QStringLiteral(
    "SELECT F_ID, F_NAME, T_NAME, B_TEXT, F_LOOKUP FROM FIELDS, TYPES, BOOLEAN WHERE (F_TYPE = T_ID) AND (F_LOOKUP = B_ID)");

// Type names as the program compares them (TYPES.T_NAME, by T_ID).
namespace TypeName {
inline const QString Integer = QStringLiteral("Целое число");
inline const QString Real = QStringLiteral("Вещественное число");
inline const QString Time = QStringLiteral("Время");
inline const QString Date = QStringLiteral("Дата");
inline const QString Boolean = QStringLiteral("Логический");
inline const QString String = QStringLiteral("Строка (50 символов)");
inline const QString LongText = QStringLiteral("Длинный текст");
inline const QString Image = QStringLiteral("Изображение");
}

inline const QString EmptyLookupText = QStringLiteral("< пустое значение >");

// Creates a new database file holding the eight fixed tables with their rows and indexes.
// Throws DbError when the file exists already or cannot be written.
void CreateEmptyDatabase(const QString &path);
