#include "app/checkdatabasewindow.h"

#include "app/databasecheck.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/snapshotbeforechange.h"
#include "app/version.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>

bool CheckOpenDatabase(QWidget *owner, const QString &databasePath)
{
    if (!DModule->connected()) {
        ShowMessage(QStringLiteral("База данных не открыта."), owner);
        return false;
    }
    QList<DatabaseCheck::Finding> findings;
    QProgressDialog *progress = nullptr;
    bool stopped = false;
    const auto step = [&](int done, int total) {
        if (!progress)
            progress = NewProgress(owner, QStringLiteral("Проверка базы данных..."), total);
        progress->setValue(done);
        QApplication::processEvents();
        stopped = progress->wasCanceled();
        return !stopped;
    };
    const bool checked = Guarded([&] {
        try {
            findings = DatabaseCheck::Run(*DModule, databasePath, step);
        } catch (const DbError &) {
            // A stopped check ends in the engine's interruption: no error to show.
            if (!stopped)
                throw;
        }
    });
    if (progress)
        progress->close();
    if (!checked)
        return false;
    if (stopped) {
        ShowMessage(QStringLiteral("Проверка базы данных остановлена."), owner);
        return false;
    }
    const bool canMend = DatabaseCheck::CanMend(findings);
    QMessageBox box(canMend ? QMessageBox::Question : QMessageBox::Information, ProgramTitle, DatabaseCheck::Report(findings, DModule->engine() == EngineKind::File),
                    canMend ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, DialogOwner(owner));
    box.setObjectName(QStringLiteral("CheckDatabaseWindow"));
    box.setTextFormat(Qt::PlainText);
    if (box.exec() != QMessageBox::Yes || !canMend)
        return false;
    bool mended = false;
    const auto copyFirst = [owner] { return SnapshotBeforeChange(owner, SnapshotCause::DatabaseMended()); };
    if (!Guarded([&] { mended = DatabaseCheck::MendFindings(*DModule, findings, copyFirst); }) || !mended)
        return false;
    ShowMessage(QStringLiteral("Найденное исправлено."), owner);
    return true;
}
