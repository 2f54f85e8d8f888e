#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>

#include <optional>

class TDModule;

// Pictures made small for the object lists, kept in a table of their own beside the objects: made once,
// when a picture is stored, and for pictures stored before (an earlier version's file) in the background.
// A row with no bytes says the picture was looked at and holds nothing that can be shown.
namespace Thumbnails {

constexpr int Height = 64;
// The most a thumbnail takes: a panorama is not allowed to widen its column without end.
constexpr QSize Bound(3 * Height, Height);

// The table, missing in files of earlier versions; left empty in a template.
void EnsureTable(TDModule &module);

// A thumbnail's stored bytes for a picture's bytes (turned by its orientation tag, decoded at the reduced
// size); empty when they hold no picture. Safe beside the interface thread.
QByteArray Make(const QByteArray &picture);

// Within the caller's transaction: the object's thumbnail for the picture field, made anew.
void Store(TDModule &module, qint64 objectId, qint64 fieldId, const QByteArray &thumbnail);
// Within the caller's transaction: the thumbnail of the picture now stored in the field (`made` when
// made beforehand), none for a picture removed.
void Renew(TDModule &module, qint64 objectId, qint64 fieldId, const QByteArray &picture,
           const std::optional<QByteArray> &made = std::nullopt);
// Within the caller's transaction: the thumbnails of a field whose column goes (deleted, or of another type
// now): a later field given the same number would otherwise show them.
void DropField(TDModule &module, qint64 fieldId);
// Within the caller's transaction: the object's thumbnails go (the object is deleted or rewritten).
void Drop(TDModule &module, qint64 objectId);

using Key = QPair<qint64, qint64>;   // object, picture field
// The stored thumbnails of the objects, decoded; an object whose picture holds nothing shown has a null
// image. Nothing when the table is missing (a file opened only to read).
QHash<Key, QImage> Read(TDModule &module, const QList<qint64> &objectIds);

// Pictures stored with no thumbnail yet among the objects numbered above `afterId` up to `lastId`, at most `limit`.
struct Missing
{
    Key key;
    QByteArray picture;
};
QList<Missing> ReadMissing(TDModule &module, qint64 afterId, qint64 lastId, int limit);

// Announces thumbnails stored by the background maker, for the lists showing them.
class Notifier : public QObject
{
    Q_OBJECT
public:
    static Notifier &Instance();
Q_SIGNALS:
    void made(const QList<qint64> &objectIds);
};

// Makes the missing thumbnails of the database opened to work in, with no wait: the pictures are decoded
// on other threads a few at a time, and each batch is stored as a transaction of its own between the
// user's actions. Lives as the module's child from opening to closing.
class Maker : public QObject
{
    Q_OBJECT
public:
    static constexpr int Batch = 16;
    // The objects looked through at a time: a database of many objects, all with thumbnails, is gone
    // through in short steps between the events, not in one read that would hold the window.
    static constexpr int Span = 2000;
    explicit Maker(TDModule &module);
    static Maker *Of(TDModule &module);
    // Looks again for pictures without a thumbnail (objects restored or written by other means).
    void wake();
    bool busy() const { return m_busy; }

private:
    void next();
    void store(const QList<Missing> &batch, const QList<QByteArray> &thumbnails);
    TDModule &m_module;
    bool m_busy = false;
    bool m_again = false;
    qint64 m_after = 0;   // the objects up to this number are looked through
};

}
