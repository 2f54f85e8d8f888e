#include "catalogs/form22.h"

#include "app/filedialogs.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/pictureviewer.h"
#include "app/messages.h"
#include "app/named.h"
#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/form11.h"
#include "catalogs/form12.h"
#include "catalogs/form23.h"
#include "catalogs/placedelements.h"
#include "catalogs/idlereset.h"
#include "catalogs/screenkeeper.h"
#include "catalogs/searchkeyboard.h"
#include "catalogs/touchnavigation.h"
#include "catalogs/visitorguard.h"
#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "objects/filterpanel.h"
#include "objects/gridrowsync.h"
#include "objects/listfollower.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/printlayout.h"
#include "objects/objectsearch.h"
#include "objects/searchbox.h"
#include "settings/form6.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <utility>

namespace {
const QString PlainCaption = QStringLiteral("Электронный каталог");
}

TForm22::TForm22(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form22"));
    setWindowTitle(PlainCaption);
    // While a catalog runs no other window of the program can be reached.
    setWindowModality(Qt::ApplicationModal);

    auto *central = new QWidget(this);
    gridModel = new ObjectGridModel(DModule->QRGeneral, this);
    DBGrid = NewReadOnlyGrid(gridModel, central);
    DBGrid->horizontalHeader()->setSectionsClickable(true);
    DBGrid->horizontalHeader()->setHighlightSections(false);
    connect(DBGrid->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm22::DBGridTitleClick);
    m_rowSync = new GridRowSync(DBGrid, gridModel);
    m_follower = new ListFollower(*DModule, this, [this] { ObjectsChangedElsewhere(); },
                                  [this] { DesignChangedElsewhere(); });

    const SearchBox search = NewSearchBox(central, QStringLiteral("Поиск"),
                                          QStringLiteral("Показать только объекты, в столбцах которых встречается этот текст"));
    SearchEdit = search.edit;
    SearchTimer = search.timer;
    connect(SearchEdit, &QLineEdit::textChanged, this, &TForm22::SearchEditChanged);
    connect(SearchTimer, &QTimer::timeout, this, &TForm22::ApplySearch);

    filterPanel = new FilterPanel(DBGrid, central);
    // The panel is rebuilt once per evaluation of the filter, not at every move of the list meanwhile.
    connect(filterPanel, &FilterPanel::evaluationStarted, this, [] { DModule->CatalogListReady = false; });
    connect(filterPanel, &FilterPanel::evaluationFinished, this, [this] {
        DModule->CatalogListReady = true;
        showCurrentObject();
    });

    Panel = Named<QFrame>("Panel", central);
    Panel->setFont(ElementFont(Layout::DefaultFontName, Layout::DefaultFontSize, true));
    Background = new PictureElement(Panel);
    Background->setObjectName(QStringLiteral("Background"));
    setCentralWidget(central);

    PanelMenu = new QMenu(this);
    PanelMenu->setObjectName(QStringLiteral("PanelMenu"));
    QAction *saveScreen = PanelMenu->addAction(QStringLiteral("Сохранить экран каталога в файл..."));
    saveScreen->setObjectName(QStringLiteral("SaveScreenItem"));
    saveScreen->setShortcut(QKeySequence::Save);
    saveScreen->setShortcutContext(Qt::WindowShortcut);
    addAction(saveScreen);
    connect(saveScreen, &QAction::triggered, this, &TForm22::SaveScreenClick);
    for (QWidget *area : {static_cast<QWidget *>(Panel), static_cast<QWidget *>(Background)}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this, [this, area](const QPoint &pos) {
            // A file dialog would let a visitor rename and delete files: the screen is saved by the
            // operator, with the exit password off.
            const bool guarded = Settings::CatalogExitGuarded();
            for (QAction *item : PanelMenu->actions())
                item->setVisible(!guarded);
            if (!guarded)
                PanelMenu->popup(area->mapToGlobal(pos));
        });
    }

    // Esc leaves the search when it holds a text, else asks to leave the catalog (the exit check). With an
    // exit password Esc always asks for it at once: a password typed after an Esc must never land in the
    // search box in everyone's view.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("EscapeShortcut"));
    connect(escape, &QShortcut::activated, this, [this] {
        if (SearchEdit->hasFocus() && !SearchEdit->text().isEmpty() && !Settings::CatalogPasswordOn())
            SearchEdit->clear();
        else
            close();
    });

    ObjectList &list = ObjectList::Of(*DModule);
    connect(&list, &ObjectList::reopened, this, &TForm22::listReopened);
    connect(&list, &ObjectList::currentChanged, this, &TForm22::followCurrentObject);

    // A finger swiping across the panel turns to the next or the previous object.
    auto *swipe = new SwipeDetector(Panel);
    connect(swipe, &SwipeDetector::swipedLeft, this, [this] { ShowNextObject(); });
    connect(swipe, &SwipeDetector::swipedRight, this, &TForm22::ShowPreviousObject);
    // Without a keyboard and without the system's on-screen one, the catalog brings its own to the search box.
    new SearchKeyboard(SearchEdit, this);
    m_idle = new IdleReset(this);
    // A password window or a picture a visitor left open would hide the countdown and greet the next visitor.
    connect(m_idle, &IdleReset::countdownStarted, this, [this] {
        if (Form23->isVisible())
            Form23->reject();
        if (PictureViewer *viewer = findChild<PictureViewer *>())
            Q_EMIT viewer->closeRequested();
    });
    connect(m_idle, &IdleReset::returnToStart, this, &TForm22::ReturnToStart);
    connect(m_idle, &IdleReset::nextObject, this, [this] {
        // A list that cannot move (empty, or failing) is not tried again every few seconds.
        if (!ShowNextObject(true))
            m_idle->stopSlides();
    });
    m_keeper = new ScreenKeeper(this, [] { return Settings::CatalogExitGuarded(); }, this);
    new VisitorGuard(this, [] { return Settings::CatalogExitGuarded(); }, this);
    FormCreate();
}

void TForm22::FormCreate()
{
    ClearPanel();
    DModule->CatalogListReady = false;
}

void TForm22::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm22::FormResize()
{
    const int w = width(), h = height();
    const int treeWidth = int(0.3 * w);
    const int searchHeight = qMax(SearchEdit->sizeHint().height(), SearchEdit->minimumHeight());
    SearchEdit->setGeometry(4, 4, qMax(treeWidth - 8, 1), searchHeight);
    filterPanel->setGeometry(0, searchHeight + 8, treeWidth, qMax(h - searchHeight - 8, 1));
    const QRect panel = Layout::RunningCatalogPanel(size());
    Panel->setGeometry(panel);
    Background->setGeometry(Panel->contentsRect());
    DBGrid->setGeometry(treeWidth, panel.height(), panel.width(), qMax(h - panel.height(), 1));
}

bool TForm22::RunCatalog(const QString &Name, std::function<void()> whenLeft)
{
    Form23->ForgetPassword();
    if (QScreen *screen = Form11 && Form11->screen() ? Form11->screen() : QApplication::primaryScreen())
        setGeometry(screen->geometry());
    // Made for fingers on whichever screen it runs, the password window with it.
    MakeTouchFriendly(this);
    MakeTouchFriendly(Form23);
    FormResize();
    if (!Guarded([this] { LoadGeneral(); })) {
        finishRun();
        return false;
    }
    if (!OpenCatalog(Name, true)) {
        finishRun();
        return false;
    }
    m_running = true;
    m_whenLeft = std::move(whenLeft);
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->hide();
    }
    showFullScreen();
    raise();
    activateWindow();
    DBGrid->setFocus(Qt::OtherFocusReason);
    m_keeper->start();
    m_idle->start(Settings::KioskIdleMinutes(), Settings::KioskSlideSeconds());
    return true;
}

void TForm22::LoadGeneral()
{
    ShowListAfresh(*filterPanel, {SearchEdit, SearchTimer}, *DBGrid, *gridModel, [](ObjectList &list) {
        list.compose();
        list.open();
    });
    DModule->CatalogListReady = true;
}

void TForm22::ClearPanel()
{
    destroyElements();
    m_imageFields.clear();
    m_fields = {};
    m_built = false;
}

bool TForm22::OpenCatalog(const QString &Name, bool First)
{
    // Whatever cannot be shown is told once; the catalog runs with the rest.
    QStringList problems;
    const bool opened = openCatalog(Name, First, problems);
    if (!problems.isEmpty())
        ShowGeneralError(problems.join(MessageLineBreak));
    return opened;
}

bool TForm22::openCatalog(const QString &Name, bool First, QStringList &problems)
{
    if (!First && m_built && Name == m_catalogName) {
        showCurrentObject();
        return true;
    }
    std::optional<CatalogStore::Stored> stored;
    QList<DescriptionField> fields;
    if (!Guarded([&] {
            stored = CatalogStore::Open(*DModule, Name);
            fields = ReadDescriptionFields(*DModule);
        }))
        return false;
    if (!stored) {
        ShowMessage(QStringLiteral("Ошибка при открытии каталога!"), this);
        return false;
    }
    CatalogMemo = stored->layoutText;
    m_catalogName = Name;
    ClearPanel();
    const Layout::ReadResult read = Layout::Read(CatalogMemo);
    const Layout::Catalog &layout = read.catalog;
    // A picture that cannot be read leaves its box empty.
    CatalogStore::Pictures saved;
    Guarded([&] { saved = CatalogStore::LoadPictures(*DModule, Name, *stored, layout); });
    m_fields = CatalogObject::ResolveFields(fields, layout);

    buildElements(layout, Panel, DBGrid, First ? Background : nullptr, saved.background, saved.textImages, false);
    for (const Layout::FieldImage &record : layout.fieldImages)
        m_imageFields << record.fieldName;
    // A visitor looks at a field's picture closely inside the catalog window: a window of its own could
    // slip out from under the catalog's guard.
    for (PictureElement *image : Images) {
        connect(image, &PictureElement::doubleClicked, this, [this, image] {
            if (!findChild<PictureViewer *>())
                ShowPictureOver(image->pictureData(), this);
        });
    }
    m_built = true;
    m_showErrorReported = false;
    showCurrentObject();
    for (QWidget *element : Panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (element != Background) {
            element->show();
            element->raise();
        }
    }
    if (First)
        setWindowTitle(PlainCaption + QStringLiteral(" \"%1\"").arg(Name));

    if (!read.error.isEmpty())
        problems << read.error;
    if (!m_fields.missing.isEmpty())
        problems << CatalogObject::MissingFieldsText(m_fields.missing);
    return true;
}

void TForm22::showCurrentObject()
{
    ++m_shownObjects;
    SharedQuery &list = *DModule->QRGeneral;
    try {
        const bool hasRow = list.isOpen() && !list.eof();
        const auto bound = [&](const QString &name) { return hasRow && m_fields.knows(name); };
        for (LabelElement *label : std::as_const(Labels)) {
            const QString name = label->fieldName();
            label->setShownText(bound(name) ? CatalogObject::ShownText(list, m_fields.byName.value(name)) : QString());
        }
        for (BoxElement *memo : std::as_const(Memos)) {
            const QString name = memo->fieldName();
            memo->setPlainText(bound(name) ? CatalogObject::ShownText(list, m_fields.byName.value(name)) : QString());
        }
        QList<QByteArray> pictures;
        for (const QString &name : std::as_const(m_imageFields))
            pictures << (bound(name) ? CatalogObject::PictureData(*DModule, list, m_fields.byName.value(name)) : QByteArray());
        // Decoded beside the interface thread: holding a key down never waits for a photograph, and the
        // picture shown at the end is the last object's.
        for (int i = 0; i < Images.size() && i < pictures.size(); ++i)
            Images[i]->showPictureData(pictures[i]);
        if (!GroupBoxes.isEmpty()) {
            const QString lines =
                hasRow ? CatalogObject::ReferenceListText(*DModule, list.asInteger(QStringLiteral("G_ID"))) : QString();
            for (BoxElement *box : std::as_const(GroupBoxes))
                box->setPlainText(lines);
        }
    } catch (const std::exception &error) {
        // One message per opening, not one per row.
        if (!m_showErrorReported) {
            m_showErrorReported = true;
            ShowGeneralError(QString::fromUtf8(error.what()));
        }
    }
}

void TForm22::listReopened()
{
    // Sorting, searching and filtering open the list again at its first row: that row is shown.
    if (m_built && DModule->QRGeneral->isOpen())
        followCurrentObject();
}

void TForm22::followCurrentObject()
{
    SharedQuery &list = *DModule->QRGeneral;
    if (!m_running || !DModule->CatalogListReady || m_following)
        return;
    m_following = true;
    const int row = list.recNo();
    OpenCatalog(m_catalogName, false);
    list.setRecNo(row);
    m_following = false;
}

void TForm22::ComboBoxChange()
{
    GuardedRead([this] { filterPanel->ComboBoxChange(); });
}

void TForm22::AddFilterClick()
{
    GuardedRead([this] { filterPanel->AddFilterClick(); });
}

void TForm22::DeleteFilterClick()
{
    GuardedRead([this] { filterPanel->DeleteFilterClick(); });
}

void TForm22::MakeFClass()
{
    GuardedRead([this] { filterPanel->MakeFClass(); });
}

void TForm22::DBGridTitleClick(int column)
{
    if (column < 0 || column >= gridModel->columnCount())
        return;
    SortObjectListByTitle(ObjectList::Of(*DModule), gridModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
}

void TForm22::SearchEditChanged()
{
    SearchTimer->start();
}

void TForm22::ApplySearch()
{
    SearchTimer->stop();
    GuardedRead([this] { ObjectList::Of(*DModule).applySearch(VisibleGridFields(*DBGrid, *gridModel), SearchEdit->text()); });
}

bool TForm22::FormCloseQuery()
{
    if (Settings::CatalogPasswordOn() && !Form23->PasswordGiven()) {
        Form23->AskForPassword();
        return false;
    }
    return true;
}

void TForm22::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_keeper->stop();
    QMainWindow::closeEvent(event);
    const std::function<void()> whenLeft = std::exchange(m_whenLeft, nullptr);
    finishRun();
    if (whenLeft) {
        whenLeft();
        return;
    }
    if (Form11) {
        Form11->show();
        if (Form12)
            Form12->show();
    }
}

void TForm22::finishRun()
{
    m_keeper->stop();
    m_idle->stop();
    DModule->CatalogListReady = false;
    m_running = false;
    m_whenLeft = nullptr;
    SearchTimer->stop();
    ClearPanel();
    Background->clearPicture();
    // The designer lists every object unsorted again, as it did before the run; a run that failed before the
    // list was made has nothing to give back.
    if (DModule->connected() && ObjectList::Of(*DModule).composed())
        GuardedRead([] { ObjectList::Of(*DModule).openWhole(); });
}

void TForm22::ObjectsChangedElsewhere()
{
    if (!m_built)
        return;
    DModule->CatalogListReady = false;
    GuardedRead([] { ObjectList::Of(*DModule).reopenKeepingCurrent(); });
    DModule->CatalogListReady = true;
    showCurrentObject();
}

void TForm22::DesignChangedElsewhere()
{
    if (!m_built)
        return;
    const QString name = m_catalogName;
    // The layout may show fields that are gone: the panel is built again from the new fields, the list
    // starts afresh as on a new run, only the current object is kept.
    ClearPanel();
    QString failure;
    try {
        DModule->CatalogListReady = false;
        ShowListAfresh(*filterPanel, {SearchEdit, SearchTimer}, *DBGrid, *gridModel,
                       [](ObjectList &list) { list.reloadAfterDesignChange(); });
        DModule->CatalogListReady = true;
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    const QString changed = DesignChangedElsewhereText;
    // One message says it all: what changed, that the catalog opened again, and what it can no longer show.
    QStringList problems;
    if (failure.isEmpty() && openCatalog(name, true, problems)) {
        ShowMessage(QStringList{changed, QStringLiteral("Каталог открыт заново; фильтр, поиск и сортировка сброшены.")}
                        .join(MessageLineBreak)
                        + (problems.isEmpty() ? QString() : MessageLineBreak + problems.join(MessageLineBreak)),
                    this);
        return;
    }
    const QString notOpened = QStringLiteral("Каталог не удалось открыть заново")
                              + (failure.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + failure);
    if (Settings::CatalogPasswordOn()) {
        // The exit password still guards the way out: the window stays, with the list and an empty panel.
        ShowMessage(changed + MessageLineBreak + notOpened, this);
        return;
    }
    // Nothing half shown: the run ends and the designer comes back.
    hide();
    finishRun();
    if (Form11) {
        Form11->show();
        if (Form12)
            Form12->show();
    }
    ShowMessage(changed + MessageLineBreak + notOpened, Form11);
}

void TForm22::SaveScreenClick()
{
    if (Settings::CatalogExitGuarded())
        return;
    QString path = ChooseFileToSave(this, {"SaveScreenDialog", QStringLiteral("Сохранить экран каталога"),
                                           {QStringLiteral("Изображения PNG (*.png)"), QStringLiteral("Документы PDF (*.pdf)")},
                                           QString()});
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf"))
        path += QLatin1String(".png");
    if (QFileInfo::exists(path)
        && !AskYesNo(QStringLiteral("Файл %1 уже существует. Заменить его?").arg(QFileInfo(path).fileName()), this))
        return;
    Guarded([&] { SaveScreenPicture(*Panel, path); });
}

void TForm22::ReturnToStart()
{
    if (!m_running)
        return;
    // Filter, search and order go in one opening of the list; the panel is filled once, for its first object.
    DModule->CatalogListReady = false;
    GuardedRead([this] {
        filterPanel->reset();
        ResetSearchBox({SearchEdit, SearchTimer});
        ObjectList::Of(*DModule).openWhole();
        filterPanel->fillBooks();
    });
    DModule->CatalogListReady = true;
    showCurrentObject();
    DBGrid->horizontalScrollBar()->setValue(0);
    // Out of the search box: the on-screen keyboard goes away with it.
    DBGrid->setFocus(Qt::OtherFocusReason);
}

bool TForm22::ShowNextObject(bool wrap)
{
    if (!m_running)
        return false;
    bool moved = false;
    GuardedRead([&] {
        SharedQuery &list = ObjectList::Of(*DModule).rows();
        if (!list.isOpen() || list.isEmpty())
            return;
        moved = list.setRecNo(list.recNo() + 1) || (wrap && list.recNo() > 1 && list.first());
    });
    return moved;
}

bool TForm22::ShowPreviousObject()
{
    if (!m_running)
        return false;
    bool moved = false;
    GuardedRead([&] {
        SharedQuery &list = ObjectList::Of(*DModule).rows();
        if (list.isOpen() && list.recNo() > 1)
            moved = list.setRecNo(list.recNo() - 1);
    });
    return moved;
}
