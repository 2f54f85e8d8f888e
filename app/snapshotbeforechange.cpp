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

namespace {
// The snapshot, with a progress window for a large file. The reason it was not made; empty when made.
QString makeSnapshot(TDModule &module, QWidget *parent, const QString &cause)
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
    QString failure;
    std::optional<Snapshots::Snapshot> made;
    try {
        made = Snapshots::Make(module, cause, Settings::SnapshotsKept(), shown);
        if (!made)
            failure = QStringLiteral("Создание резервной копии отменено.");
        else
            CatalogStore::CopyPicturesBeside(module, made->path);
    } catch (const DbError &error) {
        failure = error.message();
        // A snapshot without its catalogs' pictures is not kept as if it were whole.
        if (made) {
            try {
                Snapshots::Remove(path, made->path);
            } catch (const DbError &) {
                // Left as a file of the folder; the reason shown is the first failure.
            }
        }
    }
    if (progress)
        progress->close();
    return failure;
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
    const QString failure = makeSnapshot(module, parent, cause);
    if (failure.isEmpty())
        return true;
    ShowMessage(QStringLiteral("Резервная копия базы данных не сделана, поэтому изменение не выполнено.")
                    + MessageLineBreak + failure,
                parent);
    return false;
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
        failure = makeSnapshot(*DModule, parent, SnapshotCause::Daily());
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
