#include "objects/photoimportdialog.h"

#include "app/filedialogs.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/progress.h"
#include "app/snapshotbeforechange.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "objects/objectimport.h"
#include "objects/objectlist.h"
#include "settings/form6.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Добавить объекты из папки");
const QString NotFilled = QStringLiteral("не заполнять");

QComboBox *fieldBox(const char *name, const QList<DescriptionField> &fields, bool optional, QWidget *parent)
{
    auto *box = Named<QComboBox>(name, parent);
    for (const DescriptionField &field : fields)
        box->addItem(field.name);
    if (optional)
        box->addItem(NotFilled);
    return box;
}

std::optional<DescriptionField> chosen(const QComboBox *box, const QList<DescriptionField> &fields)
{
    const int index = box->currentIndex();
    if (index < 0 || index >= fields.size())
        return std::nullopt;
    return fields[index];
}
}

PhotoImportDialog::PhotoImportDialog(const FolderScan &scan, const QList<DescriptionField> &fields, QWidget *parent)
    : QDialog(parent), m_scan(scan), m_fields(fields), m_pictureFields(PictureFieldsOf(fields)), m_nameFields(NameFieldsOf(fields)),
      m_dateFields(DateFieldsOf(fields))
{
    setObjectName(QStringLiteral("PhotoImportDialog"));
    setWindowTitle(Title);
    auto *folderLabel = Named<QLabel>("FolderLabel", QStringLiteral("Папка: ") + QDir::toNativeSeparators(scan.folder), this);
    folderLabel->setWordWrap(true);
    CountLabel = Named<QLabel>("CountLabel", this);
    CountLabel->setWordWrap(true);
    SkippedList = Named<QListWidget>("SkippedList", this);
    SkippedList->setWordWrap(true);
    SkippedList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PictureFieldBox = fieldBox("PictureFieldBox", m_pictureFields, false, this);
    NameFieldBox = fieldBox("NameFieldBox", m_nameFields, true, this);
    DateFieldBox = fieldBox("DateFieldBox", m_dateFields, true, this);
    auto *choices = new QFormLayout;
    choices->addRow(QStringLiteral("Рисунок - в поле:"), PictureFieldBox);
    choices->addRow(QStringLiteral("Имя файла без расширения - в поле:"), NameFieldBox);
    choices->addRow(QStringLiteral("Дата съемки - в поле:"), DateFieldBox);

    auto *buttons = new QDialogButtonBox(this);
    AddBtn = Named<QPushButton>("AddBtn", QStringLiteral("Добавить"), buttons);
    buttons->addButton(AddBtn, QDialogButtonBox::AcceptRole);
    auto *cancel = Named<QPushButton>("CancelBtn", QStringLiteral("Отмена"), buttons);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    AddBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(folderLabel);
    layout->addWidget(CountLabel);
    layout->addWidget(new QLabel(QStringLiteral("Файлы, которые не будут добавлены:"), this));
    layout->addWidget(SkippedList, 1);
    layout->addLayout(choices);
    auto *about = new QLabel(QStringLiteral("Дата съемки берется из сведений фотоаппарата (EXIF), а если их нет - "
                                            "дата изменения файла. Остальные поля новых объектов остаются пустыми."),
                             this);
    about->setWordWrap(true);
    layout->addWidget(about);
    RequiredLabel = Named<QLabel>("RequiredLabel", this);
    RequiredLabel->setWordWrap(true);
    layout->addWidget(RequiredLabel);
    layout->addWidget(buttons);
    resize(560, 480);
    // A different name field may hold names the other could not.
    connect(NameFieldBox, &QComboBox::currentIndexChanged, this, &PhotoImportDialog::showPlan);
    showPlan();
}

PhotoImportFields PhotoImportDialog::chosenFields() const
{
    PhotoImportFields fields;
    fields.picture = m_pictureFields.value(PictureFieldBox->currentIndex());
    fields.name = chosen(NameFieldBox, m_nameFields);
    fields.date = chosen(DateFieldBox, m_dateFields);
    return fields;
}

void PhotoImportDialog::showPlan()
{
    m_plan = PlanPhotoImport(m_scan, chosenFields());
    CountLabel->setText(QStringLiteral("Файлов в папке: %1, из них рисунков: %2.\nБудет добавлено объектов: %3. Не будет добавлено файлов: %4.")
                            .arg(m_scan.files)
                            .arg(m_scan.pictures.size())
                            .arg(m_plan.adding.size())
                            .arg(m_plan.skipped.size()));
    QStringList empty;
    for (const DescriptionField &field : RequiredFieldsLeftEmpty(m_fields, chosenFields()))
        empty << QStringLiteral("«%1»").arg(field.name);   // a name may hold a comma itself
    RequiredLabel->setText(empty.isEmpty() ? QString()
                                           : QStringLiteral("Обязательные поля останутся пустыми: %1. Такие объекты можно будет "
                                                            "сохранить в редакторе, только заполнив их.")
                                                 .arg(empty.join(QStringLiteral(", "))));
    RequiredLabel->setVisible(!empty.isEmpty());
    SkippedList->clear();
    for (const SkippedFile &file : std::as_const(m_plan.skipped))
        SkippedList->addItem(file.fileName + QStringLiteral(" - ") + file.reason);
    AddBtn->setEnabled(!m_plan.adding.isEmpty());
}

std::optional<int> AddObjectsFromFolder(QWidget *window)
{
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);
    if (PictureFieldsOf(fields).isEmpty()) {
        ShowMessage(QStringLiteral("В базе данных нет поля для рисунков. Добавьте поле типа \"Изображение\" в режиме "
                                   "редактирования, затем добавьте объекты из папки."),
                    window);
        return std::nullopt;
    }
    const QString folder = ChooseFolder(window, {"AddFromFolderDialog", Title, {}, QDir::homePath(), LastFolder::Pictures});
    if (folder.isEmpty())
        return std::nullopt;
    QProgressDialog *progress = NewProgress(window, QStringLiteral("Просмотр файлов папки..."), 0);
    FolderScan scan;
    const bool read = Guarded([&] {
        scan = ScanPictureFolder(folder, [&](int done, int total) {
            progress->setMaximum(total);
            progress->setValue(done);
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    });
    progress->close();
    if (!read || scan.cancelled)
        return std::nullopt;
    if (scan.pictures.isEmpty()) {
        ShowMessage(scan.files == 0 ? QStringLiteral("В папке %1 нет файлов.").arg(QDir::toNativeSeparators(folder))
                                    : QStringLiteral("В папке %1 нет рисунков, которые программа может показать (файлов: %2).")
                                          .arg(QDir::toNativeSeparators(folder))
                                          .arg(scan.files),
                    window);
        return std::nullopt;
    }
    PhotoImportDialog dialog(scan, fields, DialogOwner(window));
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const PhotoImportPlan plan = dialog.plan();
    bool hasObjects = false;
    if (!Guarded([&] { hasObjects = DatabaseHasObjects(*DModule); }))
        return std::nullopt;
    SnapshotForAction snapshot(window);
    if (hasObjects && !snapshot.make(SnapshotCause::FolderImport(QFileInfo(folder).fileName())))
        return std::nullopt;
    progress = NewProgress(window, QStringLiteral("Добавление объектов..."), int(plan.adding.size()));
    int added = 0;
    const bool done = Guarded([&] {
        added = AddPhotoObjects(*DModule, plan, dialog.chosenFields(), Settings::PictureStoring(), [&](int count, int) {
            progress->setValue(count);
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    });
    progress->close();
    snapshot.settle(done && added > 0);
    if (!done)
        return std::nullopt;
    return added;
}

QString PhotoImportOutcome(int added)
{
    return added > 0 ? QStringLiteral("Добавлено объектов: %1").arg(added)
                     : QStringLiteral("Добавление отменено: ни один объект не добавлен.");
}
