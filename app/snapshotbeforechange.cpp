#include "app/snapshotbeforechange.h"

#include "app/messages.h"
#include "app/progress.h"
#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "settings/form6.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>

#include <limits>

namespace {
struct Made
{
    std::optional<Snapshots::Snapshot> snapshot;
    QString failure;   // why it was not made; empty when made
};

// The snapshot, with a progress window for a large file, keeping the newest `keep` snapshots.
Made makeSnapshot(TDModule &module, QWidget *parent, const QString &cause, int keep)
{
    const QString path = module.database().databaseName();
    QPointer<QProgressDialog> progress;
    Snapshots::Progress shown;
    if (QFileInfo(path).size() > Settings::SnapshotProgressBytes()) {
        progress = NewProgress(parent, QStringLiteral("Создание резервной копии базы данных..."), 1000);
        // Shown at once: a file this large is not copied in a blink.
        progress->setMinimumDuration(0);
        progress->setValue(0);
        shown = [&progress](qint64 done, qint64 total) {
            if (!progress)
                return false;
            progress->setValue(total > 0 ? int(done * 1000 / total) : 0);
            QApplication::processEvents();
            return progress && !progress->wasCanceled();
        };
    }
    Made result;
    try {
        result.snapshot = Snapshots::Make(module, cause, keep, shown);
        if (!result.snapshot)
            result.failure = QStringLiteral("Создание резервной копии отменено.");
        else
            CatalogStore::CopyPicturesBeside(module, result.snapshot->path);
    } catch (const DbError &error) {
        result.failure = error.message();
        // A snapshot without its catalogs' pictures is not kept as if it were whole.
        if (result.snapshot) {
            try {
                Snapshots::Remove(path, result.snapshot->path);
            } catch (const DbError &) {
                // Left as a file of the folder; the reason shown is the first failure.
            }
        }
        result.snapshot.reset();
    }
    if (progress)
        progress->close();
    return result;
}

bool shownIfFailed(const QString &failure, QWidget *parent)
{
    if (failure.isEmpty())
        return true;
    ShowMessage(QStringLiteral("Резервная копия базы данных не сделана, поэтому изменение не выполнено.")
                    + MessageLineBreak + failure,
                parent);
    return false;
}
}

bool SnapshotBeforeChange(QWidget *parent, const QString &cause)
{
    return SnapshotBeforeChange(*DModule, parent, cause);
}

bool SnapshotBeforeChange(TDModule &module, QWidget *parent, const QString &cause)
{
    if (!module.connected() || module.engine() != EngineKind::File)
        return true;
    return shownIfFailed(makeSnapshot(module, parent, cause, Settings::SnapshotsKept()).failure, parent);
}

SnapshotForAction::SnapshotForAction(QWidget *parent) : m_parent(parent)
{
}

SnapshotForAction::~SnapshotForAction()
{
    if (!m_made)
        return;
    try {
        Snapshots::Remove(m_databasePath, *m_made);
    } catch (const DbError &) {
        // Left as a file of the folder, listed as a copy of the database as it is.
    }
}

bool SnapshotForAction::make(const QString &cause)
{
    if (!DModule->connected() || DModule->engine() != EngineKind::File)
        return true;
    m_databasePath = DModule->database().databaseName();
    // None pushed out yet: if the action changes nothing, the list stays as it was.
    const Made made = makeSnapshot(*DModule, m_parent, cause, std::numeric_limits<int>::max());
    if (made.snapshot)
        m_made = made.snapshot->path;
    return shownIfFailed(made.failure, m_parent);
}

void SnapshotForAction::settle(bool changed)
{
    if (!m_made)
        return;
    const QString made = *std::exchange(m_made, std::nullopt);
    try {
        if (changed)
            Snapshots::Prune(m_databasePath, Settings::SnapshotsKept());
        else
            Snapshots::Remove(m_databasePath, made);
    } catch (const DbError &error) {
        ShowMessage(error.message(), m_parent);
    }
}

void DailySnapshot(QWidget *parent)
{
    if (!DModule->connected() || DModule->engine() != EngineKind::File)
        return;
    const QString path = DModule->database().databaseName();
    QString failure;
    try {
        if (!Snapshots::DailyDue(path))
            return;
    } catch (const DbError &error) {
        failure = error.message();
    }
    if (failure.isEmpty())
        failure = makeSnapshot(*DModule, parent, SnapshotCause::Daily(), Settings::SnapshotsKept()).failure;
    if (failure.isEmpty()) {
        try {
            Snapshots::NoteDailyMade(path);
        } catch (const DbError &error) {
            failure = error.message();
        }
    }
    if (!failure.isEmpty())
        ShowMessage(QStringLiteral("Ежедневная резервная копия базы данных не сделана.") + MessageLineBreak + failure, parent);
}
