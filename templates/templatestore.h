#pragma once

#include "core/databasecopy.h"
#include "core/engine.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TDModule;

// Templates without windows: the list System/Samples.txt, the files Samples/{name}.mdb, new databases
// made from Samples/Empty.mdb or a template, and the saving, renaming and deleting of templates.
// A user error is reported by the ...Problem functions as the text to show; the operations check the
// same rules again and throw DbError with that text, or with the reason a file operation failed.
// A template is never changed or deleted unless its own copy was made first. Samples/Empty.mdb is never
// a template, whatever the list says.
namespace TemplateStore {

// The ready template shipped with the program.
inline const QString ExampleName = QStringLiteral("Пример");
// The longest name the name boxes accept.
constexpr int NameLimit = 50;

QString ListPath(const QString &programFolder);
QString EmptyDatabasePath(const QString &programFolder);
QString TemplatePath(const QString &programFolder, const QString &name);
// The file of a listed template to make a database from; throws DbError when the name is no file name.
QString TemplateSource(const QString &programFolder, const QString &name);

// The names in file order; a missing list file is an empty list.
QStringList ReadNames(const QString &programFolder);
void WriteNames(const QString &programFolder, const QStringList &names);

// The file a new database is written to: ".mdb" is appended unless the name ends in exactly ".mdb".
QString NewDatabaseFileName(const QString &chosen);
// Throws DbError in Russian unless `source` passes the checks of opening a database (it is only read):
// a file that is no database of the program never becomes a new database.
void CheckSource(const QString &source);
// Why a new database cannot be written at `target`; an empty text when it can. The Samples folder
// keeps the empty database and the templates, which a new database never replaces.
QString TargetProblem(const QString &programFolder, const QString &target);
// A new database at `target` as a copy of `source`, checked first; an existing target is replaced (the
// caller asks the user), but only by a complete copy of a source that passed the check.
void CreateDatabase(const QString &programFolder, const QString &source, const QString &target);

// Why a name cannot be a template's new name; an empty text when it can. `current` is the template
// being renamed (empty when saving a new one). An empty name is refused with `emptyMessage`.
QString NameProblem(const QString &programFolder, const QStringList &names, const QString &name,
                    const QString &emptyMessage, const QString &current = QString());
QString SaveProblem(const QString &programFolder, const QStringList &names, const QString &name);
QString RenameProblem(const QString &programFolder, const QStringList &names, const QString &oldName,
                      const QString &newName);

struct StripChoice
{
    bool objects = false;   // objects and their links
    bool books = false;     // generated reference books (and every link)
};

// What saving a template left out that the user may not expect: a template never keeps catalogs.
struct SavedTemplate
{
    QStringList catalogsLeftOut;   // the names of the catalogs of the database saved
};

// Empties what a template never keeps (catalogs) and what the choice says, as one transaction on the
// database open in `module`. Tells which catalogs it removed.
SavedTemplate StripTemplateCopy(TDModule &module, StripChoice choice);

// Opens a database file in the program; false when it could not be opened (the opener tells the user).
using DatabaseOpener = std::function<bool(const QString &path)>;

// Saves the database `current` as template `name`: copies it, opens the copy, strips it, opens `current`
// again, and only then gives the copy the template's file name and lists the name last (until then the
// copy's name is no template's). When any step fails the copy is removed, the name is not listed and
// `current` is open again if it can be; the error says what failed.
SavedTemplate SaveTemplate(TDModule &module, const QString &programFolder, const QString &name, const QString &current,
                  StripChoice choice, const DatabaseOpener &open);

// Saves the server database open in `module` as template `name`: a file like any other, made by copying
// the database into it and stripping the copy through a connection of its own, then named and listed
// last as a file's template is.
// `module` stays open and is only read. Returns nothing when stopped through `progress`. When stopped or
// failing no template file is left and the name is not listed; the error says what failed.
std::optional<SavedTemplate> SaveServerTemplate(TDModule &module, const QString &programFolder, const QString &name, StripChoice choice,
                        const DatabaseCopy::Progress &progress = {});

// A new database on a server as a copy of the database file `source` (a template), which is only read.
// Returns false when stopped through `progress`. When stopped or failing nothing of the new database
// remains (an empty database the administrator made stays, empty); throws DbError in Russian.
bool CreateServerDatabaseFrom(const QString &source, const ServerConnection &target,
                              const DatabaseCopy::Progress &progress = {});

// At start: the copies of saves cut short (the program ended in the middle) are removed, and a complete
// copy that took its name before the name was listed is listed. Saves under way in a program still
// running are left alone. Never throws.
void FinishInterruptedSaves(const QString &programFolder) noexcept;

// Renames a template's file and its line, which keeps its place.
void RenameTemplate(const QString &programFolder, const QString &oldName, const QString &newName);
// Deletes a template's line and its file (the file stays while another line still names it).
void DeleteTemplate(const QString &programFolder, const QString &name);

}
