#pragma once

#include "core/dberror.h"
#include "objects/objectimage.h"

#include <QObject>
#include <QStringList>

#include <optional>

class QUndoStack;
class TDModule;

// A step of the history cannot be applied whole: the design changed since (a field it names is gone or
// has another type, a book or entry of its links is gone). The history was dropped; nothing was changed.
class HistoryDropped : public DbError
{
public:
    using DbError::DbError;
};

// The object actions of the session on the open database (adding, changing, deleting, with links and
// pictures), each kept as the objects' images before and after, so that it can be undone and redone.
// Every undo and redo is one transaction and applies only to objects that still hold what the step left
// (ObjectChangedElsewhere otherwise, and the step stays where it was). Forgotten when the database closes.
class ObjectHistory : public QObject
{
    Q_OBJECT
public:
    explicit ObjectHistory(TDModule &module, QObject *parent = nullptr);
    ~ObjectHistory() override;

    // How many steps are kept.
    static constexpr int UndoLimit = 200;

    // The history of the module's connection (made on first use).
    static ObjectHistory &Of(TDModule &module);

    // One object's state: nothing when there is no such object (before an addition, after a deletion).
    using State = std::optional<ObjectImage>;
    struct Change
    {
        State before, after;
        qint64 binEntry = 0;    // a deletion: the bin's row that holds the object while it is deleted
        bool deletion = false;  // redone, the object goes into the bin again
    };
    // Records an action done already; its text is what the menu shows ("Отменить: …").
    void record(const QString &text, const QList<Change> &changes);
    void recordAdded(const ObjectImage &after);
    void recordChanged(const ObjectImage &before, const ObjectImage &after);
    void recordDeleted(const QList<Change> &deleted);

    bool canUndo() const;
    bool canRedo() const;
    QString undoText() const;
    QString redoText() const;
    int count() const;

    // Undoes the last step (redoes the next) and gives the object to show: the first object the step
    // leaves stored, or 0. Throws ObjectChangedElsewhere, HistoryDropped or DbError; then nothing changed.
    qint64 undo();
    qint64 redo();
    void clear();

Q_SIGNALS:
    // What can be undone or redone changed.
    void changed();

private:
    qint64 apply(bool undo);
    TDModule &m_module;
    QUndoStack *m_stack;
};
