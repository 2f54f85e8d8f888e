#include "catalogs/catalogstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>

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

void saveRow(TDModule &module, const QString &name, const QString &folder, const Layout::Catalog &layout)
{
    module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
    const QString id = module.GenID(QStringLiteral("KATALOGS"));
    module.exec(QStringLiteral("INSERT INTO KATALOGS VALUES (?, ?, ?, ?)"),
                {id.toLongLong(), name, folder, Layout::Write(layout)});
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
    const QString nameError = NameError(name);
    if (!nameError.isEmpty())
        throw DbError(nameError);
    if (pictures.textImages.size() != layout.textImages.size())
        throw DbError(QStringLiteral("Число изображений не совпадает с описанием каталога"));

    layout.backgroundFile = pictures.background.isEmpty() ? QString() : Layout::BackgroundFile;
    QString folder;
    if (onServer(module)) {
        Transaction transaction(module);
        ensurePicturesTable(module);
        module.exec(QLatin1String("DELETE FROM ") + PicturesTable + QLatin1String(" WHERE KF_KATALOG = ?"), {name});
        const QString insert = QLatin1String("INSERT INTO ") + PicturesTable + QLatin1String(" VALUES (?, ?, ?)");
        if (!pictures.background.isEmpty())
            module.exec(insert, {name, Layout::BackgroundFile, pictures.background});
        for (int k = 0; k < pictures.textImages.size(); ++k)
            module.exec(insert, {name, Layout::TextImageFile(k), pictures.textImages[k]});
        saveRow(module, name, folder, layout);
        transaction.commit();
        return folder;
    }
    const QString databasePath = QFileInfo(module.database().databaseName()).absoluteFilePath();
    folder = Layout::CatalogFolder(databasePath, name);
    // That the folder exists already is no error; that it cannot be written shows at the first file.
    QDir().mkpath(folder);
    if (!pictures.background.isEmpty())
        WriteFile(folder + QLatin1Char('/') + Layout::BackgroundFile, pictures.background);
    for (int k = 0; k < pictures.textImages.size(); ++k)
        WriteFile(folder + QLatin1Char('/') + Layout::TextImageFile(k), pictures.textImages[k]);

    Transaction transaction(module);
    saveRow(module, name, folder, layout);
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
    if (!layout.backgroundFile.isEmpty())
        pictures.background = ReadPicture(stored.folder + QLatin1Char('/') + layout.backgroundFile);
    for (int k = 0; k < layout.textImages.size(); ++k)
        pictures.textImages << ReadPicture(stored.folder + QLatin1Char('/') + Layout::TextImageFile(k));
    return pictures;
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
    if (onServer(module)) {
        ensurePicturesTable(module);
        module.exec(QLatin1String("DELETE FROM ") + PicturesTable + QLatin1String(" WHERE KF_KATALOG = ?"), {name});
    }
    module.exec(QStringLiteral("DELETE FROM KATALOGS WHERE K_NAME = ?"), {name});
    transaction.commit();
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
