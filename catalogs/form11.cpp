#include "catalogs/form11.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/modewindows.h"
#include "catalogs/catalogforms.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/publishsitedialog.h"
#include "core/dmodule.h"
#include "objects/bookpanel.h"
#include "objects/filterpanel.h"
#include "objects/form2.h"
#include "objects/listfollower.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTableView>
#include <QTreeWidget>

namespace {
const QString PlainCaption = QStringLiteral("Вирандел: Режим создания каталога");
}

// The designer's reference-book box and read-only tree.
class DesignerBookPanel : public BookPanel
{
public:
    explicit DesignerBookPanel(QWidget *parent) : BookPanel(QString(), QStringLiteral("BookPanel"), parent) {}
    void fill() { fillBookBox(); }
};

TForm11::TForm11(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(PlainCaption);
    // The window fills the monitor of the other modes; it has no maximise button.
    KeepModeWindowPlace(this, ModePlacement::FillsScreen);

    auto *central = new QWidget(this);
    bookPanel = new DesignerBookPanel(central);
    bookPanel->setFlat(true);

    Panel = new QFrame(central);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameShape(QFrame::Box);
    Panel->setLineWidth(1);
    Panel->setFont(ElementFont(Layout::DefaultFontName, Layout::DefaultFontSize, false));
    Background = new PictureElement(Panel);
    Background->setObjectName(QStringLiteral("Background"));
    Background->setMouseTracking(true);
    Background->setContextMenuPolicy(Qt::CustomContextMenu);
    Background->installEventFilter(this);

    gridModel = new ObjectGridModel(DModule->QRGeneral, this);
    DBGrid = NewReadOnlyGrid(gridModel, central);
    DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    DBGrid->horizontalHeader()->setHighlightSections(false);
    setCentralWidget(central);

    buildMenus();
    buildPopupMenus();
    connect(Background, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PanelMenu->popup(Background->mapToGlobal(pos)); });
    connect(DBGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { DBGridMenu->popup(DBGrid->viewport()->mapToGlobal(pos)); });
    auto *follower = new ListFollower(*DModule, this, [this] { ObjectsChangedElsewhere(); },
                                      [this] { DesignChangedElsewhere(); });
    // Hidden while its catalog runs: what changed meanwhile is read when the designer comes back.
    follower->catchUpWhenShown();
    // A small window acts on one element or on the grid as it is: the reload waits until it is closed.
    follower->setBusyCheck([] {
        for (const QWidget *window : {static_cast<QWidget *>(Form15), static_cast<QWidget *>(Form16),
                                      static_cast<QWidget *>(Form17), static_cast<QWidget *>(Form20)}) {
            if (window && window->isVisible())
                return true;
        }
        return false;
    });
    FormCreate();
}

void TForm11::buildMenus()
{
    const auto item = [this](QMenu *menu, const char *name, const QString &caption, void (TForm11::*slot)()) {
        QAction *action = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const auto submenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    N0 = item(nullptr, "N0", QStringLiteral("<< В режим заполнения"), &TForm11::N0Click);
    N1 = submenu("N1", QStringLiteral("Каталог"));
    N11 = item(N1, "N11", QStringLiteral("Создать новый"), &TForm11::N11Click);
    N12 = item(N1, "N12", QStringLiteral("Показать созданные"), &TForm11::N12Click);
    N13 = item(N1, "N13", QStringLiteral("Сохранить текущий"), &TForm11::N13Click);
    PublishSiteItem = item(N1, "PublishSiteItem", QStringLiteral("Опубликовать как веб-сайт…"), &TForm11::PublishSiteClick);
    N1->addSeparator();
    N14 = item(N1, "N14", QStringLiteral("Выход"), &TForm11::N14Click);
    N2 = submenu("N2", QStringLiteral("Выбор режима"));
    N21 = item(N2, "N21", QStringLiteral("Перейти в режим редактирования"), &TForm11::N21Click);
    N22 = item(N2, "N22", QStringLiteral("Перейти в режим просмотра / заполнения"), &TForm11::N22Click);
    N3 = item(nullptr, "N3", QStringLiteral("Настройки программы"), &TForm11::N3Click);
    N4 = submenu("N4", QStringLiteral("Помощь"));
    N41 = item(N4, "N41", QStringLiteral("Справка"), &TForm11::N41Click);
    N42 = item(N4, "N42", QStringLiteral("Обновления"), &TForm11::N42Click);
    N43 = item(N4, "N43", QStringLiteral("О программе"), &TForm11::N43Click);
    N5 = item(nullptr, "N5", QStringLiteral("Запустить каталог >>"), &TForm11::N5Click);
    N12->setShortcut(QKeySequence::Open);
    N13->setShortcut(QKeySequence::Save);
}

void TForm11::FormCreate()
{
    clearElements();
    CatalogName.clear();
}

void TForm11::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm11::FormResize()
{
    const int w = width();
    const int h = frameGeometry().height();
    const int available = centralWidget()->height();
    const int treeWidth = int(0.3 * w);
    const int panelWidth = qMax(w - treeWidth - 8, 1);
    const int panelHeight = qMax(h - int(0.3 * h) - 56, 1);
    const int gridHeight = qMax(qMin(int(0.3 * h), available - panelHeight), 0);
    bookPanel->setGeometry(0, 0, treeWidth, available);
    Panel->setGeometry(treeWidth, 0, panelWidth, panelHeight);
    Background->setGeometry(Panel->contentsRect());
    DBGrid->setGeometry(treeWidth, panelHeight, panelWidth, gridHeight);
}

void TForm11::LoadGeneral()
{
    // The designer lists every object, unsorted; the view/fill mode composes its list anew on entry.
    ObjectList &list = ObjectList::Of(*DModule);
    list.compose();
    list.open();
    ShowGridColumns(*DBGrid, *gridModel, list.fields());
    bookPanel->fill();
}

void TForm11::ObjectsChangedElsewhere()
{
    Guarded([] { ObjectList::Of(*DModule).reopenKeepingCurrent(); });
}

void TForm11::DesignChangedElsewhere()
{
    // The layout under design is the user's unsaved work: it stays as it is. The list, its columns and
    // the books are read anew; columns hidden by the user stay hidden by their captions.
    QStringList hidden;
    for (int column = 0; column < gridColumns().count(); ++column) {
        if (!gridColumns().isVisible(column))
            hidden << gridColumns().caption(column);
    }
    QString failure;
    QStringList fieldNames;
    try {
        ObjectList &list = ObjectList::Of(*DModule);
        list.reloadAfterDesignChange();
        ShowGridColumns(*DBGrid, *gridModel, list.fields());
        bookPanel->fill();
        for (const DescriptionField &field : list.fields())
            fieldNames << field.name;
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    for (int column = 0; column < gridColumns().count(); ++column)
        gridColumns().setVisible(column, !hidden.contains(gridColumns().caption(column)));
    QString text = DesignChangedElsewhereText + MessageLineBreak;
    if (!failure.isEmpty()) {
        ShowMessage(text + QStringLiteral("Список объектов не удалось загрузить заново: ") + failure, this);
        return;
    }
    text += QStringLiteral("Список объектов и справочники загружены заново; макет каталога остался как был.");
    QStringList gone;
    const Layout::Catalog layout = currentLayout();
    const auto check = [&](const QString &name) {
        if (!name.isEmpty() && !fieldNames.contains(name) && !gone.contains(name))
            gone << name;
    };
    for (const Layout::FieldLabel &label : layout.fieldLabels)
        check(label.text);
    for (const Layout::FieldMemo &memo : layout.memos)
        check(memo.text);
    for (const Layout::FieldImage &image : layout.fieldImages)
        check(image.fieldName);
    if (!gone.isEmpty())
        text += MessageLineBreak + QStringLiteral("Полей, которые показывает макет, больше нет: ")
                + gone.join(QStringLiteral(", ")) + QLatin1Char('.');
    ShowMessage(text, this);
}

void TForm11::ComboBoxChange()
{
    bookPanel->ComboBoxChange();
}

void TForm11::ClearPanel()
{
    clearElements();
    Background->clearPicture();
    DeleteBackgroundItem->setEnabled(false);
    CatalogName.clear();
    setCatalogCaption();
    LoadGeneral();
}

void TForm11::clearElements()
{
    // The small windows act on one element, the column chooser on the grid as it is: none may outlive them.
    for (QWidget *window : {static_cast<QWidget *>(Form15), static_cast<QWidget *>(Form16), static_cast<QWidget *>(Form17),
                            static_cast<QWidget *>(Form20)}) {
        if (window)
            window->close();
    }
    destroyElements();
    m_pressed = m_dragging = false;
}

void TForm11::setCatalogCaption()
{
    setWindowTitle(ModeWindowTitle(CatalogName.isEmpty() ? PlainCaption
                                                         : PlainCaption + QStringLiteral(" (\"%1\")").arg(CatalogName)));
}

bool TForm11::SaveCatalog(const QString &Name)
{
    CatalogStore::Pictures pictures;
    const Layout::Catalog layout = currentLayout(&pictures);
    const bool saved = Guarded([&] { CatalogStore::Save(*DModule, Name, layout, pictures); });
    if (saved) {
        CatalogName = Name;
        m_savedDesign = designKey();
        setCatalogCaption();
    }
    return saved;
}

bool TForm11::OpenCatalog(const QString &Name)
{
    std::optional<CatalogStore::Stored> stored;
    if (!Guarded([&] { stored = CatalogStore::Open(*DModule, Name); }))
        return false;
    if (!stored) {
        ShowMessage(QStringLiteral("Ошибка при открытии каталога!"), this);
        return false;
    }
    if (!Guarded([this] { ClearPanel(); }))
        return false;
    CatalogName = Name;
    setCatalogCaption();
    const Layout::ReadResult read = Layout::Read(stored->layoutText);
    CatalogStore::Pictures pictures;
    if (!Guarded([&] { pictures = CatalogStore::LoadPictures(*DModule, Name, *stored, read.catalog); }))
        return false;
    createElements(read.catalog, pictures);
    m_savedDesign = designKey();
    if (!read.error.isEmpty())
        ShowGeneralError(read.error);
    return read.error.isEmpty();
}

GridColumns TForm11::gridColumns() const
{
    return GridColumns(*DBGrid, *gridModel);
}

void TForm11::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    for (QWidget *window : {static_cast<QWidget *>(Form12), static_cast<QWidget *>(Form15), static_cast<QWidget *>(Form16),
                            static_cast<QWidget *>(Form17), static_cast<QWidget *>(Form18), static_cast<QWidget *>(Form19),
                            static_cast<QWidget *>(Form20)}) {
        if (window)
            window->close();
    }
    if (Form2) {
        // The designer emptied the shared filter and order: the view/fill window lists anew, so its
        // filter list, search box and grid agree with what is listed.
        Guarded([] { Form2->LoadGeneral(); });
        ShowCentred(Form2);
    }
}

void TForm11::N0Click()
{
    close();
}

void TForm11::N11Click()
{
    if (AskYesNo(QStringLiteral("Все несохраненные данные будут потеряны! Продолжить?"), this))
        Guarded([this] { ClearPanel(); });
}

void TForm11::N12Click()
{
    Form19->LoadCatalogs();
    ShowCentred(Form19);
}

void TForm11::N13Click()
{
    Form18->Open(CatalogName, [this](const QString &name) { return SaveCatalog(name); });
}

void TForm11::N14Click()
{
    Form2->N14Click();
}

void TForm11::N21Click()
{
    N0Click();
    Form2->BackBthClick();
}

void TForm11::N22Click()
{
    N0Click();
}

void TForm11::N3Click()
{
    Form1->N4Click();
}

void TForm11::N41Click()
{
    Form2->N51Click();
}

void TForm11::N42Click()
{
    Form2->N52Click();
}

void TForm11::N43Click()
{
    Form2->N53Click();
}

void TForm11::N5Click()
{
    if (CatalogName.isEmpty()) {
        ShowMessage(QStringLiteral("Откройте существующий каталог или сохраните текущий под каким-либо именем!"), this);
        return;
    }
    // The running catalog always sees the current layout.
    if (!SaveCatalog(CatalogName))
        return;
    Form22->RunCatalog(CatalogName);
}

QByteArray TForm11::designKey() const
{
    CatalogStore::Pictures pictures;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(Layout::Write(currentLayout(&pictures)).toUtf8());
    hash.addData(pictures.background);
    for (const QByteArray &picture : std::as_const(pictures.textImages))
        hash.addData(picture);
    return hash.result();
}

void TForm11::PublishSiteClick()
{
    if (CatalogName.isEmpty()) {
        ShowMessage(QStringLiteral("Сохраните каталог под каким-либо именем, затем опубликуйте его."), this);
        return;
    }
    // The site shows the saved layout, as the running catalog does after a save.
    std::optional<CatalogStore::Stored> stored;
    if (!Guarded([&] { stored = CatalogStore::Open(*DModule, CatalogName); }))
        return;
    if (!stored) {
        ShowMessage(QStringLiteral("Каталога \"%1\" больше нет в базе данных. Сохраните его, затем опубликуйте.").arg(CatalogName), this);
        return;
    }
    QString unsavedNote;
    if (m_savedDesign != designKey()) {
        if (AskYesNo(QStringLiteral("Макет каталога изменен и не сохранен. Сохранить его перед публикацией?"
                                    "\n\nЕсли нет, на сайт попадет последний сохраненный макет."),
                     this)) {
            if (!SaveCatalog(CatalogName))
                return;
        } else {
            unsavedNote = QStringLiteral("Опубликован последний сохраненный макет: несохраненные изменения на сайт не попали.");
        }
    }
    PublishCatalogSite(this, CatalogName, unsavedNote);
}
