#include "app/generalerror.h"

#include "app/messages.h"

void ShowGeneralError(const QString &text)
{
    ShowError(text, nullptr, QStringLiteral("GeneralErrorBox"));
}
