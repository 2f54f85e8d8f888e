#pragma once

#include <QString>
#include <stdexcept>

class QSqlError;

// The engine's own text of a refused statement or connection.
QString EngineErrorText(const QSqlError &error);

// An error that ends a user action: a statement the engine refused or a file operation that failed.
// It carries the text the user is shown.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
