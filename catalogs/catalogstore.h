#pragma once

#include "catalogs/layouttext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TDModule;

// Saved catalogs without widgets: one KATALOGS row each plus its pictures — in the catalog folder beside
// a database file, or in the database itself on a server, where every user's program reads them.
// Failures of the database or the file system throw DbError.
namespace CatalogStore {

// The JPEG data of a layout's pictures, exactly as read from the files the user chose.
struct Pictures
{
    QByteArray background;               // empty: no background picture
    QList<QByteArray> textImages;        // one per text image of the layout, in its order
};

// Why a name cannot be a catalog name (it becomes part of a folder name); empty when it can.
QString NameError(const QString &name);

// Writes the pictures into the catalog folder, then replaces the row of that name in one transaction, so
// a failed picture write leaves the old row in place; on a server, pictures and row in one transaction.
// Returns the folder (empty on a server).
QString Save(TDModule &module, const QString &name, Layout::Catalog layout, const Pictures &pictures);

struct Stored
{
    QString layoutText;
    QString folder;
};
// The row of that name; nothing when there is none.
std::optional<Stored> Open(TDModule &module, const QString &name);

// The pictures of the stored catalog `name` with this layout; a picture that is missing is empty.
Pictures LoadPictures(TDModule &module, const QString &name, const Stored &stored, const Layout::Catalog &layout);

// The names in K_NAME order.
QStringList Names(TDModule &module);

// Deletes the files of the catalog's folder and the folder (a folder still holding a subfolder or a file
// that could not be deleted stays), then the row.
void Delete(TDModule &module, const QString &name);

// After the database was copied into `target` of another engine (a file uploaded to a server, a server
// database saved as a file): each catalog's pictures go where the target keeps them.
void CarryPictures(TDModule &source, TDModule &target);

// The bytes of a picture file; empty when it is missing or cannot be read.
QByteArray ReadPicture(const QString &path);

}
