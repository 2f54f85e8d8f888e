#include "catalogs/publishsitedialog.h"

#include "app/filedialogs.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/progress.h"
#include "catalogs/sitepublish.h"
#include "core/dmodule.h"
#include "objects/objectlist.h"
#include "settings/form6.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Опубликовать как веб-сайт");

// The choices of the last publishing of each catalog of each database, for this run of the program.
struct Choices
{
    QString folder;
    bool allObjects = false;
    bool originalPictures = false;
};
QHash<QString, Choices> &remembered()
{
    static QHash<QString, Choices> choices;
    return choices;
}
QString choicesKey(const QString &catalogName)
{
    return DModule->database().databaseName() + QLatin1Char('\n') + DModule->database().hostName()
           + QLatin1Char('\n') + catalogName;
}

QString sizeText(qint64 bytes)
{
    return bytes < 1024 * 1024 ? QStringLiteral("%1 КБ").arg(qMax<qint64>(1, (bytes + 1023) / 1024))
                               : QStringLiteral("%1 МБ").arg(QLocale().toString(bytes / 1048576.0, 'f', 1));
}
}

PublishSiteDialog::PublishSiteDialog(const QString &catalogName, int listed, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PublishSiteDialog"));
    setWindowTitle(Title);
    auto *about = new QLabel(QStringLiteral("Каталог \"%1\" будет записан в папку как веб-сайт: страница со списком "
                                            "объектов и страница каждого объекта. Сайт открывается из папки в любом "
                                            "браузере или с веб-сервера.")
                                 .arg(catalogName),
                             this);
    about->setWordWrap(true);
    SiteFolderEdit = Named<QLineEdit>("SiteFolderEdit", this);
    auto *choose = Named<QPushButton>("ChooseSiteFolderBtn", QStringLiteral("Выбрать..."), this);
    connect(choose, &QPushButton::clicked, this, &PublishSiteDialog::ChooseFolderClick);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(SiteFolderEdit, 1);
    folderRow->addWidget(choose);
    ListedObjectsRadio = Named<QRadioButton>("ListedObjectsRadio", QStringLiteral("Объекты, как в списке (%1)").arg(listed), this);
    AllObjectsRadio = Named<QRadioButton>("AllObjectsRadio", QStringLiteral("Все объекты"), this);
    ListedObjectsRadio->setChecked(true);
    OriginalPicturesBox = Named<QCheckBox>("OriginalPicturesBox", QStringLiteral("Сохранить изображения в исходном размере"), this);

    auto *buttons = new QDialogButtonBox(this);
    auto *publish = Named<QPushButton>("PublishBtn", QStringLiteral("Опубликовать"), buttons);
    buttons->addButton(publish, QDialogButtonBox::AcceptRole);
    auto *cancel = Named<QPushButton>("CancelBtn", QStringLiteral("Отмена"), buttons);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    publish->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &PublishSiteDialog::PublishClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(new QLabel(QStringLiteral("Папка сайта (пустая или с сайтом, опубликованным раньше):"), this));
    layout->addLayout(folderRow);
    layout->addWidget(ListedObjectsRadio);
    layout->addWidget(AllObjectsRadio);
    layout->addWidget(OriginalPicturesBox);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

QString PublishSiteDialog::folder() const
{
    return SiteFolderEdit->text().trimmed();
}

bool PublishSiteDialog::allObjects() const
{
    return AllObjectsRadio->isChecked();
}

bool PublishSiteDialog::originalPictures() const
{
    return OriginalPicturesBox->isChecked();
}

void PublishSiteDialog::setChoices(const QString &folder, bool allObjects, bool originalPictures)
{
    SiteFolderEdit->setText(QDir::toNativeSeparators(folder));
    (allObjects ? AllObjectsRadio : ListedObjectsRadio)->setChecked(true);
    OriginalPicturesBox->setChecked(originalPictures);
}

void PublishSiteDialog::ChooseFolderClick()
{
    const QString start = folder().isEmpty() ? QDir::homePath() : QFileInfo(folder()).absolutePath();
    const QString chosen = ChooseFolder(this, {"SiteFolderDialog", QStringLiteral("Папка сайта"), {}, start});
    if (!chosen.isEmpty())
        SiteFolderEdit->setText(QDir::toNativeSeparators(chosen));
}

void PublishSiteDialog::PublishClick()
{
    const QString error = folder().isEmpty() ? QStringLiteral("Выберите папку для сайта.")
                          : QDir::isRelativePath(QDir::fromNativeSeparators(folder()))
                              ? QStringLiteral("Укажите папку сайта полностью, от корня диска, или выберите ее кнопкой \"Выбрать...\".")
                              : SitePublish::TargetError(*DModule, QDir::fromNativeSeparators(folder()));
    if (!error.isEmpty()) {
        ShowMessage(error, this);
        return;
    }
    accept();
}

void PublishCatalogSite(QWidget *window, const QString &catalogName, const QString &unsavedNote)
{
    QList<qint64> listed;
    if (!Guarded([&] { listed = ListedObjectIds(ObjectList::Of(*DModule).rows()); }))
        return;
    PublishSiteDialog dialog(catalogName, int(listed.size()), DialogOwner(window));
    const Choices last = remembered().value(choicesKey(catalogName));
    dialog.setChoices(last.folder, last.allObjects, last.originalPictures);
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString folder = QDir::fromNativeSeparators(dialog.folder());
    remembered().insert(choicesKey(catalogName), {folder, dialog.allObjects(), dialog.originalPictures()});
    QList<qint64> ids = listed;
    if (dialog.allObjects()) {
        if (!Guarded([&] {
                ids.clear();
                for (const QVariantList &row : DModule->QRWork->readAll(QStringLiteral("SELECT G_ID FROM GENER ORDER BY G_ID")))
                    ids << row.first().toLongLong();
            }))
            return;
    }
    WebSite::Options options;
    options.originalPictures = dialog.originalPictures();
    options.entryFormat = Settings::DisplayFormat();   // the filter names entries as the program's trees do
    QProgressDialog *progress = NewProgress(window, QStringLiteral("Публикация сайта..."), int(ids.size()));
    const SitePublish::Result result = SitePublish::Publish(*DModule, catalogName, ids, options, folder, [&](int done, int total) {
        progress->setMaximum(total);
        progress->setValue(done);
        QApplication::processEvents();
        return !progress->wasCanceled();
    });
    progress->close();
    const QString place = QDir::toNativeSeparators(folder);
    if (result.stopped) {
        ShowMessage(QStringLiteral("Публикация остановлена. Папка %1 осталась как была.").arg(place), window);
        return;
    }
    if (!result.error.isEmpty()) {
        ShowMessage(QStringLiteral("Сайт не опубликован. %1").arg(result.error), window);
        return;
    }
    QString text = QStringLiteral("Каталог \"%1\" опубликован в папке %2.").arg(catalogName, place) + MessageLineBreak
                   + QStringLiteral("Объектов: %1. Рисунков: %2, из них сделано заново: %3.")
                         .arg(result.objects)
                         .arg(result.pictures)
                         .arg(result.picturesMade)
                   + MessageLineBreak
                   + QStringLiteral("Файлов записано: %1, оставлено без изменений: %2, удалено: %3. Размер сайта: %4.")
                         .arg(result.filesWritten)
                         .arg(result.filesKept)
                         .arg(result.filesRemoved)
                         .arg(sizeText(result.bytes));
    if (!unsavedNote.isEmpty())
        text += MessageLineBreak + unsavedNote;
    text += MessageLineBreak + MessageLineBreak + QStringLiteral("Открыть сайт в браузере?");
    // Without a browser the system can start, the user still learns where the site is.
    if (AskYesNo(text, window) && !QDesktopServices::openUrl(QUrl::fromLocalFile(result.indexPath)))
        ShowError(QStringLiteral("Браузер не открылся. Откройте в браузере файл %1.").arg(result.indexPath), window);
}
