#pragma once

#include "catalogs/layouttext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
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

// Replaces the catalog of that name, row and pictures together. Beside a file the pictures are written
// into a folder of their own first, the row is replaced in one transaction, and only after its commit do
// they take the place of the old ones; a failure or an interruption anywhere leaves the old catalog whole
// (finished on the next use when the row was committed). One program at a time changes the catalogs
// of a file: another waits a few seconds, then is refused. On a server, pictures and row in one transaction.
// Returns the catalog folder (empty on a server).
QString Save(TDModule &module, const QString &name, Layout::Catalog layout, const Pictures &pictures);

struct Stored
{
    QString layoutText;
    QString folder;
};
// The row of that name; nothing when there is none.
std::optional<Stored> Open(TDModule &module, const QString &name);

// The pictures of the stored catalog `name` with this layout; a picture that is missing is empty. Beside
// a file they are read from the catalog folder of the open database; only when it has none, from the
// folder the row names (a copy made before copies got folders of their own).
Pictures LoadPictures(TDModule &module, const QString &name, const Stored &stored, const Layout::Catalog &layout);

// The names in K_NAME order.
QStringList Names(TDModule &module);

// Deletes the row and, once that is committed, the files of the open database's own folder of the
// catalog and the folder (a folder still holding a subfolder or a file that could not be deleted stays).
// The folder a row names is never touched: it may be another database's.
void Delete(TDModule &module, const QString &name);

// Finishes or takes back what an interrupted save or delete left beside the open database file, as its
// row tells: afterwards every catalog folder holds either the old or the new pictures. Runs before every
// use of a catalog; left alone while another program is saving, and on a server.
void Recover(TDModule &module);

// Copies the open database file `source` to `target` with folders of its own for its catalogs: the
// pictures are written beside first and take their places once the copy has taken its name, so a failed
// copy leaves neither a file nor folders. An existing target file is replaced.
void CopyDatabase(TDModule &module, const QString &source, const QString &target);
// Gives `copy`, a copy of the open database file just made (a snapshot), catalog folders of its own
// holding the pictures of the open database's catalogs. Nothing on a server.
void CopyPicturesBeside(TDModule &module, const QString &copy);

// After the database was copied into `target` of another engine (a file uploaded to a server, a server
// database saved as a file): each catalog's pictures go where the target keeps them.
void CarryPictures(TDModule &source, TDModule &target);

// The bytes of a picture file; empty when it is missing or cannot be read.
QByteArray ReadPicture(const QString &path);

// For fault tests: called before each write of a save, delete or copy beside a file (a picture, the
// marker, the row, each move); what it throws makes that write fail.
extern std::function<void(const QString &write)> BeforeWrite;

}
