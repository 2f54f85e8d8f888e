#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// System/Options.txt: ten lines, nine yes/no values and the password at line 6, the display format at line 10.
namespace Options {
constexpr int LineCount = 10;
constexpr int PasswordLine = 6;     // 1-based
constexpr int DisplayFormatLine = 10;

// "-1"/"0"/any integer (0 = no) and True/False in any letter case.
bool ParseYesNo(const QString &text, bool *ok);

struct Parsed
{
    // Values of the lines read successfully, in order: bool for yes/no lines, QString for the password,
    // int for the display format. Fewer than ten when a line was missing or invalid.
    QVector<QVariant> values;
    QString error;   // why reading stopped early; empty when all ten were read
};
Parsed Parse(const QStringList &lines);

// The text to write: the ten values replace the first ten lines; lines after them are kept.
QStringList Compose(const QVector<QVariant> &values, const QStringList &linesAsRead);

QStringList InitialLines();   // the values a fresh installation starts with

// Settings added after the ten lines: each a line "name=value" after them, in any order. A file of an
// earlier version has none and reads with the defaults; an earlier version keeps these lines as it keeps
// every line after the ten.
struct Keeping
{
    int snapshotsKept = 10;          // snapshots kept beside a database file
    int snapshotProgressMiB = 50;    // a larger file is copied with a progress window
    int recycleBinDays = 30;         // days the recycle bin keeps deleted objects
};
// The limits of each value, for reading and for the settings window.
constexpr int MaxSnapshotsKept = 1000;
constexpr int MaxSnapshotProgressMiB = 1024 * 1024;
constexpr int MaxRecycleBinDays = 36500;

struct ParsedKeeping
{
    Keeping values;   // the defaults where a line is missing or wrong
    QString error;    // the first wrong line; empty when none
};
ParsedKeeping ParseKeeping(const QStringList &lines);
// Whether a line after the ten is one of the keeping settings.
bool IsKeepingLine(const QString &line);
// `lines` with the keeping settings written in: their lines replaced where present, added after the
// ten lines otherwise; every other line stays.
QStringList ComposeKeeping(const Keeping &keeping, const QStringList &lines);

// The exhibition kiosk: a catalog the program starts straight into, and how it behaves in a hall. Kept
// after the ten lines like the keeping settings.
struct Kiosk
{
    bool startCatalog = false;      // start straight into the catalog below
    QString startCatalogFile;       // kept while the choice is off, so turning it on again needs no new choice
    QString startCatalogName;
    int idleMinutes = 3;            // 0 = never return to the start
    int slideSeconds = 0;           // 0 = no slideshow after the return
    bool passwordStopsSession = false;
    bool operator==(const Kiosk &) const = default;
};
constexpr int MaxKioskIdleMinutes = 24 * 60;
constexpr int MaxKioskSlideSeconds = 60 * 60;

struct ParsedKiosk
{
    Kiosk values;     // the defaults where a line is missing or wrong
    QString error;    // the first wrong line; empty when none
};
ParsedKiosk ParseKiosk(const QStringList &lines);
bool IsKioskLine(const QString &line);
// `lines` with the kiosk settings written in, as ComposeKeeping does; a file that never had them stays
// without them while they are the defaults. The file and catalog name are written
// as they are; a line break in them cannot be kept in a line and is refused before this (see
// KioskTextError).
QStringList ComposeKiosk(const Kiosk &kiosk, const QStringList &lines);
// Why the file or catalog name cannot be kept in the settings file; empty when it can.
QString KioskTextError(const Kiosk &kiosk);

// How a picture the user chooses or imports is stored: as chosen, or shrunk when its long side is above
// `longSide` pixels (written as JPEG of `quality`). Kept after the ten lines like the keeping settings.
struct PictureStoring
{
    bool shrink = false;
    int longSide = 3000;
    int quality = 90;
    bool operator==(const PictureStoring &) const = default;
};
constexpr int MinPictureLongSide = 100;
constexpr int MaxPictureLongSide = 30000;
constexpr int MinPictureQuality = 1;
constexpr int MaxPictureQuality = 100;

struct ParsedPictureStoring
{
    PictureStoring values;   // the defaults where a line is missing or wrong
    QString error;           // the first wrong line; empty when none
};
ParsedPictureStoring ParsePictureStoring(const QStringList &lines);
bool IsPictureStoringLine(const QString &line);
// `lines` with the picture settings written in, as ComposeKiosk does.
QStringList ComposePictureStoring(const PictureStoring &storing, const QStringList &lines);

// Whether a line after the ten is a named setting (the other lines there are the recent databases).
bool IsNamedSettingLine(const QString &line);
}
