#include "settings/updatemessages.h"

#include "app/generalerror.h"
#include "app/messages.h"
#include "settings/updatecheck.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace {
const QString Unreachable = QStringLiteral("Невозможно подключиться к серверу обновлений!");
}

void ReportUpdateCheck(const UpdateCheck &check, const QString &workingFile, const QString &server, QWidget *owner)
{
    if (!check.ErrorText().isEmpty()) {
        ShowGeneralError(check.ErrorText());
        return;
    }
    if (check.Failed()) {
        ShowMessage(Unreachable, owner);
        return;
    }
    PublishedVersion published;
    const bool read = Guarded([&] { published = ReadPublishedVersion(workingFile); });
    if (read) {
        if (published.version.trimmed().isEmpty()) {
            // A file without a version is no answer of the update server.
            ShowMessage(Unreachable, owner);
        } else if (IsInstalledVersion(published)) {
            ShowMessage(QStringLiteral("Нет доступных обновлений! Выполните эту проверку позже!"), owner);
        } else if (AskYesNo(NewVersionQuestion(published), owner)
                   && !QDesktopServices::openUrl(QUrl(InstallerAddress(server)))) {
            ShowMessage(QStringLiteral("Не удалось открыть адрес новой версии в браузере: ") + InstallerAddress(server),
                        owner);
        }
    }
    QFile::remove(workingFile);
}
