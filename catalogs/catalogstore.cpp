#include "catalogs/catalogstore.h"

#include "core/dberror.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace CatalogStore {

std::function<void(const QString &write)> BeforeWrite;

namespace {
void beforeWrite(const QString &write)
{
    if (BeforeWrite)
        BeforeWrite(write);
}

DbError fileError(const QString &text, const QString &path)
{
    return DbError(text.arg(QDir::toNativeSeparators(path)));
}

void WriteFile(const QString &path, const QByteArray &data)
{
    beforeWrite(QFileInfo(path).fileName());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw DbError(QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Makes the entries of a folder durable, so a move survives a power cut as well as a killed program.
void syncFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

// A picture the catalog folder holds already is left there: the switch after the commit keeps it.
void PlacePicture(const QString &folder, const QString &newFolder, const QString &file, const QByteArray &data)
{
    const QFileInfo old(folder + QLatin1Char('/') + file);
    if (old.isFile() && old.size() == data.size() && ReadPicture(old.filePath()) == data)
        return;
    WriteFile(newFolder + QLatin1Char('/') + file, data);
}

// Where the files of one catalog of a database file live: its folder, and the work folder beside it
// that holds a save's new pictures until the row is committed ("new") and a deleted catalog's folder
// until its row is gone ("old"). The work folder is the catalog folder of an empty name, which no
// catalog can have.
struct Places
{
    Places(const QString &databasePath, const QString &name)
        : folder(Layout::CatalogFolder(databasePath, name))
        , work(Layout::CatalogFolder(databasePath, QString()))
        , fresh(work + QLatin1String("/new/") + name)
        , old(work + QLatin1String("/old/") + name)
    {
    }
    QString folder, work, fresh, old;

    // The layout text the new pictures belong to: present once they are all written, so that a row
    // holding this text means the save was committed.
    QString marker() const { return fresh + QLatin1String("/.layout"); }

    void tidy() const
    {
        for (const QString &path : {work + QLatin1String("/new"), work + QLatin1String("/old"), work})
            QDir().rmdir(path);   // only when empty
    }
};

QString databasePath(const TDModule &module)
{
    return QFileInfo(module.database().databaseName()).absoluteFilePath();
}

const QString &PicturesTable = SchemaName::CatalogPicturesTable;

bool onServer(const TDModule &module)
{
    return module.engine() == EngineKind::Server;
}

void ensurePicturesTable(TDModule &module)
{
    module.exec(QLatin1String("CREATE TABLE IF NOT EXISTS ") + PicturesTable
                + QLatin1String("(KF_KATALOG VARCHAR(255) NOT NULL, KF_FILE VARCHAR(50) NOT NULL, KF_DATA ")
                + Engine::ColumnType(EngineKind::Server, QStringLiteral("BLOB"))
                + QLatin1String(", PRIMARY KEY (KF_KATALOG, KF_FILE))"));
}

void saveRow(TDModule &module, const QString &name, const QString &folder, const QString &layoutText)
{
    module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
    const QString id = module.GenID(QStringLiteral("KATALOGS"));
    module.exec(QStringLiteral("INSERT INTO KATALOGS VALUES (?, ?, ?, ?)"), {id.toLongLong(), name, folder, layoutText});
}

std::optional<QString> storedText(TDModule &module, const QString &name)
{
    const QList<QVariantList> rows = module.QRWork->readAll(QStringLiteral("SELECT K_DATA FROM KATALOGS WHERE K_NAME = ?"), {name});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().first().toString();
}

void makeFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        throw fileError(QStringLiteral("Не удалось создать папку %1"), path);
}

// Writes the pictures and then the marker into the new folder of a save.
void WriteNew(const Places &places, const QString &layoutText, const Layout::Catalog &layout, const Pictures &pictures)
{
    QDir(places.fresh).removeRecursively();
    makeFolder(places.fresh);
    if (!pictures.background.isEmpty())
        PlacePicture(places.folder, places.fresh, Layout::BackgroundFile, pictures.background);
    for (int k = 0; k < layout.textImages.size(); ++k)
        PlacePicture(places.folder, places.fresh, Layout::TextImageFile(k), pictures.textImages.value(k));
    // What would stop the switch after the commit stops the save before it.
    const QFileInfo folder(places.folder);
    if (folder.exists() && (!folder.isDir() || !folder.isWritable()))
        throw fileError(QStringLiteral("Папка каталога %1 недоступна для записи"), places.folder);
    for (const QString &file : QDir(places.fresh).entryList(QDir::Files)) {
        if (QFileInfo(places.folder + QLatin1Char('/') + file).isDir())
            throw fileError(QStringLiteral("Картинку каталога нельзя записать: %1 — папка"), places.folder + QLatin1Char('/') + file);
    }
    WriteFile(places.marker(), layoutText.toUtf8());
    syncFolder(places.fresh);
}

void DropNew(const Places &places)
{
    QDir(places.fresh).removeRecursively();
    places.tidy();
}

// After the commit: the new pictures take the places of the old ones, one move each; run again after an
// interruption, it moves what is left. Files the new layout does not name stay, unread.
void FinishSave(const Places &places)
{
    makeFolder(places.folder);
    const QString marker = QFileInfo(places.marker()).fileName();
    QDir fresh(places.fresh);
    for (const QString &file : fresh.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (file == marker)
            continue;
        beforeWrite(QStringLiteral("move ") + file);
        std::error_code error;
        std::filesystem::rename(fsPath(fresh.filePath(file)), fsPath(places.folder + QLatin1Char('/') + file), error);
        if (error)
            throw DbError(QStringLiteral("Каталог сохранен, но его картинки не перенесены в папку %1 (%2). "
                                         "Они будут перенесены при следующем открытии каталога.")
                              .arg(QDir::toNativeSeparators(places.folder), QString::fromStdString(error.message())));
    }
    syncFolder(places.folder);
    QFile::remove(places.marker());
    QDir().rmdir(places.fresh);
    places.tidy();
}

// After the row is gone: the files of the old folder, then the folder; a folder still holding a
// subfolder or a file that could not be deleted goes back to its place.
void FinishDelete(const Places &places)
{
    QDir old(places.old);
    for (const QString &file : old.entryList(QDir::Files | QDir::Hidden | QDir::System))
        old.remove(file);
    if (!QDir().rmdir(places.old) && !QFileInfo::exists(places.folder))
        QDir().rename(places.old, places.folder);
    places.tidy();
}

// One program at a time changes the files beside a database file: a lock file beside the database,
// taken over when the program that made it is no longer running. Taken again by the same thread
// (a save recovering first), it is the same lock.
class FilesLock
{
public:
    FilesLock(const QString &databasePath, int waitMs)
        : m_path(databasePath + QLatin1String(".catalogs-lock"))
    {
        if (heldPaths().contains(m_path)) {
            ++heldPaths()[m_path];
            return;
        }
        m_lock = std::make_unique<QLockFile>(m_path);
        // Held as long as its program runs, however long a save of large pictures takes.
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(waitMs)) {
            m_error = m_lock->error();
            m_lock.reset();
            return;
        }
        heldPaths()[m_path] = 1;
    }
    ~FilesLock()
    {
        if (m_error == QLockFile::NoError && --heldPaths()[m_path] == 0)
            heldPaths().remove(m_path);
    }
    FilesLock(const FilesLock &) = delete;
    FilesLock &operator=(const FilesLock &) = delete;

    bool held() const { return m_error == QLockFile::NoError; }
    // For a change: the reason it cannot be made now.
    void throwUnlessHeld() const
    {
        if (m_error == QLockFile::LockFailedError)
            throw DbError(QStringLiteral("Каталоги этой базы данных сейчас сохраняет другая программа. Повторите действие позже."));
        if (!held())
            throw fileError(QStringLiteral("Нет доступа на запись к папке %1"), QFileInfo(m_path).absolutePath());
    }

private:
    static QHash<QString, int> &heldPaths()
    {
        thread_local QHash<QString, int> paths;
        return paths;
    }
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QLockFile::LockError m_error = QLockFile::NoError;
};

// How long a change waits for another program's, and a reader for the lock before it reads on.
constexpr int ChangeWaitMs = 5000;
constexpr int ReaderWaitMs = 100;

void recoverHeld(TDModule &module, const QString &database);

QStringList subfolders(const QString &path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}
}

QString NameError(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("Введите имя каталога!");
    if (name == QLatin1String(".") || name == QLatin1String("..") || name.trimmed().isEmpty())
        return QStringLiteral("Имя каталога не может состоять только из точек или пробелов!");
    for (const QChar c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32)
            return QStringLiteral("Имя каталога не может содержать символы / \\ : * ? \" < > |");
    }
    return QString();
}

QString Save(TDModule &module, const QString &name, Layout::Catalog layout, const Pictures &pictures)
{
    const QString nameError = NameError(name);
    if (!nameError.isEmpty())
        throw DbError(nameError);
    if (pictures.textImages.size() != layout.textImages.size())
        throw DbError(QStringLiteral("Число изображений не совпадает с описанием каталога"));

    layout.backgroundFile = pictures.background.isEmpty() ? QString() : Layout::BackgroundFile;
    if (onServer(module)) {
        Transaction transaction(module);
        ensurePicturesTable(module);
        module.exec(QLatin1String("DELETE FROM ") + PicturesTable + QLatin1String(" WHERE KF_KATALOG = ?"), {name});
        const QString insert = QLatin1String("INSERT INTO ") + PicturesTable + QLatin1String(" VALUES (?, ?, ?)");
        if (!pictures.background.isEmpty())
            module.exec(insert, {name, Layout::BackgroundFile, pictures.background});
        for (int k = 0; k < pictures.textImages.size(); ++k)
            module.exec(insert, {name, Layout::TextImageFile(k), pictures.textImages[k]});
        saveRow(module, name, QString(), Layout::Write(layout));
        transaction.commit();
        return QString();
    }
    const QString database = databasePath(module);
    const FilesLock lock(database, ChangeWaitMs);
    lock.throwUnlessHeld();
    recoverHeld(module, database);
    const Places places(database, name);
    const QString layoutText = Layout::Write(layout);
    try {
        WriteNew(places, layoutText, layout, pictures);
        Transaction transaction(module);
        saveRow(module, name, places.folder, layoutText);
        beforeWrite(QStringLiteral("row"));
        transaction.commit();
    } catch (...) {
        DropNew(places);
        throw;
    }
    FinishSave(places);
    return places.folder;
}

std::optional<Stored> Open(TDModule &module, const QString &name)
{
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT K_DATA, K_PATH FROM KATALOGS WHERE K_NAME = ?"), {name});
    if (rows.isEmpty())
        return std::nullopt;
    return Stored{rows.first().at(0).toString(), rows.first().at(1).toString()};
}

Pictures LoadPictures(TDModule &module, const QString &name, const Stored &stored, const Layout::Catalog &layout)
{
    Pictures pictures;
    if (onServer(module)) {
        const QList<QVariantList> tables = module.QRWork->readAll(Engine::TableNamesQuery(EngineKind::Server));
        const bool kept = std::any_of(tables.cbegin(), tables.cend(), [](const QVariantList &row) {
            return row.first().toString().compare(PicturesTable, Qt::CaseInsensitive) == 0;
        });
        QHash<QString, QByteArray> files;
        if (kept) {
            for (const QVariantList &row : module.QRWork->readAll(QLatin1String("SELECT KF_FILE, KF_DATA FROM ") + PicturesTable
                                                                      + QLatin1String(" WHERE KF_KATALOG = ?"),
                                                                  {name}))
                files.insert(row.at(0).toString(), row.at(1).toByteArray());
        }
        if (!layout.backgroundFile.isEmpty())
            pictures.background = files.value(layout.backgroundFile);
        for (int k = 0; k < layout.textImages.size(); ++k)
            pictures.textImages << files.value(Layout::TextImageFile(k));
        return pictures;
    }
    Recover(module);
    QString folder = Places(databasePath(module), name).folder;
    if (!QFileInfo(folder).isDir() && !stored.folder.isEmpty())
        folder = stored.folder;
    if (!layout.backgroundFile.isEmpty())
        pictures.background = ReadPicture(folder + QLatin1Char('/') + layout.backgroundFile);
    for (int k = 0; k < layout.textImages.size(); ++k)
        pictures.textImages << ReadPicture(folder + QLatin1Char('/') + Layout::TextImageFile(k));
    return pictures;
}

QStringList Names(TDModule &module)
{
    Recover(module);
    SharedQuery &work = *module.QRWork;
    work.open(QStringLiteral("SELECT K_NAME FROM KATALOGS ORDER BY K_NAME"));
    QStringList names;
    for (bool more = work.first(); more; more = work.next())
        names << work.asString(QStringLiteral("K_NAME"));
    return names;
}

void Delete(TDModule &module, const QString &name)
{
    if (onServer(module)) {
        Transaction transaction(module);
        ensurePicturesTable(module);
        module.exec(QLatin1String("DELETE FROM ") + PicturesTable + QLatin1String(" WHERE KF_KATALOG = ?"), {name});
        module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
        transaction.commit();
        return;
    }
    const QString database = databasePath(module);
    const FilesLock lock(database, ChangeWaitMs);
    lock.throwUnlessHeld();
    recoverHeld(module, database);
    const Places places(database, name);
    // The folder steps aside before the row goes; it is removed only after the commit.
    const bool hasFolder = storedText(module, name) && QFileInfo(places.folder).isDir();
    bool moved = false;
    try {
        if (hasFolder) {
            makeFolder(places.work + QLatin1String("/old"));
            beforeWrite(QStringLiteral("move folder"));
            if (!QDir().rename(places.folder, places.old))
                throw fileError(QStringLiteral("Не удалось удалить папку каталога %1: она занята или защищена"), places.folder);
            moved = true;
        }
        Transaction transaction(module);
        module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
        beforeWrite(QStringLiteral("row"));
        transaction.commit();
    } catch (...) {
        if (moved)
            QDir().rename(places.old, places.folder);
        places.tidy();
        throw;
    }
    if (moved)
        FinishDelete(places);
}

void Recover(TDModule &module)
{
    if (onServer(module) || !module.connected())
        return;
    const QString database = databasePath(module);
    if (!QFileInfo(Places(database, QString()).work).isDir())
        return;
    // While another program is saving, what lies in the work folder is its own: read on without it.
    const FilesLock lock(database, ReaderWaitMs);
    if (lock.held())
        recoverHeld(module, database);
}

namespace {
void recoverHeld(TDModule &module, const QString &database)
{
    const QString work = Places(database, QString()).work;
    if (!QFileInfo(work).isDir())
        return;
    for (const QString &name : subfolders(work + QLatin1String("/new"))) {
        const Places places(database, name);
        const std::optional<QString> text = storedText(module, name);
        if (text && QFileInfo(places.marker()).isFile() && ReadPicture(places.marker()) == text->toUtf8())
            FinishSave(places);
        else
            DropNew(places);
    }
    for (const QString &name : subfolders(work + QLatin1String("/old"))) {
        const Places places(database, name);
        if (!storedText(module, name))
            FinishDelete(places);
        else if (!QFileInfo::exists(places.folder))
            QDir().rename(places.old, places.folder);
    }
    Places(database, QString()).tidy();
}
}

namespace {
// The pictures of every catalog of the open database written into the work folders of the file `copy`;
// nothing is left there when one fails.
QList<Places> writePicturesFor(TDModule &module, const QString &copy)
{
    QList<Places> written;
    try {
        for (const QString &name : Names(module)) {
            const std::optional<Stored> stored = Open(module, name);
            if (!stored)
                continue;
            const Layout::Catalog layout = Layout::Read(stored->layoutText).catalog;
            written << Places(copy, name);
            WriteNew(written.last(), stored->layoutText, layout, LoadPictures(module, name, *stored, layout));
        }
    } catch (...) {
        for (const Places &places : std::as_const(written))
            DropNew(places);
        throw;
    }
    return written;
}
}

void CopyDatabase(TDModule &module, const QString &source, const QString &target)
{
    const QString copy = QFileInfo(target).absoluteFilePath();
    const FilesLock lock(databasePath(module), ChangeWaitMs);
    lock.throwUnlessHeld();
    const QList<Places> written = writePicturesFor(module, copy);
    try {
        beforeWrite(QStringLiteral("copy"));
        CopyDatabaseFile(source, copy);
    } catch (...) {
        for (const Places &places : written)
            DropNew(places);
        throw;
    }
    for (const Places &places : written)
        FinishSave(places);
}

void CopyPicturesBeside(TDModule &module, const QString &copy)
{
    if (onServer(module))
        return;
    const FilesLock lock(databasePath(module), ChangeWaitMs);
    lock.throwUnlessHeld();
    for (const Places &places : writePicturesFor(module, QFileInfo(copy).absoluteFilePath()))
        FinishSave(places);
}

void CarryPictures(TDModule &source, TDModule &target)
{
    for (const QString &name : Names(source)) {
        const std::optional<Stored> stored = Open(source, name);
        if (!stored)
            continue;
        const Layout::Catalog layout = Layout::Read(stored->layoutText).catalog;
        Save(target, name, layout, LoadPictures(source, name, *stored, layout));
    }
}

QByteArray ReadPicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

}
