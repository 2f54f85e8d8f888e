#include "app/generalerror.h"

#include "app/messages.h"
#include "core/dberror.h"
#include "core/dmodule.h"

void ShowGeneralError(const QString &text)
{
    // A lost server connection is offered back at once; the windows keep what they show and read it again.
    if (text == Engine::ConnectionLostText && DModule && DModule->engine() == EngineKind::Server) {
        if (!AskYesNo(text + MessageLineBreak + MessageLineBreak + QStringLiteral("Подключиться к серверу снова?")))
            return;
        try {
            DModule->Reconnect();
        } catch (const DbError &error) {
            ShowError(error.message(), nullptr, QStringLiteral("GeneralErrorBox"));
        }
        return;
    }
    ShowError(text, nullptr, QStringLiteral("GeneralErrorBox"));
}

void ShowReadError(const QString &text)
{
    if (DModule && DModule->DesignChangeArriving())
        return;
    ShowGeneralError(text);
}
