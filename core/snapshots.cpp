#include "core/snapshots.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>

#include <sqlite3.h>

#include <algorithm>

namespace Snapshots {

namespace {
const QString IndexName = QStringLiteral("causes.txt");
const QString DayName = QStringLiteral("day.txt");
const QString Extension = QStringLiteral(".mdb");
const QString PartSuffix = QStringLiteral(".part");
// The start of every snapshot's name: when it was made, to the millisecond, in an order that sorts.
const QString StampFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss-zzz");
constexpr int StampLength = 23;
constexpr int ShortCauseLength = 40;
// How long the copy waits for another program's write to end before it gives up.
constexpr int BusyLimitMs = 10000;
constexpr int BusyPauseMs = 20;
constexpr int ProgressStepPages = 256;

// The cause as a file name may carry it: letters, digits, spaces and hyphens, cut short.
QString shortCause(const QString &cause)
{
    QString result;
    for (const QChar c : cause) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-'))
            result += c;
        else if (!result.isEmpty() && !result.endsWith(QLatin1Char(' ')))
            result += QLatin1Char(' ');
    }
    return result.left(ShortCauseLength).trimmed();
}

QString indexPath(const QString &databasePath)
{
    return FolderOf(databasePath) + QLatin1Char('/') + IndexName;
}

// File name -> cause, as the index holds them.
QHash<QString, QString> readIndex(const QString &databasePath)
{
    QHash<QString, QString> causes;
    if (!QFileInfo::exists(indexPath(databasePath)))
        return causes;
    for (const QString &line : ReadTextLines(indexPath(databasePath))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            causes.insert(line.left(tab), line.mid(tab + 1));
    }
    return causes;
}

void writeIndex(const QString &databasePath, const QList<Snapshot> &snapshots)
{
    QStringList lines;
    for (const Snapshot &snapshot : snapshots) {
        QString cause = snapshot.cause;
        cause.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines << QFileInfo(snapshot.path).fileName() + QLatin1Char('\t') + cause;
    }
    WriteTextLines(indexPath(databasePath), lines);
}

// A snapshot's file with what was written beside it under its name (its catalog folders): every entry of
// the folder whose name starts with the snapshot's own name and "_".
void removeWithFilesBeside(const QString &snapshotPath)
{
    RemoveDatabaseFile(snapshotPath);
    const QFileInfo file(snapshotPath);
    const QString prefix = file.completeBaseName() + QLatin1Char('_');
    const QDir folder = file.absoluteDir();
    for (const QFileInfo &beside : folder.entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot)) {
        if (beside.isDir())
            QDir(beside.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(beside.absoluteFilePath());
    }
}

QString engineText(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}
}

QString FolderOf(const QString &databasePath)
{
    const QFileInfo file(databasePath);
    return file.absolutePath() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral(".snapshots");
}

bool BackupInto(const QSqlDatabase &db, const QString &target, const Progress &progress, int pagesPerStep)
{
    sqlite3 *source = EngineHandle(db);
    const QString part = target + PartSuffix;
    RemoveDatabaseFile(part);
    sqlite3 *copy = nullptr;
    if (sqlite3_open_v2(part.toUtf8().constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString reason = copy ? engineText(copy) : QString();
        sqlite3_close(copy);
        RemoveDatabaseFile(part);
        throw DbError(QStringLiteral("Не удается создать файл резервной копии %1: %2").arg(QDir::toNativeSeparators(part), reason));
    }
    sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup) {
        const QString reason = engineText(copy);
        sqlite3_close(copy);
        RemoveDatabaseFile(part);
        throw DbError(QStringLiteral("Резервная копия не сделана: %1").arg(reason));
    }
    bool stopped = false;
    int busyWaited = 0;
    int step = SQLITE_OK;
    for (;;) {
        step = sqlite3_backup_step(backup, pagesPerStep);
        if (step == SQLITE_DONE)
            break;
        const bool busy = step == SQLITE_BUSY || step == SQLITE_LOCKED;
        if (step != SQLITE_OK && !busy)
            break;
        if (busy) {
            // Another program is writing: its change is either wholly in the copy or wholly out of it.
            if (busyWaited >= BusyLimitMs)
                break;
            sqlite3_sleep(BusyPauseMs);
            busyWaited += BusyPauseMs;
        } else {
            busyWaited = 0;
        }
        const int total = sqlite3_backup_pagecount(backup);
        if (progress && !progress(total - sqlite3_backup_remaining(backup), total)) {
            stopped = true;
            break;
        }
    }
    sqlite3_backup_finish(backup);
    const QString reason = step == SQLITE_BUSY || step == SQLITE_LOCKED
                               ? QStringLiteral("база данных занята другой программой")
                               : engineText(copy);
    sqlite3_close(copy);
    if (stopped) {
        RemoveDatabaseFile(part);
        return false;
    }
    if (step != SQLITE_DONE) {
        RemoveDatabaseFile(part);
        throw DbError(QStringLiteral("Резервная копия не сделана: %1").arg(reason));
    }
    if (!QFile::rename(part, target)) {
        RemoveDatabaseFile(part);
        throw DbError(QStringLiteral("Не удается записать файл резервной копии %1").arg(QDir::toNativeSeparators(target)));
    }
    return true;
}

std::optional<Snapshot> Make(TDModule &module, const QString &cause, int keep, const Progress &progress)
{
    if (!module.connected() || module.engine() != EngineKind::File)
        throw DbError(QStringLiteral("Резервные копии делаются только для файла базы данных"));
    // The copy reads through the program's own connection: inside a transaction it would take in what
    // is not yet committed.
    if (module.InTransaction())
        throw DbError(QStringLiteral("Резервная копия не может быть сделана посреди изменения базы данных"));
    const QString databasePath = module.database().databaseName();
    const QString folder = FolderOf(databasePath);
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw DbError(QStringLiteral("Не удается создать папку резервных копий %1").arg(QDir::toNativeSeparators(folder)));

    const QDateTime made = QDateTime::currentDateTime();
    const QString stem = folder + QLatin1Char('/') + made.toString(StampFormat);
    const QString shortText = shortCause(cause);
    QString path = stem + (shortText.isEmpty() ? QString() : QLatin1Char(' ') + shortText) + Extension;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral(" %1").arg(n) + Extension;

    // In one step when nobody watches (the quickest); in steps of a megabyte or so for a progress window.
    if (!BackupInto(module.database(), path, progress, progress ? ProgressStepPages : -1))
        return std::nullopt;
    const Snapshot snapshot{path, made, cause, QFileInfo(path).size()};
    QList<Snapshot> all = List(databasePath);
    for (Snapshot &listed : all) {
        if (listed.path == path)
            listed.cause = cause;
    }
    try {
        writeIndex(databasePath, all);
        Prune(databasePath, keep);
    } catch (const DbError &) {
        // The copy is whole; only its listing failed: it is not kept half-described.
        QFile::remove(path);
        throw;
    }
    return snapshot;
}

QList<Snapshot> List(const QString &databasePath)
{
    const QDir folder(FolderOf(databasePath));
    if (!folder.exists())
        return {};
    const QHash<QString, QString> causes = readIndex(databasePath);
    QList<Snapshot> result;
    for (const QFileInfo &file : folder.entryInfoList({QLatin1Char('*') + Extension}, QDir::Files)) {
        const QDateTime made = QDateTime::fromString(file.fileName().left(StampLength), StampFormat);
        if (!made.isValid())
            continue;
        const QString name = file.fileName();
        QString cause = causes.value(name);
        if (cause.isEmpty())
            cause = name.mid(StampLength, name.size() - StampLength - Extension.size()).trimmed();
        result.append({file.absoluteFilePath(), made, cause, file.size()});
    }
    std::sort(result.begin(), result.end(), [](const Snapshot &a, const Snapshot &b) { return a.path > b.path; });
    return result;
}

void Prune(const QString &databasePath, int keep)
{
    QList<Snapshot> all = List(databasePath);
    keep = std::max(keep, 1);
    if (all.size() <= keep)
        return;
    const QList<Snapshot> kept = all.mid(0, keep);
    // The listing first: a snapshot it no longer names is only a file left over, never a wrong entry.
    writeIndex(databasePath, kept);
    for (const Snapshot &old : all.mid(keep))
        removeWithFilesBeside(old.path);
}

void Remove(const QString &databasePath, const QString &snapshotPath)
{
    removeWithFilesBeside(snapshotPath);
    if (QFileInfo::exists(snapshotPath))
        throw DbError(QStringLiteral("Не удается удалить файл %1").arg(QDir::toNativeSeparators(snapshotPath)));
    writeIndex(databasePath, List(databasePath));
}

void PutInPlace(const QString &snapshotPath, const QString &databasePath)
{
    if (!QFileInfo(snapshotPath).isFile())
        throw DbError(QStringLiteral("Файл резервной копии не найден: %1").arg(QDir::toNativeSeparators(snapshotPath)));
    // The file was closed by the program, so the engine keeps nothing beside it that belongs to it; an
    // old journal left there must not be played into the copy put in its place.
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(databasePath + QLatin1String(suffix));
    CopyDatabaseFile(snapshotPath, databasePath);
}

bool DailyDue(const QString &databasePath, const QDate &today)
{
    const QString path = FolderOf(databasePath) + QLatin1Char('/') + DayName;
    if (!QFileInfo::exists(path))
        return true;
    const QStringList lines = ReadTextLines(path);
    return lines.isEmpty() || QDate::fromString(lines.first(), Qt::ISODate) != today;
}

void NoteDailyMade(const QString &databasePath, const QDate &today)
{
    WriteTextLines(FolderOf(databasePath) + QLatin1Char('/') + DayName, {today.toString(Qt::ISODate)});
}

}

namespace SnapshotCause {
QString FieldDeleted(const QString &field) { return QStringLiteral("Удаление поля «%1»").arg(field); }
QString FieldChanged(const QString &field) { return QStringLiteral("Изменение типа поля «%1»").arg(field); }
QString ClassDeleted(const QString &className) { return QStringLiteral("Удаление класса «%1»").arg(className); }
QString BookRegenerated(const QString &book) { return QStringLiteral("Пересоздание справочника «%1»").arg(book); }
QString BookRemoved(const QString &book) { return QStringLiteral("Удаление справочника «%1»").arg(book); }
QString BooksRegenerated() { return QStringLiteral("Пересоздание справочников"); }
QString BooksRemoved() { return QStringLiteral("Удаление справочников"); }
QString CatalogDeleted(const QString &catalog) { return QStringLiteral("Удаление каталога «%1»").arg(catalog); }
QString Import(const QString &fileName) { return QStringLiteral("Импорт из файла «%1»").arg(fileName); }
QString FolderImport(const QString &folderName) { return QStringLiteral("Добавление объектов из папки «%1»").arg(folderName); }
QString BinEmptied() { return QStringLiteral("Очистка корзины"); }
QString BinPurged() { return QStringLiteral("Удаление из корзины объектов старше срока хранения"); }
QString DatabaseMended() { return QStringLiteral("Исправление базы данных"); }
QString Daily() { return QStringLiteral("Ежедневная копия"); }
QString BeforeRestore(const QDateTime &restored)
{
    return QStringLiteral("Перед восстановлением копии от %1").arg(restored.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
}
}
