#include "settings/form6.h"

#include "app/filedialogs.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/singleline.h"
#include "app/startchoice.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

TForm6::TForm6(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Настройки программы"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(false);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    // The window is as wide as all the tabs: none hides behind scroll arrows.
    PageControl->setUsesScrollButtons(false);

    auto *booksTab = new QWidget;
    CheckBox1 = Named<QCheckBox>("CheckBox1", QStringLiteral("Сгенерировать заново справочники при их повторном добавлении"), booksTab);
    CheckBox1->setChecked(true);
    CheckBox2 = Named<QCheckBox>("CheckBox2", QStringLiteral("Разрешить ссылаться только на младшие подклассы"), booksTab);
    CheckBox2->setChecked(true);
    CheckBox8 = Named<QCheckBox>("CheckBox8", QStringLiteral("Выключить запрос ввода соотношения в справочной системе"), booksTab);
    CheckBox8->setChecked(true);
    RadioGroup = new QGroupBox(QStringLiteral(" Отображение элементов справочников "), booksTab);
    RadioGroup->setObjectName(QStringLiteral("RadioGroup"));
    auto *radioLayout = new QVBoxLayout(RadioGroup);
    const QString formats[3] = {QStringLiteral("\"Название\" (\"Код\")"), QStringLiteral("\"Код\" - \"Название\""),
                                QStringLiteral("Только \"Название\"")};
    for (int i = 0; i < 3; ++i) {
        m_formats[i] = new QRadioButton(formats[i], RadioGroup);
        m_formats[i]->setObjectName(QStringLiteral("RadioGroupItem%1").arg(i));
        radioLayout->addWidget(m_formats[i]);
    }
    m_formats[0]->setChecked(true);
    auto *booksLayout = new QVBoxLayout(booksTab);
    booksLayout->addWidget(CheckBox1);
    booksLayout->addWidget(CheckBox2);
    booksLayout->addWidget(CheckBox8);
    booksLayout->addWidget(RadioGroup);
    booksLayout->addStretch();
    PageControl->addTab(booksTab, QStringLiteral("Справочная система"));

    auto *templatesTab = new QWidget;
    CheckBox3 = Named<QCheckBox>("CheckBox3", QStringLiteral("При сохранении шаблона удалять сгенерированные справочники"), templatesTab);
    CheckBox3->setChecked(false);
    CheckBox4 = Named<QCheckBox>("CheckBox4", QStringLiteral("При сохранении шаблона удалять все сохраненные объекты"), templatesTab);
    CheckBox4->setChecked(false);
    auto *templatesLayout = new QVBoxLayout(templatesTab);
    templatesLayout->addWidget(CheckBox3);
    templatesLayout->addWidget(CheckBox4);
    templatesLayout->addStretch();
    PageControl->addTab(templatesTab, QStringLiteral("Шаблоны"));

    auto *catalogTab = m_catalogTab = new QWidget;
    auto *passwordGroup = new QGroupBox(QStringLiteral(" Использование пароля на выход из запущенного каталога "), catalogTab);
    CheckBox5 = Named<QCheckBox>("CheckBox5", QStringLiteral("Использовать пароль на выход из запущенного каталога"), passwordGroup);
    CheckBox5->setChecked(true);
    auto *passwordLabel = new QLabel(QStringLiteral("Введите пароль с учетом регистра:"), passwordGroup);
    Edit1 = new QLineEdit(passwordGroup);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    KeepSingleLine(Edit1);
    passwordLabel->setBuddy(Edit1);
    auto *passwordLayout = new QVBoxLayout(passwordGroup);
    passwordLayout->addWidget(CheckBox5);
    passwordLayout->addWidget(passwordLabel);
    passwordLayout->addWidget(Edit1);
    CheckBox6 = Named<QCheckBox>("CheckBox6", QStringLiteral("Операционная система оформлена в стиле Windows XP"), catalogTab);
    CheckBox6->setChecked(false);
    auto *catalogLayout = new QVBoxLayout(catalogTab);
    catalogLayout->addWidget(passwordGroup);
    catalogLayout->addWidget(CheckBox6);
    catalogLayout->addStretch();
    PageControl->addTab(catalogTab, QStringLiteral("Электронный каталог"));

    auto *keepingTab = m_keepingTab = new QWidget;
    auto *keepingForm = new QFormLayout(keepingTab);
    const auto numberEdit = [&](const char *name, const QString &label) {
        auto *edit = new QLineEdit(keepingTab);
        edit->setObjectName(QLatin1String(name));
        KeepSingleLine(edit);
        keepingForm->addRow(label, edit);
        return edit;
    };
    SnapshotsKeptEdit = numberEdit("SnapshotsKeptEdit", QStringLiteral("Хранить резервных копий базы данных:"));
    SnapshotProgressSizeEdit = numberEdit("SnapshotProgressSizeEdit",
                                          QStringLiteral("Показывать ход копирования для файлов больше (МБ):"));
    RecycleBinDaysEdit = numberEdit("RecycleBinDaysEdit", QStringLiteral("Хранить удаленные объекты в корзине (дней):"));
    PageControl->addTab(keepingTab, QStringLiteral("Резервные копии"));

    auto *kioskTab = m_kioskTab = new QWidget;
    kioskTab->setObjectName(QStringLiteral("KioskTab"));
    StartCatalogBox = Named<QCheckBox>("StartCatalogBox", QStringLiteral("Запускать каталог при старте программы"), kioskTab);
    StartCatalogFileEdit = Named<QLineEdit>("StartCatalogFileEdit", kioskTab);
    KeepSingleLine(StartCatalogFileEdit);
    StartCatalogFileBtn = Named<QPushButton>("StartCatalogFileBtn", QStringLiteral("Выбрать..."), kioskTab);
    StartCatalogNameBox = Named<QComboBox>("StartCatalogNameBox", kioskTab);
    // A catalog of a file that is not at hand now can be named by typing.
    StartCatalogNameBox->setEditable(true);
    StartCatalogNameBox->setInsertPolicy(QComboBox::NoInsert);
    KeepSingleLine(StartCatalogNameBox->lineEdit());
    KioskIdleMinutesEdit = Named<QLineEdit>("KioskIdleMinutesEdit", kioskTab);
    KeepSingleLine(KioskIdleMinutesEdit);
    KioskSlideSecondsEdit = Named<QLineEdit>("KioskSlideSecondsEdit", kioskTab);
    KeepSingleLine(KioskSlideSecondsEdit);
    KioskPasswordStopsSessionBox = Named<QCheckBox>(
        "KioskPasswordStopsSessionBox",
        QStringLiteral("В сеансе киоска пароль на выход завершает сеанс, а не открывает режим редактирования"), kioskTab);
    // The file and the catalog take the whole width of the tab: a path is long.
    auto *choice = new QGridLayout;
    choice->addWidget(new QLabel(QStringLiteral("Файл базы данных:"), kioskTab), 0, 0);
    choice->addWidget(StartCatalogFileEdit, 0, 1);
    choice->addWidget(StartCatalogFileBtn, 0, 2);
    choice->addWidget(new QLabel(QStringLiteral("Каталог:"), kioskTab), 1, 0);
    choice->addWidget(StartCatalogNameBox, 1, 1, 1, 2);
    choice->setColumnStretch(1, 1);
    auto *kioskForm = new QFormLayout;
    kioskForm->addRow(QStringLiteral("Возвращать каталог к началу после бездействия (мин., 0 — никогда):"), KioskIdleMinutesEdit);
    kioskForm->addRow(QStringLiteral("Затем показывать объекты по очереди каждые (с, 0 — не показывать):"), KioskSlideSecondsEdit);
    auto *kioskLayout = new QVBoxLayout(kioskTab);
    kioskLayout->addWidget(StartCatalogBox);
    kioskLayout->addLayout(choice);
    kioskLayout->addLayout(kioskForm);
    kioskLayout->addWidget(KioskPasswordStopsSessionBox);
    kioskLayout->addStretch();
    PageControl->addTab(kioskTab, QStringLiteral("Выставочный киоск"));

    auto *picturesTab = m_picturesTab = new QWidget;
    picturesTab->setObjectName(QStringLiteral("PicturesTab"));
    PictureShrinkBox = Named<QCheckBox>(
        "PictureShrinkBox", QStringLiteral("Уменьшать большие изображения при выборе и при добавлении объектов из папки"), picturesTab);
    PictureLongSideEdit = Named<QLineEdit>("PictureLongSideEdit", picturesTab);
    KeepSingleLine(PictureLongSideEdit);
    PictureQualityEdit = Named<QLineEdit>("PictureQualityEdit", picturesTab);
    KeepSingleLine(PictureQualityEdit);
    auto *picturesForm = new QFormLayout;
    picturesForm->addRow(QStringLiteral("Уменьшать до длинной стороны (пикселей):"), PictureLongSideEdit);
    picturesForm->addRow(QStringLiteral("Качество JPEG уменьшенного изображения (от 1 до 100):"), PictureQualityEdit);
    auto *picturesNote = new QLabel(QStringLiteral("Изображения меньшего размера и фотографии HEIC хранятся такими, какими "
                                                   "выбраны. Фоновые рисунки и изображения каталогов не уменьшаются."),
                                    picturesTab);
    picturesNote->setWordWrap(true);
    auto *picturesLayout = new QVBoxLayout(picturesTab);
    picturesLayout->addWidget(PictureShrinkBox);
    picturesLayout->addLayout(picturesForm);
    picturesLayout->addWidget(picturesNote);
    picturesLayout->addStretch();
    PageControl->addTab(picturesTab, QStringLiteral("Изображения"));

    CheckBox7 = Named<QCheckBox>("CheckBox7", QStringLiteral("Отключить заставку Splash-screen при запуске программы"), this);
    CheckBox7->setChecked(true);

    Button1 = new QPushButton(QStringLiteral("Готово"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addWidget(CheckBox7);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CheckBox5, &QCheckBox::toggled, this, &TForm6::CheckBox5Click);
    connect(StartCatalogBox, &QCheckBox::toggled, this, &TForm6::StartCatalogBoxClick);
    connect(PictureShrinkBox, &QCheckBox::toggled, this, &TForm6::PictureShrinkBoxClick);
    connect(StartCatalogFileBtn, &QPushButton::clicked, this, &TForm6::StartCatalogFileBtnClick);
    connect(StartCatalogFileEdit, &QLineEdit::editingFinished, this, &TForm6::listStartCatalogs);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm6::Button2Click);

    FormCreate();
}

QString TForm6::optionsPath() const
{
    return DModule->ProgramFolder + QLatin1String("/System/Options.txt");
}

int TForm6::radioIndex() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_formats[i]->isChecked())
            return i;
    }
    return -1;
}

void TForm6::setRadioIndex(int index)
{
    if (index >= 0 && index < 3)
        m_formats[index]->setChecked(true);
}

void TForm6::FormCreate()
{
    readOptions();
}

void TForm6::FormActivate()
{
    // The error box of a bad file takes the focus; coming back from it must not read (and complain) again.
    if (m_ignoreNextActivation) {
        m_ignoreNextActivation = false;
        return;
    }
    readOptions();
}

bool TForm6::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TForm6::readOptions()
{
    QStringList lines;
    QString error;
    try {
        lines = ReadTextLines(optionsPath());
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    m_linesAsRead = lines;
    const Options::Parsed parsed = Options::Parse(lines);
    QCheckBox *const flags[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, nullptr, CheckBox6, CheckBox7, CheckBox8};
    for (int i = 0; i < parsed.values.size(); ++i) {
        const int line = i + 1;
        if (line == Options::PasswordLine)
            Edit1->setText(parsed.values[i].toString());
        else if (line == Options::DisplayFormatLine)
            setRadioIndex(parsed.values[i].toInt());
        else
            flags[i]->setChecked(parsed.values[i].toBool());
    }
    m_displayFormatAsRead = lines.size() >= Options::DisplayFormatLine ? lines[Options::DisplayFormatLine - 1] : QString();
    const Options::ParsedKeeping keeping = Options::ParseKeeping(lines);
    m_keeping = keeping.values;
    SnapshotsKeptEdit->setText(QString::number(m_keeping.snapshotsKept));
    SnapshotProgressSizeEdit->setText(QString::number(m_keeping.snapshotProgressMiB));
    RecycleBinDaysEdit->setText(QString::number(m_keeping.recycleBinDays));
    const Options::ParsedKiosk kiosk = Options::ParseKiosk(lines);
    m_kiosk = kiosk.values;
    showKiosk(m_kiosk);
    const Options::ParsedPictureStoring pictures = Options::ParsePictureStoring(lines);
    m_pictureStoring = pictures.values;
    PictureShrinkBox->setChecked(m_pictureStoring.shrink);
    PictureLongSideEdit->setText(QString::number(m_pictureStoring.longSide));
    PictureQualityEdit->setText(QString::number(m_pictureStoring.quality));
    PictureShrinkBoxClick();
    CheckBox5Click();
    for (const QString &found : {parsed.error, keeping.error, kiosk.error, pictures.error}) {
        if (error.isEmpty())
            error = found;
    }
    if (!error.isEmpty()) {
        m_ignoreNextActivation = isActiveWindow();
        ShowGeneralError(error);
    }
}

void TForm6::CheckBox5Click()
{
    Edit1->setEnabled(CheckBox5->isChecked());
}

void TForm6::Button1Click()
{
    // A ticked box with no password would guard the catalog with nothing: Esc would leave it at once.
    if (CheckBox5->isChecked() && Edit1->text().isEmpty()) {
        refuse(QStringLiteral("Введите пароль на выход из каталога или снимите флажок "
                              "\"Использовать пароль на выход из запущенного каталога\"."),
               m_catalogTab, Edit1);
        return;
    }
    const std::optional<Options::Keeping> keeping = typedKeeping();
    if (!keeping)
        return;
    const std::optional<Options::Kiosk> kiosk = typedKiosk();
    if (!kiosk)
        return;
    const std::optional<Options::PictureStoring> pictures = typedPictureStoring();
    if (!pictures || !agreesToKeepLess(*keeping))
        return;
    const QVector<QVariant> values = {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked(),
                                      CheckBox4->isChecked(), CheckBox5->isChecked(), Edit1->text(),
                                      CheckBox6->isChecked(), CheckBox7->isChecked(), CheckBox8->isChecked(),
                                      radioIndex()};
    const bool formatChanged = m_displayFormatAsRead != QString::number(radioIndex());
    const QStringList lines = Options::ComposePictureStoring(
        *pictures, Options::ComposeKiosk(*kiosk, Options::ComposeKeeping(*keeping, Options::Compose(values, m_linesAsRead))));
    if (!Guarded([&] { WriteTextLines(optionsPath(), lines); }))
        return;
    m_displayFormatAsRead = QString::number(radioIndex());
    m_linesAsRead = lines;
    m_keeping = *keeping;
    m_kiosk = *kiosk;
    m_pictureStoring = *pictures;
    if (formatChanged)
        RebuildTreesAfterDisplayFormatChange();
    close();
}

void TForm6::refuse(const QString &reason, QWidget *tab, QWidget *focus)
{
    PageControl->setCurrentWidget(tab);
    // Coming back from the message must not read the file again over what was typed.
    m_ignoreNextActivation = isActiveWindow();
    ShowMessage(reason, this);
    focus->setFocus(Qt::OtherFocusReason);
}

std::optional<int> TForm6::typedNumber(QLineEdit *edit, int minimum, int maximum, const QString &what, QWidget *tab)
{
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    if (ok && value >= minimum && value <= maximum)
        return value;
    refuse(what.arg(minimum).arg(maximum), tab, edit);
    return std::nullopt;
}

std::optional<Options::Keeping> TForm6::typedKeeping()
{
    struct Typed
    {
        QLineEdit *edit;
        int Options::Keeping::*value;
        int minimum, maximum;
        QString what;
    };
    const Typed typed[] = {
        {SnapshotsKeptEdit, &Options::Keeping::snapshotsKept, 1, Options::MaxSnapshotsKept,
         QStringLiteral("Число хранимых резервных копий должно быть целым числом от %1 до %2.")},
        {SnapshotProgressSizeEdit, &Options::Keeping::snapshotProgressMiB, 0, Options::MaxSnapshotProgressMiB,
         QStringLiteral("Размер файла, с которого показывается ход копирования, должен быть целым числом мегабайт от %1 до %2.")},
        {RecycleBinDaysEdit, &Options::Keeping::recycleBinDays, 1, Options::MaxRecycleBinDays,
         QStringLiteral("Срок хранения объектов в корзине должен быть целым числом дней от %1 до %2.")},
    };
    Options::Keeping keeping;
    for (const Typed &t : typed) {
        const std::optional<int> value = typedNumber(t.edit, t.minimum, t.maximum, t.what, m_keepingTab);
        if (!value)
            return std::nullopt;
        keeping.*t.value = *value;
    }
    return keeping;
}

void TForm6::showKiosk(const Options::Kiosk &kiosk)
{
    StartCatalogBox->setChecked(kiosk.startCatalog);
    StartCatalogFileEdit->setText(kiosk.startCatalogFile);
    listStartCatalogs();
    StartCatalogNameBox->setEditText(kiosk.startCatalogName);
    KioskIdleMinutesEdit->setText(QString::number(kiosk.idleMinutes));
    KioskSlideSecondsEdit->setText(QString::number(kiosk.slideSeconds));
    KioskPasswordStopsSessionBox->setChecked(kiosk.passwordStopsSession);
    StartCatalogBoxClick();
}

void TForm6::PictureShrinkBoxClick()
{
    PictureLongSideEdit->setEnabled(PictureShrinkBox->isChecked());
    PictureQualityEdit->setEnabled(PictureShrinkBox->isChecked());
}

std::optional<Options::PictureStoring> TForm6::typedPictureStoring()
{
    Options::PictureStoring storing;
    storing.shrink = PictureShrinkBox->isChecked();
    const std::optional<int> side =
        typedNumber(PictureLongSideEdit, Options::MinPictureLongSide, Options::MaxPictureLongSide,
                    QStringLiteral("Длинная сторона уменьшенного изображения должна быть целым числом пикселей от %1 до %2."),
                    m_picturesTab);
    if (!side)
        return std::nullopt;
    const std::optional<int> quality =
        typedNumber(PictureQualityEdit, Options::MinPictureQuality, Options::MaxPictureQuality,
                    QStringLiteral("Качество JPEG уменьшенного изображения должно быть целым числом от %1 до %2."), m_picturesTab);
    if (!quality)
        return std::nullopt;
    storing.longSide = *side;
    storing.quality = *quality;
    return storing;
}

void TForm6::StartCatalogBoxClick()
{
    for (QWidget *control : {static_cast<QWidget *>(StartCatalogFileEdit), static_cast<QWidget *>(StartCatalogFileBtn),
                             static_cast<QWidget *>(StartCatalogNameBox)})
        control->setEnabled(StartCatalogBox->isChecked());
}

void TForm6::StartCatalogFileBtnClick()
{
    const QString typed = StartCatalogFileEdit->text();
    // Coming back from the dialog must not read the file again over what was chosen meanwhile.
    m_ignoreNextActivation = isActiveWindow();
    const QString path = ChooseFileToOpen(this, {"StartCatalogFileDialog", QStringLiteral("Файл базы данных каталога"),
                                                 {DatabaseFilter()},
                                                 typed.isEmpty() ? QString() : QFileInfo(typed).absolutePath()});
    if (path.isEmpty())
        return;
    StartCatalogFileEdit->setText(path);
    listStartCatalogs();
}

void TForm6::listStartCatalogs()
{
    const QString typedName = StartCatalogNameBox->currentText();
    const QString file = StartCatalogFileEdit->text();
    QStringList names;
    // A file that is not a database (yet) lists nothing; the start tells why when it cannot run it.
    if (QFileInfo(file).isFile()) {
        try {
            names = StartChoice::CatalogNamesOf(file);
        } catch (const std::exception &) {
        }
    }
    StartCatalogNameBox->clear();
    StartCatalogNameBox->addItems(names);
    StartCatalogNameBox->setEditText(names.contains(typedName) || names.isEmpty() ? typedName : names.first());
}

std::optional<Options::Kiosk> TForm6::typedKiosk()
{
    Options::Kiosk kiosk;
    kiosk.startCatalog = StartCatalogBox->isChecked();
    kiosk.startCatalogFile = StartCatalogFileEdit->text();
    kiosk.startCatalogName = StartCatalogNameBox->currentText();
    kiosk.passwordStopsSession = KioskPasswordStopsSessionBox->isChecked();
    if (kiosk.startCatalog && kiosk.startCatalogFile.isEmpty()) {
        refuse(QStringLiteral("Выберите файл базы данных, каталог из которого запускается при старте программы, или снимите флажок "
                              "\"Запускать каталог при старте программы\"."),
               m_kioskTab, StartCatalogFileEdit);
        return std::nullopt;
    }
    if (kiosk.startCatalog && kiosk.startCatalogName.isEmpty()) {
        refuse(QStringLiteral("Выберите каталог, который запускается при старте программы."), m_kioskTab, StartCatalogNameBox);
        return std::nullopt;
    }
    if (const QString error = Options::KioskTextError(kiosk); !error.isEmpty()) {
        refuse(error, m_kioskTab, StartCatalogFileEdit);
        return std::nullopt;
    }
    // A choice that cannot start is told now, not at the next start in front of visitors.
    if (kiosk.startCatalog) {
        if (const QString why = StartChoice::WhyCannotRun({kiosk.startCatalogName, kiosk.startCatalogFile}); !why.isEmpty()) {
            refuse(QStringLiteral("Каталог не сможет запускаться при старте программы: ") + why, m_kioskTab, StartCatalogNameBox);
            return std::nullopt;
        }
    }
    const std::optional<int> idle =
        typedNumber(KioskIdleMinutesEdit, 0, Options::MaxKioskIdleMinutes,
                    QStringLiteral("Время бездействия, после которого каталог возвращается к началу, должно быть целым числом минут от %1 до %2."),
                    m_kioskTab);
    if (!idle)
        return std::nullopt;
    const std::optional<int> slide =
        typedNumber(KioskSlideSecondsEdit, 0, Options::MaxKioskSlideSeconds,
                    QStringLiteral("Время показа одного объекта должно быть целым числом секунд от %1 до %2."), m_kioskTab);
    if (!slide)
        return std::nullopt;
    kiosk.idleMinutes = *idle;
    kiosk.slideSeconds = *slide;
    return kiosk;
}

bool TForm6::agreesToKeepLess(const Options::Keeping &keeping)
{
    QStringList lost;
    if (keeping.snapshotsKept < m_keeping.snapshotsKept)
        lost << QStringLiteral("При следующем создании резервной копии базы данных останутся только %1 последних копий, "
                               "более старые будут удалены.")
                    .arg(keeping.snapshotsKept);
    if (keeping.recycleBinDays < m_keeping.recycleBinDays)
        lost << QStringLiteral("При следующем открытии базы данных из корзины будут удалены объекты, удаленные более %1 дн. назад.")
                    .arg(keeping.recycleBinDays);
    if (lost.isEmpty())
        return true;
    m_ignoreNextActivation = isActiveWindow();
    return AskYesNo(lost.join(QLatin1Char('\n')) + QStringLiteral("\nСохранить настройки?"), this);
}

void TForm6::Button2Click()
{
    close();
}

bool TForm6::isBoxChecked(int number) const
{
    const QCheckBox *boxes[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox8};
    return boxes[number - 1]->isChecked();
}

QString TForm6::catalogPassword() const
{
    return Edit1->text();
}

namespace Settings {
namespace {
bool checked(int box, bool fallback)
{
    return Form6 ? Form6->isBoxChecked(box) : fallback;
}
}
bool RegenerateBooks() { return checked(1, true); }
bool LeafLinksOnly() { return checked(2, true); }
bool TemplateDropsBooks() { return checked(3, false); }
bool TemplateDropsObjects() { return checked(4, false); }
bool CatalogPasswordOn() { return checked(5, true); }
QString CatalogPassword() { return Form6 ? Form6->catalogPassword() : QString(); }
bool CatalogExitGuarded() { return CatalogPasswordOn() && !CatalogPassword().isEmpty(); }
bool XpFrame() { return checked(6, false); }
bool SplashOff() { return checked(7, true); }
bool RatioWindowOff() { return checked(8, true); }
int DisplayFormat() { return Form6 ? qMax(0, Form6->radioIndex()) : 0; }
namespace {
Options::Keeping keeping()
{
    return Form6 ? Form6->keeping() : Options::Keeping();
}
}
int SnapshotsKept() { return keeping().snapshotsKept; }
qint64 SnapshotProgressBytes() { return qint64(keeping().snapshotProgressMiB) * 1024 * 1024; }
int RecycleBinDays() { return keeping().recycleBinDays; }
Options::PictureStoring PictureStoring() { return Form6 ? Form6->pictureStoring() : Options::PictureStoring(); }
namespace {
Options::Kiosk kiosk()
{
    return Form6 ? Form6->kiosk() : Options::Kiosk();
}
}
QString StartCatalogFile()
{
    const Options::Kiosk k = kiosk();
    return k.startCatalog ? k.startCatalogFile : QString();
}
QString StartCatalogName()
{
    const Options::Kiosk k = kiosk();
    return k.startCatalog ? k.startCatalogName : QString();
}
int KioskIdleMinutes() { return kiosk().idleMinutes; }
int KioskSlideSeconds() { return kiosk().slideSeconds; }
bool KioskPasswordStopsSession() { return kiosk().passwordStopsSession; }
}
