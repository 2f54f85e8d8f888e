#include "app/form1.h"

#include "app/backupswindow.h"
#include "app/checkdatabasewindow.h"
#include "app/filedialogs.h"
#include "app/form24.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/modewindows.h"
#include "app/progress.h"
#include "app/recentdatabases.h"
#include "app/serverdialog.h"
#include "app/serversettings.h"
#include "app/snapshotbeforechange.h"
#include "app/startpage.h"
#include "app/version.h"
#include "classifier/classifierpage.h"
#include "classifier/lazytree.h"
#include "core/dberror.h"
#include "catalogs/catalogstore.h"
#include "core/databasecopy.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/serverdatabase.h"
#include "fields/fieldspage.h"
#include "objects/form2.h"
#include "objects/listfollower.h"
#include "objects/searchindex.h"
#include "objects/sortkeys.h"
#include "references/referencespage.h"
#include "settings/form5.h"
#include "settings/form6.h"
#include "settings/helppage.h"
#include "settings/helpwindow.h"
#include "settings/product.h"
#include "settings/updatecheck.h"
#include "settings/updatemessages.h"
#include "templates/templateforms.h"
#include "templates/templatestore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), m_updateServer(UpdateServerHost)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramTitle);
    setMinimumSize(689, 612);
    KeepModeWindowPlace(this);

    static_cast<ModeMenu &>(*this) = BuildModeMenu(menuBar(), QStringLiteral("Перейти в режим просмотра / заполнения"),
                                                   QStringLiteral("Работа с шаблонами"));
    N14->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(ConnectServerItem, &QAction::triggered, this, &TForm1::ConnectServerItemClick);
    connect(UploadToServerItem, &QAction::triggered, this, &TForm1::UploadToServerItemClick);
    connect(BackupsItem, &QAction::triggered, this, &TForm1::BackupsItemClick);
    ServerDialog = new TServerDialog(this);
    connect(ServerDialog, &TServerDialog::connectRequested, this, [this] {
        const bool done = ServerDialog->mode() == TServerDialog::Mode::NewDatabase
                              ? UploadToServer(ServerDialog->connection())
                              : OpenServerDataBase(ServerDialog->connection(), ServerDialog->createNew());
        if (done)
            ServerDialog->accept();
    });

    connect(N11, &QAction::triggered, this, &TForm1::N11Click);
    connect(N12, &QAction::triggered, this, &TForm1::N12Click);
    connect(N13, &QAction::triggered, this, &TForm1::N13Click);
    connect(CheckDatabaseItem, &QAction::triggered, this, &TForm1::CheckDatabaseItemClick);
    connect(N14, &QAction::triggered, this, &TForm1::N15Click);
    connect(N21, &QAction::triggered, this, &TForm1::N22Click);
    connect(N22, &QAction::triggered, this, &TForm1::N23Click);
    connect(N31, &QAction::triggered, this, &TForm1::N31Click);
    connect(N32, &QAction::triggered, this, &TForm1::N32Click);
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(N51, &QAction::triggered, this, &TForm1::N51Click);
    connect(N52, &QAction::triggered, this, &TForm1::N52Click);
    connect(N53, &QAction::triggered, this, &TForm1::N53Click);
    connect(this, &TForm1::UpdateCheckRunning, N52, &QAction::setDisabled);

    auto *central = new QWidget(this);
    TabbedNotebook = new QTabWidget(central);
    TabbedNotebook->setObjectName(QStringLiteral("TabbedNotebook"));
    GoToDBBtn = new QPushButton(QStringLiteral("Просмотреть / Заполнить базу данных >>"), central);
    GoToDBBtn->setObjectName(QStringLiteral("GoToDBBtn"));
    referencesPage = new ReferencesPage(TabbedNotebook);
    classifierPage = new ClassifierPage(TabbedNotebook);
    fieldsPage = new FieldsPage(TabbedNotebook);
    connect(fieldsPage, &FieldsPage::panelOpenChanged, GoToDBBtn, &QPushButton::setDisabled);
    connect(classifierPage, &ClassifierPage::classDeleted, referencesPage, &ReferencesPage::ComponentsFill);
    TabbedNotebook->addTab(referencesPage, QStringLiteral("Справочная система"));
    TabbedNotebook->addTab(classifierPage, QStringLiteral("Компоненты справочной системы"));
    TabbedNotebook->addTab(fieldsPage, QStringLiteral("Поля описания объектов"));
    TabbedNotebook->setCurrentIndex(1);
    VersionInfo = new QLineEdit(central);
    VersionInfo->setObjectName(QStringLiteral("VersionInfo"));
    VersionInfo->hide();

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(GoToDBBtn);
    startPage = new StartPage(central);
    connect(startPage, &StartPage::newDatabaseRequested, this, &TForm1::N11Click);
    connect(startPage, &StartPage::openDatabaseRequested, this, &TForm1::N12Click);
    connect(startPage, &StartPage::openExampleRequested, this, &TForm1::OpenExampleClick);
    connect(startPage, &StartPage::connectServerRequested, this, &TForm1::ConnectServerItemClick);
    connect(startPage, &StartPage::recentDatabaseChosen, this, &TForm1::OpenDataBase);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(startPage, 1);
    layout->addWidget(TabbedNotebook, 1);
    layout->addLayout(buttonRow);
    setCentralWidget(central);
    connect(GoToDBBtn, &QPushButton::clicked, this, &TForm1::GoToDBBtnClick);

    // Objects changed by others show nowhere in this window; their design changes show at once.
    auto *follower = new ListFollower(*DModule, this, [] {}, [this] { DesignChangedElsewhere(); });
    follower->setBusyCheck([this] { return fieldsPage->panelOpen(); });
    follower->catchUpWhenShown();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TForm1::TimerTimer);

    FormCreate();
}

void TForm1::setDatabaseState(bool open)
{
    for (QAction *item : {N13, BackupsItem, CheckDatabaseItem, N21, N22, N31})
        item->setEnabled(open);
    UploadToServerItem->setEnabled(open && DModule->connected() && DModule->engine() == EngineKind::File);
    TabbedNotebook->setVisible(open);
    GoToDBBtn->setVisible(open);
    startPage->setVisible(!open);
    if (!open)
        startPage->showRecent(RecentDatabases::Read(DModule->ProgramFolder));
}

void TForm1::FormCreate()
{
    setDatabaseState(false);
    setWindowTitle(ProgramTitle + QLatin1Char(' ') + VersionText);
    if (QScreen *screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QSize size = screen->size();
        resize(qRound(size.width() * 0.6), qRound(size.height() * 0.6));
    }
    CentreOnScreen(this);
}

bool TForm1::event(QEvent *event)
{
    // The first show counts as an activation too: without a window manager the window never becomes active.
    if (event->type() == QEvent::WindowActivate || (event->type() == QEvent::Show && !m_shownOnce)) {
        m_shownOnce = true;
        FormActivate();
    }
    return QMainWindow::event(event);
}

void TForm1::FormActivate()
{
    if (!Settings::SplashOff() && Form24)
        Form24->ShowWhileRunning();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Closing the main window ends the program, whatever other windows are open.
    QTimer::singleShot(0, qApp, &QApplication::quit);
}

void TForm1::OpenDataBase(const QString &path)
{
    if (openDatabaseFile(path)) {
        RecentDatabases::Remember(DModule->ProgramFolder, path);
        showOpenedDatabase();
        // Before the user changes anything: the day's first state of the file.
        DailySnapshot(this);
    }
}

bool TForm1::openDatabaseFile(const QString &path)
{
    setWindowTitle(QStringLiteral("ИДЕТ ОТКРЫТИЕ ФАЙЛА БАЗЫ ДАННЫХ! ПОЖАЛУЙСТА ПОДОЖДИТЕ!"));
    CurrentDbPath = path;
    try {
        DModule->OpenConnection(path);
        prepareSearchIndex();
        prepareSortKeys();
        DModule->QRClasses->open(QStringLiteral("SELECT * FROM CLASSES"));
        fieldsPage->reloadFieldList();
        classifierPage->ClassesViewExpand(nullptr);
    } catch (const std::exception &) {
        DModule->CloseConnection();
        ShowMessage(QStringLiteral("Файл базы данных не найден!"), this);
        setWindowTitle(ProgramTitle + QLatin1Char(' ') + VersionText);
        setDatabaseState(false);
        return false;
    }
    return true;
}

void TForm1::BackupsItemClick()
{
    if (!BackupsWindow)
        BackupsWindow = new TBackupsWindow(this);
    BackupsWindow->ShowSnapshots();
    ShowCentred(BackupsWindow);
}

bool TForm1::RestoreSnapshot(const Snapshots::Snapshot &snapshot)
{
    QWidget *owner = DialogOwner(this);
    if (!DModule->connected() || DModule->engine() != EngineKind::File)
        return false;
    const QString path = DModule->database().databaseName();
    // Aside first, with its catalogs' pictures: the snapshot of the present state may prune the chosen
    // one when it is the oldest.
    QTemporaryDir aside;
    const QString restored = aside.path() + QStringLiteral("/restored.mdb");
    const bool copied = aside.isValid() && Guarded([&] {
        TDModule reader;
        reader.OpenReadOnly(snapshot.path);
        CatalogStore::CopyDatabase(reader, snapshot.path, restored);
    });
    if (!copied || !SnapshotBeforeChange(owner, SnapshotCause::BeforeRestore(snapshot.made)))
        return false;
    DModule->CloseConnection();
    QString failure;
    try {
        Snapshots::PutInPlace(restored, path);
    } catch (const DbError &error) {
        failure = error.message();
    }
    // Through the ordinary opening: the restored file is checked and brought up to date as any other.
    OpenDataBase(path);
    if (failure.isEmpty() && DModule->connected()) {
        // The catalogs' pictures as they were, each catalog's folder replaced whole.
        try {
            TDModule reader;
            reader.OpenReadOnly(restored);
            CatalogStore::CarryPictures(reader, *DModule);
        } catch (const DbError &error) {
            ShowMessage(QStringLiteral("База данных восстановлена, но картинки каталогов восстановлены не все. %1").arg(error.message()),
                        owner);
        }
    }
    RefreshViewFillMode();
    if (!failure.isEmpty())
        ShowMessage(QStringLiteral("База данных не восстановлена: %1").arg(failure) + MessageLineBreak
                        + QStringLiteral("Открыта база данных в прежнем виде."),
                    owner);
    return failure.isEmpty();
}

bool TForm1::OpenSnapshotForViewing(const Snapshots::Snapshot &snapshot)
{
    // A copy of its own is opened, so nothing done while looking can touch the snapshot; its name, shown
    // in every title, says what it is.
    auto folder = std::make_unique<QTemporaryDir>();
    const QString name = QFileInfo(DModule->connected() ? DModule->database().databaseName() : snapshot.path).completeBaseName()
                         + QStringLiteral(" — копия от ") + snapshot.made.toString(QStringLiteral("dd.MM.yyyy HH-mm-ss"))
                         + QStringLiteral(".mdb");
    const QString copy = folder->path() + QLatin1Char('/') + name;
    const bool copied = folder->isValid() && Guarded([&] {
        TDModule reader;
        reader.OpenReadOnly(snapshot.path);
        CatalogStore::CopyDatabase(reader, snapshot.path, copy);
    });
    if (!copied)
        return false;
    if (!openDatabaseFile(copy))
        return false;
    m_viewedCopy = std::move(folder);
    showOpenedDatabase();
    RefreshViewFillMode();
    return true;
}

void TForm1::showOpenedDatabase()
{
    setDatabaseState(true);
    classifierPage->resetSortChoice();
    Guarded([this] { ClearForm(); });
    setWindowTitle(ModeWindowTitle(QStringLiteral("Вирандел: Режим редактирования")));
}

void TForm1::ConnectServerItemClick()
{
    ServerDialog->setMode(TServerDialog::Mode::Connect);
    ServerDialog->ShowConnection(ServerSettings::ReadLast(DModule->ProgramFolder));
    ShowCentred(ServerDialog);
}

void TForm1::UploadToServerItemClick()
{
    if (!DModule->connected() || DModule->engine() != EngineKind::File)
        return;
    ServerConnection server = ServerSettings::ReadLast(DModule->ProgramFolder);
    // The remembered database exists already; a name made of the file's name is offered when it is a valid one.
    const QString suggested = QFileInfo(CurrentDbPath).completeBaseName().toLower();
    server.database = Engine::ValidDatabaseName(suggested) ? suggested : QString();
    ServerDialog->setMode(TServerDialog::Mode::NewDatabase);
    ServerDialog->ShowConnection(server);
    ServerDialog->FocusDatabaseName();
    ShowCentred(ServerDialog);
}

void TForm1::carryCatalogPictures(const std::function<void(TDModule &target)> &openTarget, QWidget *owner)
{
    try {
        TDModule target;
        openTarget(target);
        CatalogStore::CarryPictures(*DModule, target);
    } catch (const DbError &error) {
        ShowMessage(QStringLiteral("База данных скопирована, но картинки каталогов перенесены не все. %1").arg(error.message()),
                    owner);
    }
}

bool TForm1::UploadToServer(const ServerConnection &server)
{
    QWidget *owner = ServerDialog->isVisible() ? static_cast<QWidget *>(ServerDialog) : this;
    QProgressDialog *progress = NewProgress(owner, QStringLiteral("Выгрузка базы данных на сервер..."), 1000);
    bool done = false;
    try {
        done = DatabaseCopy::ToServer(*DModule, server, ProgressIn(progress));
    } catch (const DbError &error) {
        progress->close();
        ShowMessage(QStringLiteral("База данных не выгружена на сервер. %1").arg(error.message()), owner);
        return false;
    }
    progress->close();
    if (!done) {
        ShowMessage(QStringLiteral("Выгрузка прервана: база данных на сервере не создана."), owner);
        return false;
    }
    ServerSettings::Remember(DModule->ProgramFolder, server);
    carryCatalogPictures([&](TDModule &target) { target.OpenServerConnection(server); }, owner);
    if (AskYesNo(QStringLiteral("База данных выгружена на сервер %1:%2 под именем \"%3\". Открыть её?")
                     .arg(server.host).arg(server.port).arg(server.database),
                 owner))
        OpenServerDataBase(server);
    return true;
}

void TForm1::saveServerCopy(const QString &path)
{
    QWidget *owner = isVisible() ? static_cast<QWidget *>(this) : nullptr;
    QProgressDialog *progress = NewProgress(owner, QStringLiteral("Сохранение копии базы данных в файл..."), 1000);
    bool done = false;
    try {
        done = DatabaseCopy::ToFile(*DModule, path, ProgressIn(progress));
    } catch (const DbError &error) {
        progress->close();
        ShowMessage(QStringLiteral("Копия базы данных не сохранена. %1").arg(error.message()), owner);
        return;
    }
    progress->close();
    if (!done) {
        ShowMessage(QStringLiteral("Сохранение прервано: файл копии не создан."), owner);
        return;
    }
    carryCatalogPictures([&](TDModule &target) { target.OpenConnection(path); }, owner);
    // The team's database stays open unless the user wants to go on in the copy.
    if (AskYesNo(QStringLiteral("Копия базы данных сохранена в файл \"%1\". Открыть её вместо базы данных на сервере?")
                     .arg(QDir::toNativeSeparators(path)),
                 owner)) {
        OpenDataBase(path);
        RefreshViewFillMode();
    }
}

bool TForm1::OpenServerDataBase(const ServerConnection &server, bool createNew)
{
    QWidget *owner = ServerDialog->isVisible() ? static_cast<QWidget *>(ServerDialog) : this;
    try {
        if (createNew)
            CreateServerDatabase(server);
        DModule->OpenServerConnection(server);
    } catch (const DbError &error) {
        ShowMessage(error.message(), owner);
        return false;
    }
    try {
        // An uploaded database gets the quick search's index at its first opening.
        prepareSearchIndex();
        prepareSortKeys();
        DModule->QRClasses->open(QStringLiteral("SELECT * FROM CLASSES"));
        fieldsPage->reloadFieldList();
        classifierPage->ClassesViewExpand(nullptr);
    } catch (const std::exception &error) {
        DModule->CloseConnection();
        ShowMessage(QString::fromUtf8(error.what()), owner);
        setDatabaseState(false);
        return false;
    }
    CurrentDbPath.clear();
    ServerSettings::Remember(DModule->ProgramFolder, server);
    showOpenedDatabase();
    RefreshViewFillMode();
    return true;
}

void TForm1::prepareSearchIndex()
{
    // A file of an earlier version, or a database uploaded to a server, gets the quick search's index
    // once, here; it can take a while.
    QProgressDialog *progress = nullptr;
    EnsureSearchIndex(*DModule, [&](int done, int total) {
        if (total < 100)
            return;   // a small file: done before any window could show
        if (!progress) {
            progress = NewProgress(this, QStringLiteral("Подготовка быстрого поиска..."), total);
            progress->setCancelButton(nullptr);
        }
        progress->setValue(done);
        QApplication::processEvents();
    });
    if (progress)
        progress->close();
}

void TForm1::prepareSortKeys()
{
    // A file of an earlier version is converted, and one keyed in another order keyed anew, here.
    QProgressDialog *progress = nullptr;
    SortKeys::Prepare(*DModule, [&](qint64 done, qint64 total) {
        if (total < 10000)
            return;
        if (!progress) {
            progress = NewProgress(this, QStringLiteral("Подготовка порядка сортировки..."), 1000);
            progress->setCancelButton(nullptr);
        }
        progress->setValue(int(done * 1000 / total));
        QApplication::processEvents();
    });
    if (progress)
        progress->close();
}

void TForm1::DesignChangedElsewhere()
{
    // What the user has typed in the boxes stays; the lists show the design as it is now.
    Guarded([this] {
        classifierPage->classTree()->reread();
        fieldsPage->rereadKeepingCurrent();
        referencesPage->refillKeepingChoice();
    });
}

void TForm1::ClearForm()
{
    if (Form2)
        Form2->setEnabled(true);
    classifierPage->clearInputs();
    fieldsPage->clearInputs();
    fieldsPage->CancelBtnClick();
    referencesPage->ComponentsFill();
}

void TForm1::N11Click()
{
    Form9->PrepareForNewDatabase();
    ShowCentred(Form9);
}

void TForm1::N12Click()
{
    const QString path = ChooseFileToOpen(this, {"OpenDialog", QStringLiteral("Открытие файла БД"), {DatabaseFilter()}, {}}, false);
    if (path.isEmpty())
        return;
    OpenDataBase(path);
    if (Form2)
        Form2->close();
}

void TForm1::CheckDatabaseItemClick()
{
    // A mend changes objects the list may show (lookup values, links, sort keys).
    if (CheckOpenDatabase(this, DModule->engine() == EngineKind::File ? CurrentDbPath : QString()) && Form2
        && Form2->isVisible())
        Form2->ObjectsChangedElsewhere();
}

void TForm1::N13Click()
{
    QString path = ChooseFileToSave(this, {"SaveDialog", QStringLiteral("Сохранение файла БД"), {DatabaseFilter()}, {}});
    if (path.isEmpty())
        return;
    if (path.size() < 4 || !path.endsWith(QLatin1String(".mdb"), Qt::CaseSensitive))
        path += QLatin1String(".mdb");
    // An existing file is never overwritten, and the program never goes on in another file than the
    // copy the user asked for.
    if (QFileInfo::exists(path)) {
        ShowMessage(QStringLiteral("Файл \"%1\" уже существует! Копия базы данных не создана: выберите другое имя.")
                        .arg(QDir::toNativeSeparators(path)),
                    this);
        return;
    }
    if (DModule->connected() && DModule->engine() == EngineKind::Server) {
        saveServerCopy(path);
        return;
    }
    if (!Guarded([&] { CatalogStore::CopyDatabase(*DModule, CurrentDbPath, path); }))
        return;
    OpenDataBase(path);
    // Chosen in the view/fill mode, the list goes on showing the file now open.
    RefreshViewFillMode();
}

void TForm1::RefreshViewFillMode()
{
    if (Form2 && Form2->isVisible()) {
        if (!DModule->connected() || fieldsPage->fieldCount() == 0 || !Guarded([] { Form2->LoadGeneral(); }))
            Form2->close();
    }
}

void TForm1::N15Click()
{
    if (AskYesNo(QStringLiteral("Вы действительно хотите выйти из программы?"), this))
        close();
}

void TForm1::GoToDBBtnClick()
{
    if (fieldsPage->fieldCount() == 0) {
        ShowMessage(QStringLiteral("Добавьте хотя бы одно статическое поле описания объектов!"), this);
        return;
    }
    if (!Guarded([] { Form2->LoadGeneral(); }))
        return;
    ShowCentred(Form2);
    hide();
}

void TForm1::N22Click()
{
    GoToDBBtn->click();
}

void TForm1::N23Click()
{
    GoToDBBtn->click();
    if (Form2 && Form2->isVisible())
        Form2->GoToCatalogBtnClick();
}

void TForm1::N31Click()
{
    Form10->PrepareForSaving();
    ShowCentred(Form10);
}

void TForm1::N32Click()
{
    Form13->LoadSamples();
    ShowCentred(Form13);
}

void TForm1::N4Click()
{
    ShowCentred(Form6);
}

void TForm1::N51Click()
{
    const QString problem = HelpPageProblem(DModule->ProgramFolder);
    if (!problem.isEmpty()) {
        ShowError(problem, this);
        return;
    }
    // A window of its own, not a child of this one: it stays while the user changes modes.
    if (!HelpWindow)
        HelpWindow = new THelpWindow;
    HelpWindow->ShowPage(HelpPagePath(DModule->ProgramFolder));
}

void TForm1::SetUpdateServer(const QString &hostAndPort)
{
    m_updateServer = hostAndPort;
}

void TForm1::N52Click()
{
    // One check at a time: the entries are disabled meanwhile, and a request that comes anyway is ignored.
    if (m_updateCheck)
        return;
    const QString workingFile = DModule->ProgramFolder + QStringLiteral("/System/Version.txt");
    UpdateCheck check(workingFile, m_updateServer);
    m_updateCheck = &check;
    Q_EMIT UpdateCheckRunning(true);
    QEventLoop wait;
    connect(&check, &UpdateCheck::Done, &wait, &QEventLoop::quit);
    check.Start();
    Timer->start();
    // The program stays usable while the check waits; the timer's ticks arrive through this loop.
    if (!check.Finished())
        wait.exec();
    Timer->stop();
    m_updateCheck = nullptr;
    Q_EMIT UpdateCheckRunning(false);
    // Unfinished only when the program is ending.
    if (check.Finished())
        ReportUpdateCheck(check, workingFile, m_updateServer, isVisible() ? this : nullptr);
}

void TForm1::N53Click()
{
    ShowCentred(Form5);
}

void TForm1::OpenExampleClick()
{
    Form9->CreateFromTemplate(TemplateStore::ExampleName);
}

void TForm1::TimerTimer()
{
    if (m_updateCheck)
        m_updateCheck->Tick();
    else
        Timer->stop();
}

void TForm1::ClassesViewExpand(QTreeWidgetItem *node) { Guarded([&] { classifierPage->ClassesViewExpand(node); }); }
void TForm1::ClassesViewClick() { classifierPage->ClassesViewClick(); }
void TForm1::ComboBox2Change() { classifierPage->ComboBox2Change(); }
void TForm1::AddMeasureBtnClick() { classifierPage->AddMeasureBtnClick(); }
void TForm1::EditMeasureBtnClick() { classifierPage->EditMeasureBtnClick(); }
void TForm1::DeleteMeasureBtnClick() { classifierPage->DeleteMeasureBtnClick(); }
void TForm1::MoreClick() { classifierPage->MoreClick(); }
void TForm1::AddFieldBtnClick() { fieldsPage->AddFieldBtnClick(); }
void TForm1::EditFieldBtnClick() { fieldsPage->EditFieldBtnClick(); }
void TForm1::DeleteFieldBtnClick() { fieldsPage->DeleteFieldBtnClick(); }
void TForm1::OKBtnClick() { fieldsPage->OKBtnClick(); }
void TForm1::CancelBtnClick() { fieldsPage->CancelBtnClick(); }
void TForm1::ComboBox1Change() { fieldsPage->ComboBox1Change(); }
void TForm1::DBGridCellClick() { fieldsPage->DBGridCellClick(); }
void TForm1::LookupBtnClick() { fieldsPage->LookupBtnClick(); }
void TForm1::ComponentsFill() { referencesPage->ComponentsFill(); }
void TForm1::Button1Click() { referencesPage->Button1Click(); }
void TForm1::Button2Click() { referencesPage->Button2Click(); }
void TForm1::Button3Click() { referencesPage->Button3Click(); }
void TForm1::Button4Click() { referencesPage->Button4Click(); }
