#include "app/progress.h"

#include "app/messages.h"
#include "core/dmodule.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

QProgressDialog *NewProgress(QWidget *parent, const QString &text, int maximum)
{
    // Window-modal to the window that waits; a hidden one would keep the progress out of sight.
    QWidget *owner = parent && parent->window()->isVisible() ? parent : DialogOwner(parent);
    auto *progress = new QProgressDialog(text, QStringLiteral("Отмена"), 0, maximum, owner);
    progress->setObjectName(QStringLiteral("ProgressDialog"));
    progress->setWindowTitle(QApplication::applicationName());
    // Without a window to wait in, the whole program waits.
    progress->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    progress->setMinimumDuration(400);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    KeepAboveWindowsOnTop(progress);
    return progress;
}

std::function<bool(qint64 done, qint64 total)> ProgressIn(QProgressDialog *progress)
{
    return [progress](qint64 done, qint64 total) {
        progress->setValue(total > 0 ? int(done * progress->maximum() / total) : 0);
        return !progress->wasCanceled();
    };
}

namespace {
class ProgressWait : public TDModule::LongWait
{
public:
    explicit ProgressWait(const QString &what) : m_what(what) { m_started.start(); }
    ~ProgressWait() override
    {
        if (m_progress)
            m_progress->close();
    }

    bool keepWaiting() override
    {
        if (!m_progress && m_started.elapsed() >= ShownAfterMs) {
            m_progress = NewProgress(DialogOwner(), m_what, 0);
            m_progress->setMinimumDuration(0);
            m_progress->setValue(0);
        }
        // Until the window-modal progress shows, input waits for the read to end.
        QApplication::processEvents(m_progress ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        return !(m_progress && m_progress->wasCanceled());
    }

private:
    static constexpr int ShownAfterMs = 400;
    QString m_what;
    QElapsedTimer m_started;
    QPointer<QProgressDialog> m_progress;
};
}

void ShowProgressOfLongReads(TDModule &module)
{
    module.BeginLongWait = [](const QString &what) -> std::unique_ptr<TDModule::LongWait> {
        return std::make_unique<ProgressWait>(what);
    };
}
