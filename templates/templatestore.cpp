#include "templates/templatestore.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/schemanames.h"
#include "core/textfile.h"
#include "objects/changehistory.h"
#include "objects/recyclebin.h"
#include "objects/thumbnails.h"
#include "objects/searchindex.h"
#include "references/referencestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <QThread>

namespace TemplateStore {

namespace {
const QString Exists = QStringLiteral("Шаблон с таким именем уже существует!");

// A name that is used unchanged as a file name must stay inside the Samples folder.
bool IsFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

QString fileNameOf(const QString &name)
{
    return name + QLatin1String(".mdb");
}

// Samples/Empty.mdb is what every new database starts from: no line of the list makes it a template,
// in any letter case (a file system may ignore the case).
bool IsEmptyDatabaseName(const QString &name)
{
    return name.compare(QLatin1String("Empty"), Qt::CaseInsensitive) == 0;
}

bool IsTemplateFileName(const QString &name)
{
    return IsFileName(name) && !IsEmptyDatabaseName(name);
}

QString emptyDatabaseIsNoTemplate(const QString &name)
{
    return QStringLiteral("«%1» — это пустая база данных программы, а не шаблон.").arg(name);
}

void requireFileName(const QString &name)
{
    if (IsEmptyDatabaseName(name))
        throw DbError(emptyDatabaseIsNoTemplate(name));
    if (!IsFileName(name))
        throw DbError(QStringLiteral("«%1» не может быть именем файла шаблона.").arg(name));
}

QString notSaved(const QString &why)
{
    return QStringLiteral("Шаблон не сохранен: %1").arg(why);
}

// A template being saved is copied and stripped under a name no template file can have, and takes its
// own name only when complete: a save cut short never leaves a file that looks like a template.
const QString UnfinishedSuffix = QStringLiteral(".unfinished");
// What a save cut short may leave beside the copy: the engine's files and the save's lock.
const QStringList LeftBeside{QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm"),
                             QStringLiteral(".lock")};

QString unfinishedPath(const QString &programFolder, const QString &name)
{
    return TemplatePath(programFolder, name) + UnfinishedSuffix;
}

// The save's lock, held while its program runs however long the copy takes: a program starting
// meanwhile leaves the copy alone, and takes the lock over once the saving program has ended. A program
// killed between making the lock file and writing its own name in it leaves the file empty, which no
// running program does for longer than a moment: such a file is taken over as well.
bool takeLock(QLockFile &lock)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return true;
    qint64 pid = 0;
    QString host, application;
    if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &application))
        return false;
    QThread::msleep(50);
    if (lock.getLockInfo(&pid, &host, &application))
        return false;
    QFile::remove(lock.fileName());
    return lock.tryLock(0);
}

// One save of a template: the unfinished copy and its lock. Unless finished, the copy is removed when
// the save ends.
class UnfinishedSave
{
public:
    UnfinishedSave(const QString &programFolder, const QString &name)
        : m_folder(programFolder), m_name(name), m_path(unfinishedPath(programFolder, name)), m_lock(m_path + QLatin1String(".lock"))
    {
        QDir(programFolder).mkpath(QStringLiteral("Samples"));
        if (!takeLock(m_lock)) {
            if (m_lock.error() == QLockFile::LockFailedError)
                throw DbError(notSaved(QStringLiteral("шаблон с этим именем сейчас сохраняет другая программа.")));
            throw DbError(notSaved(QStringLiteral("нет доступа на запись к папке %1.")
                                           .arg(QDir::toNativeSeparators(QFileInfo(m_path).absolutePath()))));
        }
        // Left by a save of this name that was cut short.
        RemoveDatabaseFile(m_path);
    }
    ~UnfinishedSave()
    {
        if (!m_finished)
            RemoveDatabaseFile(m_path);
    }
    UnfinishedSave(const UnfinishedSave &) = delete;
    UnfinishedSave &operator=(const UnfinishedSave &) = delete;

    QString path() const { return m_path; }

    // The complete copy (closed by now) takes the template's name, never over another file, and the
    // name is listed last.
    void finish(QStringList names)
    {
        const QString target = TemplatePath(m_folder, m_name);
        if (QFileInfo::exists(target) || !QFile::rename(m_path, target))
            throw DbError(notSaved(QStringLiteral("не удается дать копии имя %1.").arg(QDir::toNativeSeparators(target))));
        m_finished = true;
        names << m_name;
        try {
            WriteNames(m_folder, names);
        } catch (const DbError &error) {
            QFile::remove(target);
            throw DbError(notSaved(error.message()));
        }
    }

private:
    QString m_folder, m_name, m_path;
    QLockFile m_lock;
    bool m_finished = false;
};
}

QString ListPath(const QString &programFolder)
{
    return programFolder + QLatin1String("/System/Samples.txt");
}

QString EmptyDatabasePath(const QString &programFolder)
{
    return programFolder + QLatin1String("/Samples/Empty.mdb");
}

QString TemplatePath(const QString &programFolder, const QString &name)
{
    return programFolder + QLatin1String("/Samples/") + fileNameOf(name);
}

QString TemplateSource(const QString &programFolder, const QString &name)
{
    requireFileName(name);
    return TemplatePath(programFolder, name);
}

QStringList ReadNames(const QString &programFolder)
{
    const QString path = ListPath(programFolder);
    if (!QFileInfo::exists(path))
        return {};
    return ReadTextLines(path);
}

void WriteNames(const QString &programFolder, const QStringList &names)
{
    QDir(programFolder).mkpath(QStringLiteral("System"));
    WriteTextLines(ListPath(programFolder), names);
}

QString NewDatabaseFileName(const QString &chosen)
{
    if (chosen.size() <= 3 || !chosen.endsWith(QLatin1String(".mdb"), Qt::CaseSensitive))
        return chosen + QLatin1String(".mdb");
    return chosen;
}

void CheckSource(const QString &source)
{
    if (!QFileInfo(source).isFile())
        throw DbError(QStringLiteral("Файл %1 не найден: новая база данных не создана.").arg(QDir::toNativeSeparators(source)));
    // The checks of opening a database, on a connection that only reads: the file stays as it is.
    try {
        TDModule check;
        check.OpenReadOnly(source);
    } catch (const DbError &) {
        // The engine's own reason may be in English; what the user needs is which file and why in general.
        throw DbError(QStringLiteral("Из файла %1 нельзя создать базу данных: это не база данных программы, "
                                     "или файл поврежден.")
                          .arg(QDir::toNativeSeparators(source)));
    }
}

QString TargetProblem(const QString &programFolder, const QString &target)
{
    const QString samples = QFileInfo(programFolder + QLatin1String("/Samples")).canonicalFilePath();
    const QString folder = QFileInfo(QFileInfo(target).absolutePath()).canonicalFilePath();
    if (!samples.isEmpty() && folder == samples)
        return QStringLiteral("Новую базу данных нельзя записать в папку Samples: там хранятся пустая база данных "
                              "программы и шаблоны. Выберите другую папку.");
    return QString();
}

void CreateDatabase(const QString &programFolder, const QString &source, const QString &target)
{
    const QString problem = TargetProblem(programFolder, target);
    if (!problem.isEmpty())
        throw DbError(problem);
    CheckSource(source);
    CopyDatabaseFile(source, target);
}

QString NameProblem(const QString &programFolder, const QStringList &names, const QString &name,
                    const QString &emptyMessage, const QString &current)
{
    if (name.isEmpty())
        return emptyMessage;
    if (names.contains(name))
        return Exists;
    if (IsEmptyDatabaseName(name))
        return QStringLiteral("Имя «%1» занято пустой базой данных программы: выберите другое имя шаблона!").arg(name);
    if (name.size() > NameLimit)
        return QStringLiteral("Имя шаблона не может быть длиннее %1 символов!").arg(NameLimit);
    if (!IsFileName(name))
        return QStringLiteral("Имя шаблона не может содержать символы \\ / : * ? \" < > | и не может быть "
                              "точкой или двумя точками!");
    // Another file of that name (an unlisted template, the empty database, or a name that differs only in
    // letter case where the file system ignores it) would be overwritten or stripped.
    if (QFileInfo::exists(TemplatePath(programFolder, name)) && name.compare(current, Qt::CaseInsensitive) != 0)
        return QStringLiteral("В папке Samples уже есть файл «%1»: выберите другое имя шаблона!").arg(fileNameOf(name));
    return QString();
}

QString SaveProblem(const QString &programFolder, const QStringList &names, const QString &name)
{
    return NameProblem(programFolder, names, name, QStringLiteral("Введите имя шаблона!"));
}

QString RenameProblem(const QString &programFolder, const QStringList &names, const QString &oldName,
                      const QString &newName)
{
    const QString problem = NameProblem(programFolder, names, newName, QStringLiteral("Введите новое имя шаблона!"), oldName);
    if (!problem.isEmpty())
        return problem;
    if (IsEmptyDatabaseName(oldName))
        return emptyDatabaseIsNoTemplate(oldName) + QStringLiteral(" Ее нельзя переименовать.");
    if (!IsFileName(oldName) || !QFileInfo(TemplatePath(programFolder, oldName)).isFile())
        return QStringLiteral("Файл шаблона «%1» не найден в папке Samples: шаблон не переименован.").arg(fileNameOf(oldName));
    return QString();
}

SavedTemplate StripTemplateCopy(TDModule &module, StripChoice choice)
{
    module.FinishPendingReads();
    Transaction tx(module);
    SavedTemplate saved{CatalogStore::Names(module)};
    module.exec(QStringLiteral("DELETE FROM KATALOGS"));
    // Deleted objects are the saved database's own, never a template's.
    RecycleBin::EnsureTable(module);
    module.exec(QLatin1String("DELETE FROM ") + RecycleBin::Table);
    ChangeHistory::EnsureTable(module);
    module.exec(QLatin1String("DELETE FROM ") + ChangeHistory::Table);
    // Thumbnails are made afresh for the objects a new database gets.
    Thumbnails::EnsureTable(module);
    module.exec(QLatin1String("DELETE FROM ") + SchemaName::ThumbnailsTable);
    if (choice.objects) {
        module.exec(QStringLiteral("DELETE FROM GENER"));
        module.exec(QStringLiteral("DELETE FROM LINKS"));
        RefreshSearchIndex(module);
    }
    if (choice.books) {
        for (const ReferenceStore::Book &book : ReferenceStore::Books(module))
            ReferenceStore::RemoveBook(module, book.id);
        module.exec(QStringLiteral("DELETE FROM REFERS"));
        module.exec(QStringLiteral("DELETE FROM LINKS"));
    }
    tx.commit();
    // What was deleted (pictures above all) would otherwise stay in the file and in every copy of it.
    for (SharedQuery *query : {module.QRWork, module.QRFields, module.QRGeneral, module.QRClasses})
        query->close();
    module.exec(QStringLiteral("VACUUM"));
    return saved;
}

SavedTemplate SaveTemplate(TDModule &module, const QString &programFolder, const QString &name, const QString &currentPath,
                  StripChoice choice, const DatabaseOpener &open)
{
    // A copy: the caller's path (the main window's current path) changes when the template copy is opened.
    const QString current = currentPath;
    const QStringList names = ReadNames(programFolder);
    const QString problem = SaveProblem(programFolder, names, name);
    if (!problem.isEmpty())
        throw DbError(problem);
    if (!QFileInfo(current).isFile())
        throw DbError(QStringLiteral("Файл базы данных %1 не найден: шаблон не сохранен.").arg(QDir::toNativeSeparators(current)));
    UnfinishedSave save(programFolder, name);
    CopyDatabaseFile(current, save.path());

    // Every failure from here on opens the user's database again, which also closes the copy; the copy
    // itself goes with `save`.
    const auto fail = [&](const QString &why) {
        const bool reopened = open(current);
        if (!reopened)
            module.CloseConnection();
        QString text = notSaved(why);
        if (!reopened)
            text += QStringLiteral(" База данных %1 не открыта.").arg(QDir::toNativeSeparators(current));
        throw DbError(text);
    };
    if (!open(save.path()))
        fail(QStringLiteral("не удается открыть копию базы данных."));
    SavedTemplate saved;
    try {
        saved = StripTemplateCopy(module, choice);
    } catch (const DbError &error) {
        fail(error.message());
    }
    if (!open(current)) {
        module.CloseConnection();
        throw DbError(QStringLiteral("Шаблон не сохранен: не удается снова открыть базу данных %1.")
                          .arg(QDir::toNativeSeparators(current)));
    }
    save.finish(names);
    return saved;
}

std::optional<SavedTemplate> SaveServerTemplate(TDModule &module, const QString &programFolder, const QString &name,
                                                StripChoice choice, const DatabaseCopy::Progress &progress)
{
    const QStringList names = ReadNames(programFolder);
    const QString problem = SaveProblem(programFolder, names, name);
    if (!problem.isEmpty())
        throw DbError(problem);
    UnfinishedSave save(programFolder, name);
    bool copied = false;
    try {
        copied = DatabaseCopy::ToFile(module, save.path(), progress);
    } catch (const DbError &error) {
        throw DbError(notSaved(error.message()));
    }
    if (!copied)
        return std::nullopt;
    // The copy holds no catalog pictures (a file keeps them in folders, and none are carried over); the
    // stripping removes the catalogs themselves.
    SavedTemplate saved;
    try {
        TDModule copy;
        copy.OpenConnection(save.path());
        saved = StripTemplateCopy(copy, choice);
    } catch (const DbError &error) {
        throw DbError(notSaved(error.message()));
    }
    save.finish(names);
    return saved;
}

bool CreateServerDatabaseFrom(const QString &source, const ServerConnection &target, const DatabaseCopy::Progress &progress)
{
    if (!QFileInfo(source).isFile())
        throw DbError(QStringLiteral("Файл %1 не найден: новая база данных не создана.").arg(QDir::toNativeSeparators(source)));
    TDModule from;
    from.OpenReadOnly(source);
    return DatabaseCopy::ToServer(from, target, progress);
}

void FinishInterruptedSaves(const QString &programFolder) noexcept
{
    const QString marker = QLatin1String(".mdb") + UnfinishedSuffix;
    // A copy cut short while it was written leaves the copier's own file beside it: "{copy}.XXXXXX".
    static const QRegularExpression copierFile(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    QMap<QString, QStringList> leftBy;   // the name of the template being saved -> its files left
    const QDir samples(programFolder + QLatin1String("/Samples"));
    for (const QString &file : samples.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const qsizetype at = file.lastIndexOf(marker);
        if (at <= 0)
            continue;
        const QString rest = file.mid(at + marker.size());
        if (LeftBeside.contains(rest) || copierFile.match(rest).hasMatch())
            leftBy[file.left(at)] << file;
    }
    for (auto it = leftBy.cbegin(); it != leftBy.cend(); ++it) {
        const QString &name = it.key();
        const QString path = unfinishedPath(programFolder, name);
        QLockFile lock(path + QLatin1String(".lock"));
        const bool saveWasUnderWay = QFileInfo::exists(lock.fileName());
        if (!takeLock(lock))
            continue;   // still being saved by a program that runs
        const bool copyLeft = QFileInfo::exists(path);
        for (const QString &file : it.value()) {
            if (!file.endsWith(QLatin1String(".lock")))
                QFile::remove(samples.filePath(file));
        }
        if (copyLeft || !saveWasUnderWay)
            continue;
        // Cut short after the complete copy took its name, before the name was listed: listed now.
        try {
            QStringList names = ReadNames(programFolder);
            if (IsTemplateFileName(name) && !names.contains(name) && QFileInfo(TemplatePath(programFolder, name)).isFile()) {
                names << name;
                WriteNames(programFolder, names);
            }
        } catch (const std::exception &) {
        }
    }
}

void RenameTemplate(const QString &programFolder, const QString &oldName, const QString &newName)
{
    QStringList names = ReadNames(programFolder);
    const QString problem = RenameProblem(programFolder, names, oldName, newName);
    if (!problem.isEmpty())
        throw DbError(problem);
    const int index = names.indexOf(oldName);
    if (index < 0)
        throw DbError(QStringLiteral("Шаблона «%1» нет в списке шаблонов.").arg(oldName));
    const QString oldPath = TemplatePath(programFolder, oldName);
    const QString newPath = TemplatePath(programFolder, newName);
    // A file that another line still names is copied, not moved.
    const bool shared = names.count(oldName) > 1;
    if (!(shared ? QFile::copy(oldPath, newPath) : QFile::rename(oldPath, newPath)))
        throw DbError(QStringLiteral("Не удается переименовать файл шаблона %1.").arg(QDir::toNativeSeparators(oldPath)));
    names[index] = newName;
    try {
        WriteNames(programFolder, names);
    } catch (const DbError &) {
        if (shared)
            QFile::remove(newPath);
        else
            QFile::rename(newPath, oldPath);
        throw;
    }
}

void DeleteTemplate(const QString &programFolder, const QString &name)
{
    QStringList names = ReadNames(programFolder);
    const int index = names.indexOf(name);
    if (index < 0)
        throw DbError(QStringLiteral("Шаблона «%1» нет в списке шаблонов.").arg(name));
    const QStringList before = names;
    names.removeAt(index);
    WriteNames(programFolder, names);
    // A line that is no file name never leads to a file outside the Samples folder, and the empty
    // database stays whatever a line says.
    if (!IsTemplateFileName(name) || names.contains(name))
        return;
    const QString path = TemplatePath(programFolder, name);
    QFile file(path);
    if (file.exists() && !file.remove()) {
        const QString reason = file.errorString();
        WriteNames(programFolder, before);
        throw DbError(QStringLiteral("Не удается удалить файл шаблона %1: %2").arg(QDir::toNativeSeparators(path), reason));
    }
}

}
