#include "settings/helpwindow.h"

#include "app/forms.h"
#include "app/messages.h"

#include <QApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString HelpTitle = QStringLiteral("Справка");
}

THelpWindow::THelpWindow(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(HelpTitle);
    HelpBrowser = new QTextBrowser(this);
    HelpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    HelpBrowser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HelpBrowser);
    connect(HelpBrowser, &QTextBrowser::sourceChanged, this, &THelpWindow::showTitle);
}

void THelpWindow::ShowPage(const QString &path)
{
    // From its top, and read again: a newer page may have been put in place meanwhile.
    HelpBrowser->setSource(QUrl::fromLocalFile(path));
    HelpBrowser->reload();
    HelpBrowser->clearHistory();
    if (!m_placed) {
        // A page to read beside the program's window: most of the screen, never beyond it.
        QScreen *screen = QApplication::activeWindow() ? QApplication::activeWindow()->screen() : this->screen();
        if (screen) {
            const QSize area = screen->availableGeometry().size();
            resize(qMin(900, area.width() * 9 / 10), area.height() * 8 / 10);
        }
        CentreOnScreen(this);
        m_placed = true;
    }
    // Above the windows kept on top that are on screen now, not above the program for good.
    const bool onTop = WindowKeptOnTopOnScreen(this);
    if (onTop != windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    show();
    raise();
    activateWindow();
    HelpBrowser->setFocus();
}

void THelpWindow::showTitle()
{
    const QString title = HelpBrowser->documentTitle().trimmed();
    setWindowTitle(title.isEmpty() ? HelpTitle : title);
}
