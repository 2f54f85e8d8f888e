#pragma once

#include "fields/fieldkind.h"
#include "settings/options.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class TDModule;

// Objects from a folder of photographs: every picture file of the folder becomes one new object holding
// the picture, named after the file, with the day the photograph was taken.

// A picture file as the folder's reading found it; its size and time of change tell the import whether
// it is still the file the user saw in the preview.
struct PictureFile
{
    QString path;
    qint64 size = 0;
    qint64 modified = 0;   // ms since the epoch
};

// A file of the folder that is not added, and why, in words for the user.
struct SkippedFile
{
    QString fileName;
    QString reason;
};

struct FolderScan
{
    QString folder;
    int files = 0;                  // every file looked at
    QList<PictureFile> pictures;    // in the order of their names, numbers in them by value
    QList<SkippedFile> skipped;     // no pictures, damaged pictures, unreadable files, in the same order
    bool cancelled = false;         // stopped by the user: the scan is incomplete
};

// Reads every file of the folder (not of its subfolders) and tells by its content whether it is a
// picture the program can show; a damaged picture (a file cut short) is listed with the others left out. `progress` gets the files
// done and their number; answering false stops the scan (cancelled).
FolderScan ScanPictureFolder(const QString &folder, const std::function<bool(int done, int total)> &progress = {});

// The fields that can take each part: pictures, names (strings and long texts), days (dates).
QList<DescriptionField> PictureFieldsOf(const QList<DescriptionField> &fields);
QList<DescriptionField> NameFieldsOf(const QList<DescriptionField> &fields);
QList<DescriptionField> DateFieldsOf(const QList<DescriptionField> &fields);

// The fields the import fills; no name or no date field leaves that part empty.
struct PhotoImportFields
{
    DescriptionField picture;
    std::optional<DescriptionField> name;
    std::optional<DescriptionField> date;
};

// The fields the editor requires filled that the import leaves empty: every required one but the name
// field, in the order of `fields`. Objects so added are stored; the editor saves them again only once filled.
QList<DescriptionField> RequiredFieldsLeftEmpty(const QList<DescriptionField> &fields, const PhotoImportFields &chosen);

// What the import will do: the pictures to add and every file left out. A picture whose name the name
// field cannot hold whole is left out with the reason, never added with its name cut.
struct PhotoImportPlan
{
    QString folder;
    QList<PictureFile> adding;
    QList<SkippedFile> skipped;
};
PhotoImportPlan PlanPhotoImport(const FolderScan &scan, const PhotoImportFields &fields);

// The name an object takes from its picture file: the file name without its last extension.
QString NameFromFile(const QString &path);

// The day a photograph was taken: its EXIF DateTimeOriginal when the bytes hold a valid one, else the
// local day of `modified` (the file's time of change, ms since the epoch).
QDate DayTaken(const QByteArray &bytes, qint64 modified);

// Adds one object per picture of the plan as one transaction: the picture as `storing` keeps it, the
// name and the day in their fields, every other field empty. `progress` gets the pictures done and their
// number; answering false stops, and nothing is added. Returns the objects added (0 when stopped).
// Throws DbError, nothing added, when a file is gone or changed since the plan was made, or the database
// refuses.
int AddPhotoObjects(TDModule &module, const PhotoImportPlan &plan, const PhotoImportFields &fields,
                    const Options::PictureStoring &storing,
                    const std::function<bool(int done, int total)> &progress = {});
