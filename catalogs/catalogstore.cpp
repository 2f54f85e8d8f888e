#include "catalogs/catalogstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace CatalogStore {

namespace {
void WriteFile(const QString &path, const QByteArray &data)
{
    // Saving again writes the same pictures: a file that holds them already is left as it is.
    if (QFileInfo(path).size() == data.size() && ReadPicture(path) == data)
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw DbError(QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
}

// A folder is emptied only when it is this catalog's own folder: a damaged K_PATH must not make the
// program delete the files of some other folder.
bool IsCatalogFolder(const QString &folder, const QString &name)
{
    const QString folderName = QFileInfo(folder).fileName();
    return !name.isEmpty() && folderName.endsWith(QLatin1Char('_') + name) && folderName.size() > name.size() + 1;
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
    // A catalog's pictures live in a folder beside the database file; a server database has no such place.
    if (module.engine() == EngineKind::Server)
        throw DbError(QStringLiteral("Каталоги базы данных на сервере пока не сохраняются: их изображения хранятся "
                                     "в папке рядом с файлом базы данных."));
    const QString nameError = NameError(name);
    if (!nameError.isEmpty())
        throw DbError(nameError);
    if (pictures.textImages.size() != layout.textImages.size())
        throw DbError(QStringLiteral("Число изображений не совпадает с описанием каталога"));

    const QString databasePath = QFileInfo(module.database().databaseName()).absoluteFilePath();
    const QString folder = Layout::CatalogFolder(databasePath, name);
    // That the folder exists already is no error; that it cannot be written shows at the first file.
    QDir().mkpath(folder);
    layout.backgroundFile.clear();
    if (!pictures.background.isEmpty()) {
        WriteFile(folder + QLatin1Char('/') + Layout::BackgroundFile, pictures.background);
        layout.backgroundFile = Layout::BackgroundFile;
    }
    for (int k = 0; k < pictures.textImages.size(); ++k)
        WriteFile(folder + QLatin1Char('/') + Layout::TextImageFile(k), pictures.textImages[k]);

    Transaction transaction(module);
    module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
    const QString id = module.GenID(QStringLiteral("KATALOGS"));
    module.exec(QStringLiteral("INSERT INTO KATALOGS VALUES (?, ?, ?, ?)"),
                {id.toLongLong(), name, folder, Layout::Write(layout)});
    transaction.commit();
    return folder;
}

std::optional<Stored> Open(TDModule &module, const QString &name)
{
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT K_DATA, K_PATH FROM KATALOGS WHERE K_NAME = ?"), {name});
    if (rows.isEmpty())
        return std::nullopt;
    return Stored{rows.first().at(0).toString(), rows.first().at(1).toString()};
}

QStringList Names(TDModule &module)
{
    SharedQuery &work = *module.QRWork;
    work.open(QStringLiteral("SELECT K_NAME FROM KATALOGS ORDER BY K_NAME"));
    QStringList names;
    for (bool more = work.first(); more; more = work.next())
        names << work.asString(QStringLiteral("K_NAME"));
    return names;
}

void Delete(TDModule &module, const QString &name)
{
    const std::optional<Stored> stored = Open(module, name);
    if (stored && !stored->folder.isEmpty() && IsCatalogFolder(stored->folder, name)) {
        QDir dir(stored->folder);
        const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &file : files)
            dir.remove(file);
        // Fails, and leaves the folder, while a subfolder or an undeletable file remains.
        QDir().rmdir(stored->folder);
    }
    Transaction transaction(module);
    module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
    transaction.commit();
}

QByteArray ReadPicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

}
