#include "templates/templateforms.h"

#include "app/filedialogs.h"
#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/namedialog.h"
#include "app/progress.h"
#include "app/serverdialog.h"
#include "app/serversettings.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/serverdatabase.h"
#include "objects/form2.h"
#include "settings/form6.h"
#include "templates/templatestore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
void setUp(QDialog *window, const char *name, const QString &caption)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    window->setWindowFlag(Qt::WindowStaysOnTopHint);
    window->setModal(false);
}

QString programFolder()
{
    return DModule->ProgramFolder;
}

// The success message; the catalogs a template never keeps are named, so none is thought saved.
QString SavedMessage(const TemplateStore::SavedTemplate &saved)
{
    QString text = QStringLiteral("Шаблон успешно сохранен!");
    const QStringList &catalogs = saved.catalogsLeftOut;
    if (catalogs.isEmpty())
        return text;
    constexpr int Listed = 10;
    QStringList quoted;
    for (const QString &name : catalogs.mid(0, Listed))
        quoted << QStringLiteral("«%1»").arg(name);
    if (catalogs.size() > Listed)
        quoted << QStringLiteral("…");
    return text + MessageLineBreak
           + QStringLiteral("Каталоги в шаблоне не сохраняются. Не вошли в шаблон каталоги (%1): %2.")
                 .arg(catalogs.size())
                 .arg(quoted.join(QStringLiteral(", ")))
           + MessageLineBreak + QStringLiteral("В вашей базе данных они остались без изменений.");
}

// A file operation that may take a moment runs under the wait cursor; its error is shown after it.
template <typename Action>
bool BusyGuarded(Action &&action)
{
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        action();
    } catch (const std::exception &e) {
        error = QString::fromUtf8(e.what());
    }
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty())
        ShowGeneralError(error);
    return error.isEmpty();
}

// A name for the new file that no file in the program folder has yet: "Пример.mdb", "Пример 2.mdb", ...
QString freeFileName(const QString &base)
{
    QString name = base + QLatin1String(".mdb");
    for (int n = 2; QFileInfo::exists(programFolder() + QLatin1Char('/') + name); ++n)
        name = QStringLiteral("%1 %2.mdb").arg(base).arg(n);
    return name;
}

// Checks `source`, asks for the new database's file (and before replacing one) and makes it a copy of
// `source`, then the editing mode opens it. False when the user cancelled or the copy failed.
bool makeAndOpenDatabase(QWidget *parent, const QString &source, const QString &proposedName)
{
    // A file that cannot become a database is refused before the user picks a file it would replace.
    if (!BusyGuarded([&] { TemplateStore::CheckSource(source); }))
        return false;
    const QString chosen = ChooseFileToSave(parent, {"SaveDialog", QStringLiteral("Выберите файл для новой БД"),
                                                     {DatabaseFilter()},
                                                     programFolder() + QLatin1Char('/') + proposedName});
    if (chosen.isEmpty())
        return false;
    const QString target = TemplateStore::NewDatabaseFileName(chosen);
    const QString problem = TemplateStore::TargetProblem(programFolder(), target);
    if (!problem.isEmpty()) {
        ShowMessage(problem, parent);
        return false;
    }
    if (QFileInfo::exists(target)
        && !AskYesNo(QStringLiteral("Файл %1 уже существует. Заменить его новой базой данных?%2Прежнее содержимое файла будет потеряно.")
                         .arg(QDir::toNativeSeparators(target), MessageLineBreak),
                     parent))
        return false;
    if (!BusyGuarded([&] { TemplateStore::CreateDatabase(programFolder(), source, target); }))
        return false;
    // Closing the view/fill window brings the editing mode back, also when it was not on screen.
    Form2->close();
    Form1->OpenDataBase(target);
    return true;
}

void fillList(QListWidget *list, const QStringList &names)
{
    list->clear();
    list->addItems(names);
    if (list->count() > 0)
        list->setCurrentRow(0);
}
}

// ---- TForm9 ----

TForm9::TForm9(QWidget *parent)
    : QDialog(parent)
{
    setUp(this, "Form9", QStringLiteral("Выбор способа создания базы данных"));
    RadioButton1 = Named<QRadioButton>("RadioButton1", QStringLiteral("Создать пустую базу данных"), this);
    RadioButton2 = Named<QRadioButton>("RadioButton2", QStringLiteral("Создать базу данных из шаблона (выберите из списка)"), this);
    ListBox = Named<QListWidget>("ListBox", this);
    ListBox->setFixedSize(380, 160);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Создать"), this);
    Button1->setDefault(true);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Закрыть окно"), this);
    ServerBtn = Named<QPushButton>("ServerBtn", QStringLiteral("Создать на сервере…"), this);
    ServerDialog = new TServerDialog(this);
    ServerDialog->setMode(TServerDialog::Mode::Create);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(ServerBtn);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(RadioButton1);
    layout->addWidget(RadioButton2);
    layout->addWidget(ListBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(RadioButton1, &QRadioButton::clicked, this, &TForm9::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TForm9::RadioButton2Click);
    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TForm9::Button1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm9::Button2Click);
    connect(ServerBtn, &QPushButton::clicked, this, &TForm9::ServerBtnClick);
    connect(ServerDialog, &TServerDialog::connectRequested, this, [this] {
        if (CreateOnServer(ServerDialog->connection()))
            ServerDialog->accept();
    });
    RadioButton1->setChecked(true);
    ListBox->setEnabled(false);
}

void TForm9::PrepareForNewDatabase()
{
    QStringList names;
    Guarded([&] { names = TemplateStore::ReadNames(programFolder()); });
    fillList(ListBox, names);
    RadioButton1->setChecked(true);
    ListBox->setEnabled(false);
}

void TForm9::RadioButton1Click()
{
    RadioButton1->setChecked(true);
    ListBox->setEnabled(false);
}

void TForm9::RadioButton2Click()
{
    if (ListBox->count() == 0) {
        RadioButton1->setChecked(true);
        return;
    }
    RadioButton2->setChecked(true);
    ListBox->setEnabled(true);
    ListBox->setFocus();
}

void TForm9::Button1Click()
{
    QString source;
    if (RadioButton1->isChecked()) {
        source = TemplateStore::EmptyDatabasePath(programFolder());
    } else {
        const QListWidgetItem *item = ListBox->currentItem();
        if (!item || !item->isSelected())
            return;
        if (!Guarded([&] { source = TemplateStore::TemplateSource(programFolder(), item->text()); }))
            return;
    }
    if (makeAndOpenDatabase(this, source, QStringLiteral("NewDataBase.mdb")))
        close();
}

void TForm9::ServerBtnClick()
{
    QString source;
    if (RadioButton2->isChecked()) {
        const QListWidgetItem *item = ListBox->currentItem();
        if (!item || !item->isSelected())
            return;
        if (!Guarded([&] { source = TemplateStore::TemplateSource(programFolder(), item->text()); }))
            return;
    }
    m_serverSource = source;
    ServerConnection server = ServerSettings::ReadLast(programFolder());
    // The remembered database exists already: the new one needs a name of its own.
    server.database.clear();
    ServerDialog->ShowConnection(server);
    ShowCentred(ServerDialog);
}

bool TForm9::CreateOnServer(const ServerConnection &server)
{
    QWidget *owner = ServerDialog->isVisible() ? static_cast<QWidget *>(ServerDialog) : this;
    QProgressDialog *progress = NewProgress(owner, QStringLiteral("Создание базы данных на сервере..."), 1000);
    bool made = false;
    QString error;
    try {
        if (m_serverSource.isEmpty()) {
            CreateServerDatabase(server);
            made = true;
        } else {
            made = TemplateStore::CreateServerDatabaseFrom(m_serverSource, server, ProgressIn(progress));
        }
    } catch (const DbError &e) {
        error = e.message();
    }
    progress->close();
    if (!error.isEmpty()) {
        ShowMessage(QStringLiteral("База данных на сервере не создана. %1").arg(error), owner);
        return false;
    }
    if (!made) {
        ShowMessage(QStringLiteral("Создание прервано: база данных на сервере не создана."), owner);
        return false;
    }
    // Closing the view/fill window brings the editing mode back, also when it was not on screen.
    Form2->close();
    Form1->OpenServerDataBase(server);
    close();
    return true;
}

void TForm9::CreateFromTemplate(const QString &name)
{
    QString source;
    if (!Guarded([&] { source = TemplateStore::TemplateSource(programFolder(), name); }))
        return;
    if (!QFileInfo(source).isFile()) {
        ShowMessage(QStringLiteral("Шаблон «%1» не найден в папке Samples.").arg(name));
        return;
    }
    makeAndOpenDatabase(Form1, source, freeFileName(name));
}

void TForm9::Button2Click()
{
    close();
}

// ---- TForm10 ----

TForm10::TForm10(QWidget *parent)
    : QDialog(parent)
{
    setUp(this, "Form10", QStringLiteral("Сохранение шаблона"));
    const NameDialogControls controls =
        BuildNameDialog(this, QStringLiteral("Имя шаблона:"), QStringLiteral("Сохранить шаблон"), TemplateStore::NameLimit);
    Edit1 = controls.Edit1;
    Button1 = controls.Button1;
    Button2 = controls.Button2;

    connect(Button1, &QPushButton::clicked, this, &TForm10::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm10::Button2Click);
}

void TForm10::PrepareForSaving()
{
    Edit1->clear();
    Edit1->setFocus();
}

void TForm10::Button1Click()
{
    const QString name = Edit1->text();
    QStringList names;
    if (!Guarded([&] { names = TemplateStore::ReadNames(programFolder()); }))
        return;
    const QString problem = TemplateStore::SaveProblem(programFolder(), names, name);
    if (!problem.isEmpty()) {
        ShowMessage(problem, this);
        return;
    }
    const TemplateStore::StripChoice strip{Settings::TemplateDropsObjects(), Settings::TemplateDropsBooks()};
    if (DModule->connected() && DModule->engine() == EngineKind::Server) {
        saveFromServer(name, strip);
        return;
    }
    TemplateStore::SavedTemplate result;
    const bool saved = BusyGuarded([&] {
        result = TemplateStore::SaveTemplate(*DModule, programFolder(), name, Form1->CurrentDbPath, strip, [](const QString &path) {
            Form1->OpenDataBase(path);
            return DModule->connected();
        });
    });
    Form1->RefreshViewFillMode();
    if (!saved)
        return;
    close();
    ShowMessage(SavedMessage(result));
}

void TForm10::saveFromServer(const QString &name, TemplateStore::StripChoice strip)
{
    QProgressDialog *progress = NewProgress(this, QStringLiteral("Сохранение шаблона..."), 1000);
    // The open database is read as of one moment meanwhile; no window may change it before the copy ends.
    progress->setWindowModality(Qt::ApplicationModal);
    std::optional<TemplateStore::SavedTemplate> saved;
    QString error;
    try {
        saved = TemplateStore::SaveServerTemplate(*DModule, programFolder(), name, strip, ProgressIn(progress));
    } catch (const DbError &e) {
        error = e.message();
    }
    progress->close();
    if (!error.isEmpty()) {
        ShowGeneralError(error);
        return;
    }
    if (!saved) {
        ShowMessage(QStringLiteral("Сохранение прервано: шаблон не сохранен."), this);
        return;
    }
    close();
    ShowMessage(SavedMessage(*saved));
}

void TForm10::Button2Click()
{
    close();
}

// ---- TForm13 ----

TForm13::TForm13(QWidget *parent)
    : QDialog(parent)
{
    setUp(this, "Form13", QStringLiteral("Работа с шаблонами"));
    ListBox = Named<QListWidget>("ListBox", this);
    ListBox->setFixedSize(300, 220);
    OpenSampleBtn = Named<QPushButton>("OpenSampleBtn", QStringLiteral("Новая база данных из выбранного шаблона"), this);
    OpenSampleBtn->setDefault(true);
    ChangeSampleBtn = Named<QPushButton>("ChangeSampleBtn", QStringLiteral("Изменить имя выбранного шаблона"), this);
    DeleteSampleBtn = Named<QPushButton>("DeleteSampleBtn", QStringLiteral("Удалить выбранный шаблон"), this);
    CloseBtn = Named<QPushButton>("CloseBtn", QStringLiteral("Закрыть окно"), this);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OpenSampleBtn);
    buttons->addWidget(ChangeSampleBtn);
    buttons->addWidget(DeleteSampleBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(ListBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TForm13::OpenSampleBtnClick);
    connect(OpenSampleBtn, &QPushButton::clicked, this, &TForm13::OpenSampleBtnClick);
    connect(DeleteSampleBtn, &QPushButton::clicked, this, &TForm13::DeleteSampleBtnClick);
    connect(ChangeSampleBtn, &QPushButton::clicked, this, &TForm13::ChangeSampleBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &TForm13::CloseBtnClick);
}

void TForm13::LoadSamples()
{
    QStringList names;
    Guarded([&] { names = TemplateStore::ReadNames(programFolder()); });
    fillList(ListBox, names);
    const bool any = !names.isEmpty();
    for (QPushButton *button : {DeleteSampleBtn, OpenSampleBtn, ChangeSampleBtn})
        button->setEnabled(any);
}

void TForm13::TemplateRenamed(const QString &newName)
{
    LoadSamples();
    const QList<QListWidgetItem *> found = ListBox->findItems(newName, Qt::MatchExactly);
    if (!found.isEmpty())
        ListBox->setCurrentItem(found.constFirst());
}

const QListWidgetItem *TForm13::selectedItem() const
{
    const QListWidgetItem *item = ListBox->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void TForm13::OpenSampleBtnClick()
{
    const QListWidgetItem *item = selectedItem();
    if (!item)
        return;
    QString source;
    if (!Guarded([&] { source = TemplateStore::TemplateSource(programFolder(), item->text()); }))
        return;
    if (makeAndOpenDatabase(this, source, QStringLiteral("NewDataBase.mdb")))
        close();
}

void TForm13::DeleteSampleBtnClick()
{
    const QListWidgetItem *item = selectedItem();
    if (!item)
        return;
    const QString name = item->text();
    if (!AskYesNo(QStringLiteral("Вы действительно хотите удалить этот шаблон?"), this))
        return;
    Guarded([&] { TemplateStore::DeleteTemplate(programFolder(), name); });
    LoadSamples();
}

void TForm13::ChangeSampleBtnClick()
{
    if (const QListWidgetItem *item = selectedItem())
        Form14->ShowForTemplate(item->text());
}

void TForm13::CloseBtnClick()
{
    close();
}

// ---- TForm14 ----

TForm14::TForm14(QWidget *parent)
    : QDialog(parent)
{
    setUp(this, "Form14", QStringLiteral("Изменение шаблона"));
    const NameDialogControls controls =
        BuildNameDialog(this, QStringLiteral("Новое имя шаблона:"), QStringLiteral("Готово"), TemplateStore::NameLimit);
    Edit1 = controls.Edit1;
    Button1 = controls.Button1;
    Button2 = controls.Button2;

    connect(Button1, &QPushButton::clicked, this, &TForm14::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm14::Button2Click);
}

void TForm14::ShowForTemplate(const QString &name)
{
    m_oldName = name;
    Edit1->setText(name);
    Edit1->selectAll();
    ShowCentred(this);
    Edit1->setFocus();
}

void TForm14::Button1Click()
{
    const QString newName = Edit1->text();
    QStringList names;
    if (!Guarded([&] { names = TemplateStore::ReadNames(programFolder()); }))
        return;
    const QString problem = TemplateStore::RenameProblem(programFolder(), names, m_oldName, newName);
    if (!problem.isEmpty()) {
        ShowMessage(problem, this);
        return;
    }
    if (!Guarded([&] { TemplateStore::RenameTemplate(programFolder(), m_oldName, newName); }))
        return;
    close();
    Form13->TemplateRenamed(newName);
}

void TForm14::Button2Click()
{
    close();
}
