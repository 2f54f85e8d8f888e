#include "app/startchoice.h"

#include "core/dberror.h"
#include "core/dmodule.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace StartChoice {

namespace {
const QString Usage = QStringLiteral("Запуск каталога: virandel --catalog НАЗВАНИЕ ФАЙЛ.mdb [--kiosk]");

QString wrong(const QString &why)
{
    return QStringLiteral("Неверная командная строка: %1\n%2").arg(why, Usage);
}

// Catalogs are read straight from the table: the listing of the catalog store would first finish an
// interrupted save beside the file, and a file opened only to read is left as it is.
bool holdsCatalog(TDModule &module, const QString &name)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT K_NAME FROM KATALOGS WHERE K_NAME = ?"), {name}).isEmpty();
}
}

CommandLine ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption catalog(QStringLiteral("catalog"), QString(), QStringLiteral("НАЗВАНИЕ"));
    const QCommandLineOption kiosk(QStringLiteral("kiosk"));
    parser.addOption(catalog);
    parser.addOption(kiosk);
    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = wrong(parser.errorText());
        return result;
    }
    result.kiosk = parser.isSet(kiosk);
    const QStringList files = parser.positionalArguments();
    if (!parser.isSet(catalog)) {
        if (!files.isEmpty())
            result.error = wrong(QStringLiteral("не указан каталог (--catalog) для файла %1.").arg(files.first()));
        return result;
    }
    if (parser.values(catalog).size() > 1)
        result.error = wrong(QStringLiteral("каталог указан несколько раз."));
    else if (parser.value(catalog).isEmpty())
        result.error = wrong(QStringLiteral("не указано название каталога."));
    else if (files.size() != 1)
        result.error = wrong(files.isEmpty() ? QStringLiteral("не указан файл базы данных.")
                                             : QStringLiteral("указано несколько файлов базы данных."));
    if (result.error.isEmpty())
        result.run = CatalogRun{parser.value(catalog), QFileInfo(files.first()).absoluteFilePath(), result.kiosk};
    return result;
}

std::optional<CatalogRun> Choose(const CommandLine &commandLine, const QString &settingsFile, const QString &settingsCatalog)
{
    if (commandLine.run)
        return commandLine.run;
    if (!settingsFile.isEmpty())
        return CatalogRun{settingsCatalog, settingsFile, commandLine.kiosk};
    if (commandLine.kiosk)
        return CatalogRun{QString(), QString(), true};   // refused by OpenForRun: nothing to run
    return std::nullopt;
}

QString OpenForRun(TDModule &module, const CatalogRun &run)
{
    if (run.file.isEmpty())
        return QStringLiteral("Каталог не запущен: в настройках программы не выбран каталог для запуска.");
    if (!QFileInfo(run.file).isFile())
        return QStringLiteral("Каталог не запущен: файл базы данных «%1» не найден.").arg(run.file);
    try {
        module.OpenReadOnly(run.file);
        if (!holdsCatalog(module, run.catalog)) {
            module.CloseConnection();
            return QStringLiteral("Каталог не запущен: в базе данных «%1» нет каталога «%2».").arg(run.file, run.catalog);
        }
    } catch (const DbError &error) {
        module.CloseConnection();
        return QStringLiteral("Каталог не запущен: файл базы данных «%1» не удалось открыть. %2").arg(run.file, error.message());
    }
    return {};
}

QStringList CatalogNamesOf(const QString &file)
{
    TDModule reader;
    reader.OpenReadOnly(file);
    QStringList names;
    for (const QVariantList &row : reader.QRWork->readAll(QStringLiteral("SELECT K_NAME FROM KATALOGS ORDER BY K_NAME")))
        names << row.first().toString();
    return names;
}

}
