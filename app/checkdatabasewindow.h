#pragma once

class QWidget;
class QString;

// "Файл → Проверить базу данных…": checks the open database with progress, shows the report in the
// box CheckDatabaseWindow and, when something can be mended and the user agrees, mends it. True when
// something was mended.
bool CheckOpenDatabase(QWidget *owner, const QString &databasePath);
