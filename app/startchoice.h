#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class TDModule;

// What a run of the program starts with: the designer, or straight a catalog of a database file (asked
// for on the command line or chosen in the settings). No windows here.
namespace StartChoice {

// The exit code of a kiosk run whose right exit password ends the kiosk session: whatever watches the
// session stops instead of starting the program again.
constexpr int StopSessionExitCode = 75;

struct CatalogRun
{
    QString catalog;
    QString file;
    bool kiosk = false;   // started by the kiosk session
};

struct CommandLine
{
    std::optional<CatalogRun> run;   // --catalog NAME FILE
    bool kiosk = false;              // --kiosk
    QString error;                   // a command line the program does not understand, in Russian
};
// `arguments` as the application got them, the program's own name first.
CommandLine ParseCommandLine(const QStringList &arguments);

// The catalog to start: the command line's, else the one the settings choose (`file` empty: none). A
// --kiosk alone runs the settings' catalog as a kiosk run. Nothing: the designer.
std::optional<CatalogRun> Choose(const CommandLine &commandLine, const QString &settingsFile, const QString &settingsCatalog);

// Opens the run's file in `module` only to read it (nothing is written into it or beside it) and checks
// that it holds the catalog. The reason in Russian when the catalog cannot be run; the module is closed then.
QString OpenForRun(TDModule &module, const CatalogRun &run);

// The catalogs of a database file, read without changing it. Throws DbError with the reason.
QStringList CatalogNamesOf(const QString &file);

}
