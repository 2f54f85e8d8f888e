#include "core/dbfile.h"

#include "core/dberror.h"

#include <QFile>
#include <QSaveFile>

void CopyDatabaseFile(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удается прочитать файл %1: %2").arg(source, in.errorString()));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("Не удается создать файл %1: %2").arg(target, out.errorString()));
    // In blocks: a database with many pictures may be large.
    constexpr qint64 BlockSize = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray block = in.read(BlockSize);
        if (block.isEmpty() && in.error() != QFile::NoError)
            throw DbError(QStringLiteral("Не удается прочитать файл %1: %2").arg(source, in.errorString()));
        if (out.write(block) != block.size())
            throw DbError(QStringLiteral("Не удается записать файл %1: %2").arg(target, out.errorString()));
    }
    if (!out.commit())
        throw DbError(QStringLiteral("Не удается записать файл %1: %2").arg(target, out.errorString()));
}

void RemoveDatabaseFile(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}
