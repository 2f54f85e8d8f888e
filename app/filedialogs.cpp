#include "app/filedialogs.h"

#include "app/messages.h"
#include "core/dmodule.h"

#include <QFileDialog>

namespace {
QString runDialog(QWidget *parent, const FileDialogRequest &request, QFileDialog::AcceptMode mode,
                  QFileDialog::FileMode fileMode)
{
    const QString folder = !request.folder.isEmpty() ? request.folder : (DModule ? DModule->ProgramFolder : QString());
    QFileDialog dialog(DialogOwner(parent), request.title, folder);
    dialog.setObjectName(QLatin1String(request.objectName));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
}

QString ChooseFileToOpen(QWidget *parent, const FileDialogRequest &request, bool mustExist)
{
    return runDialog(parent, request, QFileDialog::AcceptOpen,
                     mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
}

QString ChooseFileToSave(QWidget *parent, const FileDialogRequest &request)
{
    return runDialog(parent, request, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

QStringList PictureFilters()
{
    return {QStringLiteral("Точечные рисунки (*.bmp)"), QStringLiteral("Рисунки JPEG и PNG (*.jpg *.jpeg *.png)")};
}

QStringList JpegFilters()
{
    return {QStringLiteral("Рисунки JPEG (*.jpg *.jpeg)")};
}
