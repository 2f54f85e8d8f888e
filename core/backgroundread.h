#pragma once

#include "core/dberror.h"

#include <QString>
#include <QVariantList>

#include <functional>

class QSqlQuery;
class TDModule;

// A read stopped by the user before it ended.
class ReadStopped : public DbError
{
public:
    ReadStopped() : DbError(QStringLiteral("Действие остановлено.")) {}
};

// Runs a long read on a connection of its own, in a thread, handing each row to `takeRow` there (it must
// touch nothing the caller's thread uses meanwhile), while the caller's thread waits through the module's
// BeginLongWait (which keeps the window painted and may stop the read: ReadStopped). The read sees what is
// committed to the file, so the module must not be inside a transaction. Engine errors throw DbError with
// the engine's text.
void ReadInBackground(TDModule &module, const QString &statement, const QVariantList &values, const QString &what,
                      const std::function<void(const QSqlQuery &row)> &takeRow);
