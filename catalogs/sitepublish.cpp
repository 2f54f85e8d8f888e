#include "catalogs/sitepublish.h"

#include "catalogs/layouttext.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace SitePublish {

std::function<void(const QString &step)> BeforeWrite;

namespace {

const QByteArray MarkerTitle = QByteArrayLiteral("Virandel website");

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void step(const QString &name)
{
    if (BeforeWrite)
        BeforeWrite(name);
}

// The place of one publishing: the target and its two siblings, the new site being built and the
// earlier site moved aside while the new one takes its name.
struct Places
{
    explicit Places(const QString &targetPath)
    {
        const QFileInfo info(QDir::cleanPath(QDir::fromNativeSeparators(targetPath)));
        const QString parentPath = info.absolutePath();
        // Symbolic links followed: the places compared are the real ones.
        const QString realParent = QFileInfo(parentPath).canonicalFilePath();
        parent = realParent.isEmpty() ? parentPath : realParent;
        name = info.fileName();
        target = parent + QLatin1Char('/') + name;
        building = parent + QStringLiteral("/.") + name + QStringLiteral(".publishing");
        aside = parent + QStringLiteral("/.") + name + QStringLiteral(".replaced");
        lock = parent + QStringLiteral("/.") + name + QStringLiteral(".lock");
    }
    QString parent, name, target, building, aside, lock;
};

bool isDir(const QString &path)
{
    return QFileInfo(path).isDir();
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// The marker's lines: its title, then the site's files; nothing when `folder` holds no marker of ours.
std::optional<QStringList> readMarker(const QString &folder)
{
    QFile file(folder + QLatin1Char('/') + MarkerFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != MarkerTitle)
        return std::nullopt;
    QStringList files;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (!line.isEmpty())
            files << line;
    }
    return files;
}

QByteArray markerBytes(const QStringList &files)
{
    QByteArray bytes = MarkerTitle + "\r\n";
    for (const QString &file : files)
        bytes += file.toUtf8() + "\r\n";
    return bytes;
}

// Files a system leaves in any folder it shows (picture caches, folder settings): not the user's, and gone with
// the old site like its own files.
bool madeBySystem(const QString &name)
{
    static const QStringList names{QStringLiteral("Thumbs.db"), QStringLiteral("ehthumbs.db"),
                                   QStringLiteral("desktop.ini"), QStringLiteral(".DS_Store"),
                                   QStringLiteral(".directory")};
    return names.contains(name, Qt::CaseInsensitive) || name.startsWith(QStringLiteral("._"));
}

// The files and folders under `folder` that the marker does not name (the marker itself and the system's own
// files aside).
QStringList unknownEntries(const QString &folder, const QStringList &files)
{
    QSet<QString> known(files.cbegin(), files.cend());
    known.insert(MarkerFile);
    for (const QString &file : files) {
        for (qsizetype slash = file.indexOf(QLatin1Char('/')); slash > 0; slash = file.indexOf(QLatin1Char('/'), slash + 1))
            known.insert(file.left(slash));
    }
    QStringList unknown;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir root(folder);
    while (it.hasNext()) {
        const QString relative = root.relativeFilePath(it.next());
        if (!known.contains(relative) && !madeBySystem(it.fileName()))
            unknown << relative;
    }
    unknown.sort();
    return unknown;
}

bool removeFolder(const QString &path)
{
    return !exists(path) || QDir(path).removeRecursively();
}

// A folder the program left beside the target (a killed publishing): ours only when it holds the marker.
QString clearLeftover(const QString &path)
{
    if (!exists(path))
        return QString();
    if (!readMarker(path) || !removeFolder(path))
        return QStringLiteral("Рядом с папкой сайта осталась папка %1 прежней публикации, и ее не удается удалить. "
                              "Удалите ее и опубликуйте снова.")
            .arg(shown(path));
    return QString();
}

bool sameDevice(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    if (::stat(QFile::encodeName(a).constData(), &first) != 0 || ::stat(QFile::encodeName(b).constData(), &second) != 0)
        return true;
    return first.st_dev == second.st_dev;
}

bool inside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The places kept beside the open database file: its catalog folders and their work folders, and the
// folder of its snapshots.
QString besideDatabaseError(TDModule &module, const Places &places)
{
    if (module.engine() != EngineKind::File || !module.connected())
        return QString();
    const QFileInfo database(module.database().databaseName());
    const QString folder = database.canonicalPath();
    if (folder.isEmpty())
        return QString();
    const QString catalogPrefix = QFileInfo(Layout::CatalogFolder(database.absoluteFilePath(), QString())).fileName();
    const QString snapshots = QFileInfo(Snapshots::FolderOf(database.absoluteFilePath())).fileName();
    if (!inside(places.target, folder) || places.target == folder)
        return QString();
    const QString first = places.target.mid(folder.size() + 1).section(QLatin1Char('/'), 0, 0);
    if (first.startsWith(catalogPrefix, Qt::CaseInsensitive) || first.compare(snapshots, Qt::CaseInsensitive) == 0
        || first.compare(database.fileName(), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Папка %1 принадлежит базе данных (в ней программа хранит рисунки каталогов или резервные "
                              "копии). Выберите для сайта другую папку.")
            .arg(shown(places.target));
    return QString();
}

QString targetError(TDModule &module, const Places &places)
{
    if (places.name.isEmpty() || places.name == QLatin1String("..") || places.name == QLatin1String("."))
        return QStringLiteral("Выберите папку для сайта.");
    if (!isDir(places.parent))
        return QStringLiteral("Папки %1 нет.").arg(shown(places.parent));
    if (const QString error = besideDatabaseError(module, places); !error.isEmpty())
        return error;
    if (!exists(places.target))
        return QString();
    if (!isDir(places.target))
        return QStringLiteral("%1 - это файл, а не папка. Выберите для сайта папку.").arg(shown(places.target));
    if (!sameDevice(places.target, places.parent))
        return QStringLiteral("Папка %1 - это целый диск. Создайте на нем папку для сайта и выберите ее.")
            .arg(shown(places.target));
    const bool empty = QDir(places.target).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (empty)
        return QString();
    const std::optional<QStringList> files = readMarker(places.target);
    if (!files)
        return QStringLiteral("Папка %1 не пуста, и в ней не сайт, опубликованный программой. Чтобы ничего в ней не "
                              "потерять, программа пишет сайт только в пустую папку или на место прежнего сайта. "
                              "Выберите пустую папку или создайте новую.")
            .arg(shown(places.target));
    const QStringList unknown = unknownEntries(places.target, *files);
    if (!unknown.isEmpty())
        return QStringLiteral("В папке сайта %1 есть файлы, которые программа не писала: %2. При новой публикации они "
                              "пропали бы. Перенесите их в другое место и опубликуйте снова.")
            .arg(shown(places.target), unknown.mid(0, 5).join(QStringLiteral(", "))
                                           + (unknown.size() > 5 ? QStringLiteral(" и другие") : QString()));
    return QString();
}

// Collects the new site in its folder: a file equal to the earlier site's is carried over, not written.
class FolderSink : public WebSite::Sink
{
public:
    FolderSink(const QString &folder, const QString &earlier) : m_folder(folder), m_earlier(earlier) {}

    bool hasPicture(const QString &path) const override
    {
        if (!m_error.isEmpty() || !validPath(path))
            return false;
        if (m_files.contains(path))
            return true;
        if (m_earlier.isEmpty() || !QFileInfo(m_earlier + QLatin1Char('/') + path).isFile())
            return false;
        // Not carried over (no room left, say): the generator makes it again.
        return m_self->carry(path);
    }

    void put(const QString &path, const QByteArray &bytes) override
    {
        if (!m_error.isEmpty())
            return;
        if (!validPath(path) || path == MarkerFile) {
            m_error = QStringLiteral("Сайт не записан: недопустимое имя файла %1.").arg(path);
            return;
        }
        place(path, bytes, true);
    }

    // The marker goes in last, once every file is there; carried over when the files are the same.
    void finish(const QStringList &earlierFiles)
    {
        keepSystemFiles();
        QStringList files(m_files.cbegin(), m_files.cend());
        files.sort();
        QFile::remove(m_folder + QLatin1Char('/') + MarkerFile);   // the one the half-built site was known by
        place(MarkerFile, markerBytes(files), false);
        for (const QString &file : earlierFiles) {
            if (!m_files.contains(file))
                ++m_removed;
        }
    }

    // The first failure, worded for the user; empty while everything went well.
    const QString &error() const { return m_error; }
    void fail(const QString &error) { if (m_error.isEmpty()) m_error = error; }
    int written() const { return m_written; }
    int kept() const { return m_kept; }
    int removed() const { return m_removed; }
    qint64 bytes() const { return m_bytes; }

private:
    static bool validPath(const QString &path)
    {
        static const QRegularExpression safe(QStringLiteral("^[a-z0-9._-]+(/[a-z0-9._-]+)*$"));
        return safe.match(path).hasMatch() && !path.split(QLatin1Char('/')).contains(QStringLiteral(".."))
               && !path.split(QLatin1Char('/')).contains(QStringLiteral("."));
    }

    bool makeFolderOf(const QString &path)
    {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return true;
        const QString folder = path.left(slash);
        if (m_folders.contains(folder))
            return true;
        if (!QDir(m_folder).mkpath(folder)) {
            fail(QStringLiteral("Не удается создать папку %1.").arg(shown(m_folder + QLatin1Char('/') + folder)));
            return false;
        }
        m_folders.insert(folder);
        return true;
    }

    void place(const QString &path, const QByteArray &bytes, bool counted)
    {
        try {
            step(path);
        } catch (const std::exception &error) {
            fail(QStringLiteral("Не удается записать файл %1: %2").arg(shown(m_folder + QLatin1Char('/') + path), QString::fromUtf8(error.what())));
            return;
        }
        if (!makeFolderOf(path))
            return;
        const QString newPath = m_folder + QLatin1Char('/') + path;
        if (m_files.contains(path))
            QFile::remove(newPath);   // put twice: the later content counts
        if (!m_earlier.isEmpty() && !m_files.contains(path)) {
            QFile earlier(m_earlier + QLatin1Char('/') + path);
            if (earlier.size() == bytes.size() && earlier.open(QIODevice::ReadOnly) && earlier.readAll() == bytes) {
                earlier.close();
                if (carry(path, counted))
                    return;
            }
        }
        QFile file(newPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
            fail(QStringLiteral("Не удается записать файл %1: %2").arg(shown(newPath), file.errorString()));
            return;
        }
        file.close();
        if (!m_files.contains(path)) {
            m_files.insert(path);
            m_bytes += bytes.size();
            if (counted)
                ++m_written;
        }
    }

    // What the system left in the earlier site's folders (a picture cache) stays where the new site still has
    // that folder: not the site's, so neither listed nor counted, and not the program's to delete.
    void keepSystemFiles()
    {
        if (m_earlier.isEmpty())
            return;
        const QDir earlier(m_earlier);
        QDirIterator it(m_earlier, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            const QString path = earlier.relativeFilePath(it.filePath());
            const QString folder = QFileInfo(m_folder + QLatin1Char('/') + path).absolutePath();
            if (!madeBySystem(it.fileName()) || !QFileInfo(folder).isDir())
                continue;
            std::error_code failure;
            std::filesystem::create_hard_link(fsPath(it.filePath()), fsPath(m_folder + QLatin1Char('/') + path), failure);
            if (failure)
                QFile::copy(it.filePath(), m_folder + QLatin1Char('/') + path);
        }
    }

    // The earlier site's file takes its place in the new one as it is: a second name for it where the
    // file system allows, else a copy with the same file time.
    bool carry(const QString &path, bool counted = true)
    {
        if (!makeFolderOf(path))
            return false;
        const std::filesystem::path from = fsPath(m_earlier + QLatin1Char('/') + path);
        const std::filesystem::path to = fsPath(m_folder + QLatin1Char('/') + path);
        std::error_code failure;
        std::filesystem::create_hard_link(from, to, failure);
        if (failure) {
            failure.clear();
            std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, failure);
            if (!failure)
                std::filesystem::last_write_time(to, std::filesystem::last_write_time(from, failure), failure);
            if (failure) {
                std::filesystem::remove(to, failure);
                return false;
            }
        }
        m_files.insert(path);
        m_bytes += QFileInfo(m_folder + QLatin1Char('/') + path).size();
        if (counted)
            ++m_kept;
        return true;
    }

    QString m_folder, m_earlier;
    QSet<QString> m_files, m_folders;
    QString m_error;
    int m_written = 0, m_kept = 0, m_removed = 0;
    qint64 m_bytes = 0;
    FolderSink *const m_self = this;   // hasPicture is const to the generator, yet carries the file over
};

bool allowed(const QString &stepName)
{
    try {
        step(stepName);
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

// Swaps two folders at once where the system can; false where it cannot.
bool exchange(const QString &first, const QString &second)
{
#ifdef RENAME_EXCHANGE
    return ::renameat2(AT_FDCWD, QFile::encodeName(first).constData(), AT_FDCWD, QFile::encodeName(second).constData(),
                       RENAME_EXCHANGE) == 0;
#else
    Q_UNUSED(first);
    Q_UNUSED(second);
    return false;
#endif
}

}

QString TargetError(TDModule &module, const QString &target)
{
    return targetError(module, Places(target));
}

Result PublishWith(TDModule &module, const QString &target, const Generator &generate, const Progress &progress)
{
    Result result;
    const Places places(target);
    // Nothing is touched among the database's own files, not even what looks like a leftover.
    result.error = besideDatabaseError(module, places);
    if (!result.error.isEmpty())
        return result;
    QLockFile lock(places.lock);
    if (isDir(places.parent) && !lock.tryLock(0)) {
        result.error = lock.error() == QLockFile::LockFailedError
                           ? QStringLiteral("В папку %1 сейчас публикует сайт другая программа. Дождитесь ее конца.").arg(shown(places.target))
                           : QStringLiteral("Папку %1 нельзя записать.").arg(shown(places.parent));
        return result;
    }
    // What a killed publishing left: replaced between the two renames, the earlier site comes back;
    // a new site half built is thrown away.
    if (!exists(places.target) && readMarker(places.aside))
        QDir().rename(places.aside, places.target);
    for (const QString &leftover : {places.aside, places.building}) {
        result.error = clearLeftover(leftover);
        if (!result.error.isEmpty())
            return result;
    }
    result.error = targetError(module, places);
    if (!result.error.isEmpty())
        return result;

    const bool earlier = exists(places.target) && readMarker(places.target).has_value();
    const QStringList earlierFiles = earlier ? *readMarker(places.target) : QStringList();
    if (!QDir().mkdir(places.building)) {
        result.error = QStringLiteral("Папку %1 нельзя записать: в ней не удается создать папку для нового сайта.")
                           .arg(shown(places.parent));
        return result;
    }
    // The half-built site is known as ours from the start, so that what a killed run left is cleared.
    QFile start(places.building + QLatin1Char('/') + MarkerFile);
    if (!start.open(QIODevice::WriteOnly) || start.write(markerBytes({})) < 0 || !start.flush()) {
        removeFolder(places.building);
        result.error = QStringLiteral("Папку %1 нельзя записать.").arg(shown(places.parent));
        return result;
    }
    start.close();

    FolderSink sink(places.building, earlier ? places.target : QString());
    const auto fail = [&](const QString &error) {
        removeFolder(places.building);
        result.error = error;
        return result;
    };
    WebSite::Result made;
    try {
        made = generate(sink, [&](int done, int total) {
            return sink.error().isEmpty() && (!progress || progress(done, total));
        });
    } catch (const DbError &error) {
        made.error = error.message();
    } catch (const std::exception &error) {
        made.error = QString::fromUtf8(error.what());
    }
    result.objects = made.objects;
    result.pictures = made.pictures;
    result.picturesMade = made.picturesMade;
    if (!sink.error().isEmpty())
        return fail(sink.error());
    if (!made.error.isEmpty())
        return fail(made.error);
    if (made.stopped) {
        result.stopped = true;
        return fail(QString());
    }
    sink.finish(earlierFiles);
    if (!sink.error().isEmpty())
        return fail(sink.error());

    const QString notReplaced = QStringLiteral("Не удается поставить новый сайт на место прежнего в папке %1: она занята "
                                               "другой программой или ее нельзя изменить. Прежний сайт оставлен как был.")
                                    .arg(shown(places.target));
    if (!allowed(QStringLiteral("in")))
        return fail(notReplaced);
    if (!exists(places.target)) {
        if (!QDir().rename(places.building, places.target))
            return fail(notReplaced);
    } else if (allowed(QStringLiteral("exchange")) && exchange(places.building, places.target)) {
        // In one step: at no moment is there no site. The building folder now holds the earlier site.
        removeFolder(places.building);
    } else {
        // Two renames: a failure between them puts the earlier site back.
        if (!allowed(QStringLiteral("aside")) || !QDir().rename(places.target, places.aside))
            return fail(notReplaced);
        if (!allowed(QStringLiteral("in")) || !QDir().rename(places.building, places.target)) {
            QDir().rename(places.aside, places.target);
            return fail(notReplaced);
        }
        // Should the earlier site resist removal, the next publishing removes it.
        removeFolder(places.aside);
    }

    result.filesWritten = sink.written();
    result.filesKept = sink.kept();
    result.filesRemoved = sink.removed();
    result.bytes = sink.bytes();
    result.indexPath = places.target + QStringLiteral("/index.html");
    return result;
}

Result Publish(TDModule &module, const QString &catalogName, const QList<qint64> &objectIds,
               const WebSite::Options &options, const QString &target, const Progress &progress)
{
    return PublishWith(
        module, target,
        [&](WebSite::Sink &sink, const Progress &told) {
            return WebSite::Generate(module, catalogName, objectIds, options, sink, told);
        },
        progress);
}

}
