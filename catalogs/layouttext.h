#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>
#include <optional>

// The layout text of a catalog: its records, how they are written and read, its colour values, and the
// names of the catalog folder and of its pictures. The designer, the catalog store and the running
// catalog all go through this module; nothing else composes or parses layout text.
namespace Layout {

// A stored colour: $00BBGGRR for a plain colour, $FF0000nn for system colour nn, or one of the two
// special values.
using Color = quint32;

namespace Colors {
constexpr Color Black = 0x00000000;
constexpr Color ScrollBar = 0xFF000000;
constexpr Color Window = 0xFF000005;
constexpr Color WindowText = 0xFF000008;
constexpr Color BtnFace = 0xFF00000F;
constexpr Color None = 0x1FFFFFFF;
constexpr Color Default = 0x20000000;
}

inline const QString DefaultFontName = QStringLiteral("Arial");
constexpr int DefaultFontSize = 8;

// Field labels and text labels: they size themselves to their text, so no size is stored.
struct Label
{
    QString text;   // a field label's text is the field's name
    Color fontColor = Colors::WindowText;
    int fontSize = DefaultFontSize;
    QString fontName = DefaultFontName;
    int left = 0, top = 0;
    bool operator==(const Label &) const = default;
};
using FieldLabel = Label;
using TextLabel = Label;

struct FieldMemo
{
    QString text;   // the field's name
    Color background = Colors::Window;
    Color fontColor = Colors::WindowText;
    int fontSize = DefaultFontSize;
    QString fontName = DefaultFontName;
    int width = 150, height = 100, left = 0, top = 0;
    bool operator==(const FieldMemo &) const = default;
};

struct FieldImage
{
    QString fieldName;
    int width = 150, height = 100, left = 0, top = 0;
    bool operator==(const FieldImage &) const = default;
};

// Its picture is the file TextImageFile(k) of the catalog folder, k being its place in its list.
struct TextImage
{
    int width = 150, height = 100, left = 0, top = 0;
    bool operator==(const TextImage &) const = default;
};

// A rectangle frame, a horizontal or a vertical line: which one follows from its size and pen width.
struct Frame
{
    Color penColor = Colors::Black;
    int penWidth = 1;
    int width = 65, height = 65, left = 0, top = 0;
    bool operator==(const Frame &) const = default;
};

struct ReferenceList
{
    Color background = Colors::Window;
    Color fontColor = Colors::WindowText;
    int fontSize = DefaultFontSize;
    QString fontName = DefaultFontName;
    int width = 185, height = 89, left = 0, top = 0;
    bool operator==(const ReferenceList &) const = default;
};

// A whole layout; each list holds its elements in creation order.
struct Catalog
{
    // The background picture's file in the catalog folder; empty when the layout has none. Written
    // always as BackgroundFile.
    QString backgroundFile;
    QList<bool> columns;   // visibility of the object grid's columns, by position
    QList<FieldLabel> fieldLabels;
    QList<TextLabel> textLabels;
    QList<FieldMemo> memos;
    QList<FieldImage> fieldImages;
    QList<TextImage> textImages;
    QList<Frame> frames;
    QList<ReferenceList> referenceLists;
    bool operator==(const Catalog &) const = default;
};

// The text of a layout: lines ended by CR LF. Field labels with an empty text are left out.
QString Write(const Catalog &catalog);

// Reading stops at the first line that cannot be read; `catalog` then holds what was read before it
// and `error` says what is wrong (empty when the whole text was read).
struct ReadResult
{
    Catalog catalog;
    QString error;
};
ReadResult Read(const QString &text);

// The section markers in their order, "%Background%" to "%End%"; a text equal to one of them cannot be
// stored as a free text.
const QStringList &Markers();
bool IsMarker(const QString &line);

// Colours as the layout writes them: the colour's name when one of the 52 named colours has this value,
// else "$" and 8 upper-case hexadecimal digits. Reading takes a name in any letter case, a decimal number
// or "$" and hexadecimal digits.
QString ColorText(Color color);
std::optional<Color> ParseColor(const QString &text);
// The colour on screen: a system colour takes the nearest role of `palette`; clDefault takes
// `defaultRole`, clNone is transparent.
QColor ToQColor(Color color, QPalette::ColorRole defaultRole = QPalette::WindowText,
                const QPalette &palette = QGuiApplication::palette());
// A colour chosen by the user as a plain stored colour (transparent gives clNone).
Color FromQColor(const QColor &color);

// The catalog folder beside the database file: the database path with its fourth character from the
// end replaced by "_", then "_" and the catalog name (D:/Data/Shop.mdb, Main -> D:/Data/Shop_mdb_Main).
QString CatalogFolder(const QString &databasePath, const QString &name);
inline const QString BackgroundFile = QStringLiteral("Background.jpg");
// The picture file of the text image at position k of its list.
QString TextImageFile(int k);

}
