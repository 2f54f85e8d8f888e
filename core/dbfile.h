#pragma once

#include <QString>

// Copies a database file. The copy is written beside the target and takes its place only once it is
// complete, so an existing target stays as it was when the copy fails. Throws DbError with the reason.
void CopyDatabaseFile(const QString &source, const QString &target);

// Removes a database file with the files the engine keeps beside it while it is open.
void RemoveDatabaseFile(const QString &path);
