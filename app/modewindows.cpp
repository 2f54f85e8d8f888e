#include "app/modewindows.h"

#include "core/dmodule.h"

#include <QApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QScreen>
#include <QSqlDatabase>
#include <QWidget>

namespace {
class ModePlaceKeeper : public QObject
{
public:
    static ModePlaceKeeper &instance()
    {
        static auto *keeper = new ModePlaceKeeper(qApp);
        return *keeper;
    }

    void add(QWidget *window, ModePlacement placement)
    {
        m_windows.insert(window, placement);
        connect(window, &QObject::destroyed, this, [this, window] { m_windows.remove(window); });
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWidget *>(watched);
        // A minimised window hides by itself (a spontaneous event) and keeps its place.
        if (window && !event->spontaneous() && m_windows.contains(window)) {
            if (event->type() == QEvent::Show)
                takePlace(window);
            else if (event->type() == QEvent::Hide && m_windows.value(window) == ModePlacement::Shared)
                m_place = placeOf(window);
        }
        return false;
    }

private:
    using QObject::QObject;

    struct Place
    {
        QByteArray geometry;   // size, position and maximised state
        QPoint centre;         // tells the screen
    };
    static Place placeOf(const QWidget *window) { return {window->saveGeometry(), window->geometry().center()}; }

    // The place of the mode being left (still on screen while the next one opens), else the last one left.
    Place currentPlace(const QWidget *opening) const
    {
        for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
            const QWidget *other = it.key();
            if (other != opening && it.value() == ModePlacement::Shared && other->isVisible() && !other->isMinimized())
                return placeOf(other);
        }
        return m_place;
    }

    void takePlace(QWidget *window)
    {
        const Place place = currentPlace(window);
        if (m_windows.value(window) == ModePlacement::Shared) {
            if (!place.geometry.isEmpty())
                window->restoreGeometry(place.geometry);
            return;
        }
        QScreen *screen = place.geometry.isEmpty() ? nullptr : QGuiApplication::screenAt(place.centre);
        if (!screen)
            screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (screen)
            window->setGeometry(screen->availableGeometry());
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    }

    QHash<QWidget *, ModePlacement> m_windows;
    Place m_place;
};
}

void KeepModeWindowPlace(QWidget *window, ModePlacement placement)
{
    ModePlaceKeeper::instance().add(window, placement);
}

QString ModeWindowTitle(const QString &modeTitle)
{
    if (!DModule || !DModule->connected())
        return modeTitle;
    const QSqlDatabase db = DModule->database();
    const QString name = DModule->engine() == EngineKind::Server
                             ? QStringLiteral("%1 на сервере %2:%3").arg(db.databaseName(), db.hostName()).arg(db.port())
                             : QFileInfo(db.databaseName()).fileName();
    return modeTitle + QStringLiteral(" — ") + name;
}
