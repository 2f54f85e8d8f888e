#include "app/filedialogs.h"

#include "app/messages.h"
#include "core/dmodule.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

namespace {
// The folders last chosen in, for the session: a folder found again in every dialog of the program would
// need its own settings line for each dialog, and the settings window keeps the user's own choices.
QHash<LastFolder, QString> &lastFolders()
{
    static QHash<LastFolder, QString> folders;
    return folders;
}

QString runDialog(QWidget *parent, const FileDialogRequest &request, QFileDialog::AcceptMode mode,
                  QFileDialog::FileMode fileMode)
{
    QString folder = lastFolders().value(request.remembered);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = !request.folder.isEmpty() ? request.folder : (DModule ? DModule->ProgramFolder : QString());
    QFileDialog dialog(DialogOwner(parent), request.title, folder);
    dialog.setObjectName(QLatin1String(request.objectName));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (fileMode == QFileDialog::Directory) {
        dialog.setOption(QFileDialog::ShowDirsOnly);
        // The program says "папка" everywhere; Qt's own words for the box and its kind are others.
        dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Папка:"));
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilter(QStringLiteral("Папки (*)"));
    }
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    if (request.remembered != LastFolder::None)
        lastFolders()[request.remembered] = fileMode == QFileDialog::Directory ? chosen : QFileInfo(chosen).absolutePath();
    return chosen;
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

QString ChooseFolder(QWidget *parent, const FileDialogRequest &request)
{
    return runDialog(parent, {request.objectName, request.title, {}, request.folder, request.remembered}, QFileDialog::AcceptOpen,
                     QFileDialog::Directory);
}

QString DatabaseFilter()
{
    return QStringLiteral("База данных Вирандел (*.mdb)");
}

QStringList PictureFilters()
{
    // Every kind Qt reads here, JPEG first, then each kind on its own; phone pictures (HEIC/HEIF) are
    // read by the program itself.
    QStringList patterns{QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")};
    QStringList filters{QStringLiteral("Рисунки JPEG (*.jpg *.jpeg)")};
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    QList<QByteArray> formats;
    for (const QByteArray &common : {QByteArray("png"), QByteArray("bmp"), QByteArray("gif")}) {
        if (readable.contains(common))
            formats << common;
    }
    for (const QByteArray &format : readable) {
        if (!formats.contains(format) && format != "jpg" && format != "jpeg")
            formats << format;
    }
    for (const QByteArray &format : std::as_const(formats)) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format);
        patterns << pattern;
        filters << (format == "bmp" ? QStringLiteral("Точечные рисунки (*.bmp)")
                                    : QStringLiteral("Рисунки %1 (%2)").arg(QString::fromLatin1(format).toUpper(), pattern));
    }
    patterns << QStringLiteral("*.heic") << QStringLiteral("*.heif");
    filters << QStringLiteral("Фотографии телефонов HEIC/HEIF (*.heic *.heif)");
    filters.prepend(QStringLiteral("Все рисунки (%1)").arg(patterns.join(QLatin1Char(' '))));
    return filters;
}

QStringList JpegFilters()
{
    return {QStringLiteral("Рисунки JPEG (*.jpg *.jpeg)")};
}
