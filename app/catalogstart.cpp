#include "app/catalogstart.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/messages.h"
#include "app/startchoice.h"
#include "catalogs/form11.h"
#include "catalogs/form22.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "settings/form6.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {
// In a kiosk run a visitor must not be left with the designer, nor with an empty screen that the
// session would fill again and again: the reason stays in view until the operator mends it.
void KeepKioskNotice(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                text + QStringLiteral("\nОбратитесь к администратору выставки."), QMessageBox::NoButton);
    box->setObjectName(QStringLiteral("KioskNotice"));
    box->setStandardButtons(QMessageBox::NoButton);   // said again: otherwise the box adds an OK of its own
    box->setTextFormat(Qt::PlainText);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    // No button: one that did nothing would only puzzle a visitor. Without one, Esc and the window
    // manager's close are refused by the box itself. Nothing else is on screen: the program must not end
    // should the box be closed for a moment.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(box, &QMessageBox::finished, box, [box] { QTimer::singleShot(0, box, [box] { box->open(); }); });
    box->open();
}

void ShowDesignerWith(const QString &message)
{
    ShowCentred(Form1);
    if (!message.isEmpty())
        ShowMessage(message, Form1);
}

// The catalog was left with the exit password.
void LeaveRun(const StartChoice::CatalogRun &run)
{
    if (run.kiosk && Settings::KioskPasswordStopsSession()) {
        QCoreApplication::exit(StartChoice::StopSessionExitCode);
        return;
    }
    // The designer, as after a run started there, with the database opened again to be worked in.
    Form1->OpenDataBase(run.file);
    if (!DModule->connected()) {
        ShowCentred(Form1);
        return;
    }
    Form1->N23Click();
    if (Form11->isVisible()) {
        Form11->OpenCatalog(run.catalog);
        QTimer::singleShot(0, Form11, [] {
            Form11->raise();
            Form11->activateWindow();
        });
    } else if (!Form2->isVisible()) {
        ShowCentred(Form1);
    }
}
}

void ShowFirstWindow(const QStringList &arguments)
{
    const StartChoice::CommandLine commandLine = StartChoice::ParseCommandLine(arguments);
    if (!commandLine.error.isEmpty()) {
        if (commandLine.kiosk)
            KeepKioskNotice(commandLine.error);
        else
            ShowDesignerWith(commandLine.error);
        return;
    }
    const std::optional<StartChoice::CatalogRun> run =
        StartChoice::Choose(commandLine, Settings::StartCatalogFile(), Settings::StartCatalogName());
    if (!run) {
        Form1->show();
        return;
    }
    // A kiosk anyone could leave would hand the designer to the first visitor who tries.
    if (run->kiosk && !Settings::CatalogExitGuarded()) {
        KeepKioskNotice(QStringLiteral("Каталог не запущен: для сеанса киоска нужен пароль на выход из каталога. "
                                       "Задайте его в окне «Настройки программы» на вкладке «Электронный каталог»."));
        return;
    }
    const QString refusal = StartChoice::OpenForRun(*DModule, *run);
    if (!refusal.isEmpty()) {
        if (run->kiosk)
            KeepKioskNotice(refusal);
        else
            ShowDesignerWith(refusal + QStringLiteral("\nПрограмма запущена в обычном режиме."));
        return;
    }
    if (!Settings::CatalogExitGuarded())
        ShowMessage(QStringLiteral("Пароль на выход из каталога не задан: любой посетитель сможет закрыть каталог. "
                                   "Задать пароль можно в окне «Настройки программы» на вкладке «Электронный каталог»."));
    const StartChoice::CatalogRun started = *run;
    if (!Form22->RunCatalog(run->catalog, [started] { LeaveRun(started); })) {
        DModule->CloseConnection();
        ShowDesignerWith(QString());
    }
}
