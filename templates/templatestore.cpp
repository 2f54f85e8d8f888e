#include "templates/templatestore.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "objects/searchindex.h"
#include "references/referencestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

void requireFileName(const QString &name)
{
    if (!IsFileName(name))
        throw DbError(QStringLiteral("«%1» не может быть именем файла шаблона.").arg(name));
}

QString notSaved(const QString &why)
{
    return QStringLiteral("Шаблон не сохранен: %1").arg(why);
}
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

void CreateDatabase(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        throw DbError(QStringLiteral("Файл %1 не найден: новая база данных не создана.").arg(QDir::toNativeSeparators(source)));
    CopyDatabaseFile(source, target);
}

QString NameProblem(const QString &programFolder, const QStringList &names, const QString &name,
                    const QString &emptyMessage, const QString &current)
{
    if (name.isEmpty())
        return emptyMessage;
    if (names.contains(name))
        return Exists;
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
    QStringList names = ReadNames(programFolder);
    const QString problem = SaveProblem(programFolder, names, name);
    if (!problem.isEmpty())
        throw DbError(problem);
    if (!QFileInfo(current).isFile())
        throw DbError(QStringLiteral("Файл базы данных %1 не найден: шаблон не сохранен.").arg(QDir::toNativeSeparators(current)));
    const QString path = TemplatePath(programFolder, name);
    QDir(programFolder).mkpath(QStringLiteral("Samples"));
    CopyDatabaseFile(current, path);

    // Every failure from here on removes the copy; the user's database is opened again first, which also
    // closes the copy.
    const auto fail = [&](const QString &why) {
        const bool reopened = open(current);
        if (!reopened)
            module.CloseConnection();
        QFile::remove(path);
        QString text = notSaved(why);
        if (!reopened)
            text += QStringLiteral(" База данных %1 не открыта.").arg(QDir::toNativeSeparators(current));
        throw DbError(text);
    };
    if (!open(path))
        fail(QStringLiteral("не удается открыть копию базы данных."));
    SavedTemplate saved;
    try {
        saved = StripTemplateCopy(module, choice);
    } catch (const DbError &error) {
        fail(error.message());
    }
    if (!open(current)) {
        module.CloseConnection();
        QFile::remove(path);
        throw DbError(QStringLiteral("Шаблон не сохранен: не удается снова открыть базу данных %1.")
                          .arg(QDir::toNativeSeparators(current)));
    }
    names << name;
    try {
        WriteNames(programFolder, names);
    } catch (const DbError &error) {
        QFile::remove(path);
        throw DbError(notSaved(error.message()));
    }
    return saved;
}

std::optional<SavedTemplate> SaveServerTemplate(TDModule &module, const QString &programFolder, const QString &name,
                                                StripChoice choice, const DatabaseCopy::Progress &progress)
{
    QStringList names = ReadNames(programFolder);
    const QString problem = SaveProblem(programFolder, names, name);
    if (!problem.isEmpty())
        throw DbError(problem);
    const QString path = TemplatePath(programFolder, name);
    QDir(programFolder).mkpath(QStringLiteral("Samples"));
    bool copied = false;
    try {
        copied = DatabaseCopy::ToFile(module, path, progress);
    } catch (const DbError &error) {
        throw DbError(notSaved(error.message()));
    }
    if (!copied)
        return std::nullopt;
    // The copy holds no catalog pictures (a file keeps them in folders, and none are carried over); the
    // stripping removes the catalogs themselves.
    SavedTemplate saved;
    try {
        {
            TDModule copy;
            copy.OpenConnection(path);
            saved = StripTemplateCopy(copy, choice);
        }
        names << name;
        WriteNames(programFolder, names);
    } catch (const DbError &error) {
        RemoveDatabaseFile(path);
        throw DbError(notSaved(error.message()));
    }
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
    // A line that is no file name never leads to a file outside the Samples folder.
    if (!IsFileName(name) || names.contains(name))
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
