#pragma once

#include "catalogs/layouttext.h"

#include <QByteArray>
#include <QSize>
#include <QList>
#include <QString>
#include <functional>

class TDModule;

// A catalog published as a static website: index.html with the grid of the objects, one page per object
// laid out as the running catalog's panel shows it, the style, the script and the pictures. Works opened
// from a folder (no server, nothing from outside) and from any static web server.
namespace WebSite {

// Where a publishing puts its files: paths relative to the site's root, '/' separated, made only of
// [a-z0-9._-] and '/' so they are safe on every system.
class Sink
{
public:
    virtual ~Sink() = default;
    // Whether an earlier publishing left exactly this picture file: pictures are named by a hash of
    // what they are made from (source bytes and the size asked), so one found here is not made again.
    virtual bool hasPicture(const QString &path) const = 0;
    // Takes the whole content of one file (the sink decides whether it differs from the old one).
    virtual void put(const QString &path, const QByteArray &bytes) = 0;
};

struct Options
{
    bool originalPictures = false;   // pictures at their own size instead of web-sized JPEGs
    // How the filter names book entries, as the settings' display format: 0 NAME (CODE), 1 CODE - NAME, 2 NAME.
    int entryFormat = 0;
};

// The panel a page is laid out on: that of the running catalog on a 1920 × 1080 screen, made larger where
// an element of the layout reaches beyond it. The background is stretched over it, as on the panel.
QSize PagePanelSize(const Layout::Catalog &layout);

struct Result
{
    bool stopped = false;   // progress said stop: the sink holds a partial site, to be thrown away
    QString error;          // a plain Russian message; empty when the site is complete
    int objects = 0, pictures = 0, picturesMade = 0;
};

// Writes the whole site of catalog `catalogName` for the objects `objectIds` in that order: index.html,
// one page per object, the style, the script, the pictures. `progress(done, total)` is called at least
// once per object and returns false to stop. Database failures come back in `error`, never thrown.
Result Generate(TDModule &module, const QString &catalogName, const QList<qint64> &objectIds,
                const Options &options, Sink &sink, const std::function<bool(int done, int total)> &progress);

}
