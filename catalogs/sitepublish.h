#pragma once

#include "catalogs/website.h"

#include <QList>
#include <QString>
#include <functional>

class TDModule;

// Publishing a catalog as a website into a folder, without widgets. The new site is built in a sibling
// folder of the target (same file system) and takes the target's place only once it is whole: a
// failed, stopped or killed publishing leaves the earlier site as it was, and the next publishing
// clears what a killed one left. Files that did not change are carried over from the earlier site
// (hard links where the file system has them), so their file times stay.
namespace SitePublish {

// The file every site of the program holds: its first line tells the folder is such a site, the other
// lines name every file the program wrote there. Only a folder holding it (or an empty one) is written.
inline const QString MarkerFile = QStringLiteral("site-contents.txt");

struct Result
{
    bool stopped = false;   // stopped by the user: the earlier site (if any) is as it was
    QString error;          // a plain Russian message; empty when the new site is in place
    int objects = 0, pictures = 0, picturesMade = 0;
    int filesWritten = 0;   // files of the site written anew (new or changed)
    int filesKept = 0;      // files carried over unchanged from the earlier site
    int filesRemoved = 0;   // files of the earlier site that are no longer part of it
    qint64 bytes = 0;       // the size of the whole site
    QString indexPath;      // the site's start page
};

using Progress = std::function<bool(int done, int total)>;
// What writes the site's files into the sink (the site generator).
using Generator = std::function<WebSite::Result(WebSite::Sink &sink, const Progress &progress)>;

// Why the site of the open database cannot be published into `target`; empty when it can. Refused: a
// folder that is neither empty nor an earlier site of the program (or one where files were added),
// the catalog folders and the other files kept beside the database file, the root of a drive, and a
// place that cannot be written.
QString TargetError(TDModule &module, const QString &target);

// Publishes catalog `catalogName` with the objects `objectIds` in that order into `target`.
// `progress(done, total)` answers false to stop. Never throws: every failure comes back in `error`.
Result Publish(TDModule &module, const QString &catalogName, const QList<qint64> &objectIds,
               const WebSite::Options &options, const QString &target, const Progress &progress);

// The same with the site's files coming from `generate`.
Result PublishWith(TDModule &module, const QString &target, const Generator &generate, const Progress &progress);

// For fault tests: called before each file written into the new site (its path in the site) and before
// the steps of the replacing: "in" (the new site takes the name), "exchange" (both swapped at once; failing,
// the two renames are used), "aside" (the earlier site renamed aside, before the second "in"). What it
// throws makes that step fail.
extern std::function<void(const QString &step)> BeforeWrite;

}
