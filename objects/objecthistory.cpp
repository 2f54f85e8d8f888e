#include "objects/objecthistory.h"

#include "core/dmodule.h"
#include "objects/objectstore.h"
#include "objects/recyclebin.h"
#include "objects/searchindex.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace {
// The database work of a step is done by ObjectHistory before the stack moves: a step that cannot be
// applied leaves the stack where it was.
class ObjectStep : public QUndoCommand
{
public:
    ObjectStep(const QString &text, const QList<ObjectHistory::Change> &changes)
        : QUndoCommand(text), changes(changes) {}
    void undo() override {}
    void redo() override {}
    QList<ObjectHistory::Change> changes;
};

QString titleOf(const ObjectHistory::Change &change)
{
    return (change.before ? change.before : change.after)->title();
}
}

ObjectHistory::ObjectHistory(TDModule &module, QObject *parent)
    : QObject(parent), m_module(module), m_stack(new QUndoStack(this))
{
    setObjectName(QStringLiteral("ObjectHistory"));
    // Each step holds whole objects, pictures included: the oldest steps go first.
    m_stack->setUndoLimit(UndoLimit);
    connect(m_stack, &QUndoStack::indexChanged, this, &ObjectHistory::changed);
}

ObjectHistory::~ObjectHistory() = default;

ObjectHistory &ObjectHistory::Of(TDModule &module)
{
    if (auto *history = module.findChild<ObjectHistory *>(QStringLiteral("ObjectHistory"), Qt::FindDirectChildrenOnly))
        return *history;
    return *new ObjectHistory(module, &module);
}

void ObjectHistory::record(const QString &text, const QList<Change> &changes)
{
    if (changes.isEmpty())
        return;
    m_stack->push(new ObjectStep(text, changes));
    Q_EMIT changed();
}

void ObjectHistory::recordAdded(const ObjectImage &after)
{
    record(QStringLiteral("добавление объекта «%1»").arg(after.title()), {Change{std::nullopt, after, 0, false}});
}

void ObjectHistory::recordChanged(const ObjectImage &before, const ObjectImage &after)
{
    // Saving what the object held already is no action to undo.
    if (after.holds(before) && before.holds(after))
        return;
    record(QStringLiteral("изменение объекта «%1»").arg(after.title()), {Change{before, after, 0, false}});
}

void ObjectHistory::recordDeleted(const QList<Change> &deleted)
{
    if (deleted.isEmpty())
        return;
    record(deleted.size() == 1 ? QStringLiteral("удаление объекта «%1»").arg(titleOf(deleted.first()))
                               : QStringLiteral("удаление объектов (%1)").arg(deleted.size()),
           deleted);
}

bool ObjectHistory::canUndo() const { return m_stack->canUndo(); }
bool ObjectHistory::canRedo() const { return m_stack->canRedo(); }
QString ObjectHistory::undoText() const { return m_stack->undoText(); }
QString ObjectHistory::redoText() const { return m_stack->redoText(); }
int ObjectHistory::count() const { return m_stack->count(); }

void ObjectHistory::clear()
{
    m_stack->clear();
    Q_EMIT changed();
}

qint64 ObjectHistory::undo()
{
    if (!canUndo())
        return 0;
    const qint64 shown = apply(true);
    m_stack->undo();
    return shown;
}

qint64 ObjectHistory::redo()
{
    if (!canRedo())
        return 0;
    const qint64 shown = apply(false);
    m_stack->redo();
    return shown;
}

qint64 ObjectHistory::apply(bool undo)
{
    auto *step = static_cast<ObjectStep *>(const_cast<QUndoCommand *>(m_stack->command(m_stack->index() - (undo ? 1 : 0))));
    const QString what = undo ? QStringLiteral("Отменить") : QStringLiteral("Повторить");
    QList<Change> changes = step->changes;

    Transaction tx(m_module);
    // The design first: a step that no longer fits is never applied in part.
    QStringList misfits;
    for (const Change &change : std::as_const(changes)) {
        for (const State &state : {change.before, change.after}) {
            if (state)
                misfits << ImageMisfits(m_module, *state);
        }
    }
    if (!misfits.isEmpty()) {
        const QString text = step->text();
        misfits.removeDuplicates();
        clear();
        throw HistoryDropped(QStringLiteral("%1 «%2» нельзя: после этого действия изменилось описание базы данных (%3). "
                                            "Ничего не изменено; история действий очищена.")
                                 .arg(what, text, misfits.join(QLatin1String("; "))));
    }
    // Then the objects: each must still hold what the step left it with.
    for (const Change &change : std::as_const(changes)) {
        const State &from = undo ? change.after : change.before;
        const State &to = undo ? change.before : change.after;
        if (from) {
            const State now = ReadObjectImage(m_module, from->objectId);
            if (!now)
                throw ObjectChangedElsewhere(ObjectChangedElsewhere::Deleted,
                                             QStringLiteral("%1 «%2» нельзя: объект «%3» удалён после этого действия. "
                                                            "Ничего не изменено.")
                                                 .arg(what, step->text(), from->title()));
            if (!now->holds(*from))
                throw ObjectChangedElsewhere(ObjectChangedElsewhere::Changed,
                                             QStringLiteral("%1 «%2» нельзя: объект «%3» изменён после этого действия "
                                                            "(другим пользователем или программой). Ничего не изменено.")
                                                 .arg(what, step->text(), from->title()));
        } else if (to) {
            const State now = ReadObjectImage(m_module, to->objectId);
            if (now && now->holds(*to))
                throw ObjectChangedElsewhere(ObjectChangedElsewhere::Changed,
                                             QStringLiteral("%1 «%2» нельзя: объект «%3» уже восстановлен. Ничего не изменено.")
                                                 .arg(what, step->text(), to->title()));
            // Emptied out of the bin, the object is gone for good, as the user was told: so is the history up to here.
            if (change.binEntry != 0 && !RecycleBin::Holds(m_module, change.binEntry, to->objectId)) {
                const QString text = step->text();
                clear();
                throw HistoryDropped(QStringLiteral("%1 «%2» нельзя: объект «%3» удалён из корзины навсегда. "
                                                    "Ничего не изменено; история действий очищена.")
                                         .arg(what, text, to->title()));
            }
        }
    }
    qint64 shown = 0;
    for (Change &change : changes) {
        const State &from = undo ? change.after : change.before;
        const State &to = undo ? change.before : change.after;
        if (from && to) {
            RewriteObjectImage(m_module, *to);
        } else if (from) {
            if (change.deletion) {
                const RecycleBin::Moved moved = RecycleBin::MoveToBin(m_module, {from->objectId}).value(0);
                change.binEntry = moved.entryId;
                // Undone, the object comes back as it went into the bin: values given since the step included.
                change.before = moved.image;
            } else
                EraseObjectRows(m_module, from->objectId);
            continue;
        } else if (to) {
            qint64 id = to->objectId;
            // The number may have been given to another object meanwhile: the object comes back under a new one.
            if (ObjectExists(m_module, id))
                id = ReserveObjectId(m_module);
            InsertObjectImage(m_module, *to, id);
            if (change.binEntry != 0)
                RecycleBin::Forget(m_module, std::exchange(change.binEntry, 0), to->objectId);
            for (State *state : {&change.before, &change.after}) {
                if (*state)
                    (*state)->objectId = id;
            }
        }
        if (shown == 0 && (undo ? change.before : change.after))
            shown = (undo ? change.before : change.after)->objectId;
    }
    RefreshSearchIndex(m_module);
    tx.commit();
    step->changes = changes;
    return shown;
}
