#include "objects/form2.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/modewindows.h"
#include "app/named.h"
#include "app/pictureviewer.h"
#include "catalogs/form11.h"
#include "catalogs/form12.h"
#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "objects/filterpanel.h"
#include "objects/form21.h"
#include "objects/form7.h"
#include "objects/gridrowsync.h"
#include "objects/listfollower.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/searchbox.h"
#include "objects/objectstore.h"
#include "objects/objecthistory.h"
#include "objects/recyclebin.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

TForm2::TForm2(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Вирандел: Режим просмотра / заполнения"));
    setMinimumSize(750, 590);
    KeepModeWindowPlace(this);

    static_cast<ModeMenu &>(*this) = BuildModeMenu(menuBar(), QStringLiteral("Перейти в режим редактирования"),
                                                   QStringLiteral("Удалить/изменить шаблоны"));
    connect(N11, &QAction::triggered, this, &TForm2::N11Click);
    connect(N12, &QAction::triggered, this, &TForm2::N12Click);
    connect(N13, &QAction::triggered, this, &TForm2::N13Click);
    connect(CheckDatabaseItem, &QAction::triggered, this, [] { Form1->CheckDatabaseItemClick(); });
    connect(N14, &QAction::triggered, this, &TForm2::N14Click);
    connect(N21, &QAction::triggered, this, &TForm2::N21Click);
    connect(N22, &QAction::triggered, this, &TForm2::N22Click);
    connect(N31, &QAction::triggered, this, &TForm2::N31Click);
    connect(N32, &QAction::triggered, this, &TForm2::N32Click);
    connect(N4, &QAction::triggered, this, &TForm2::N4Click);
    connect(N51, &QAction::triggered, this, &TForm2::N51Click);
    connect(N52, &QAction::triggered, this, &TForm2::N52Click);
    connect(N53, &QAction::triggered, this, &TForm2::N53Click);
    connect(ConnectServerItem, &QAction::triggered, this, &TForm2::ConnectServerItemClick);
    connect(BackupsItem, &QAction::triggered, this, [] {
        if (Form1)
            Form1->BackupsItemClick();
    });
    connect(UploadToServerItem, &QAction::triggered, this, &TForm2::UploadToServerItemClick);
    // Only a file is uploaded; this window is shown only while a database is open.
    connect(N1, &QMenu::aboutToShow, this,
            [this] { UploadToServerItem->setEnabled(DModule->connected() && DModule->engine() == EngineKind::File); });
    if (Form1)
        connect(Form1, &TForm1::UpdateCheckRunning, N52, &QAction::setDisabled);

    auto *central = new QWidget(this);
    gridModel = new ObjectGridModel(DModule->QRGeneral, this);
    DBGrid = NewReadOnlyGrid(gridModel, central);
    DBGrid->verticalHeader()->setDefaultSectionSize(DBGrid->fontMetrics().height() + 6);
    DBGrid->horizontalHeader()->setSectionsClickable(true);
    DBGrid->horizontalHeader()->setHighlightSections(false);
    DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    // Several objects chosen with Shift and Ctrl are deleted together.
    DBGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);

    DBGridMenu = new QMenu(DBGrid);
    DBGridMenu->setObjectName(QStringLiteral("DBGridMenu"));
    DBGridMenuN1 = DBGridMenu->addAction(QStringLiteral("Настройка отображения столбцов"));
    DBGridMenuN1->setObjectName(QStringLiteral("DBGridMenuN1"));
    DBGridMenuN2 = DBGridMenu->addAction(QStringLiteral("Сортировка столбца при нажатии на заголовок"));
    DBGridMenuN2->setObjectName(QStringLiteral("DBGridMenuN2"));
    DBGridMenuN2->setCheckable(true);
    DBGridMenuN2->setChecked(true);
    connect(DBGridMenuN1, &QAction::triggered, this, &TForm2::DBGridMenuN1Click);
    connect(DBGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { DBGridMenu->popup(DBGrid->viewport()->mapToGlobal(pos)); });
    connect(DBGrid->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm2::DBGridTitleClick);
    new GridRowSync(DBGrid, gridModel);

    AddRecordBtn = Named<QPushButton>("AddRecordBtn", QStringLiteral("Добавить новый объект"), central);
    EditRecordBtn = Named<QPushButton>("EditRecordBtn", QStringLiteral("Изменить выделенный объект"), central);
    DeleteRecordBtn = Named<QPushButton>("DeleteRecordBtn", QStringLiteral("Удалить выделенный объект"), central);
    BackBth = Named<QPushButton>("BackBth", QStringLiteral("<< Вернуться в режим редактирования"), central);
    GoToCatalogBtn = Named<QPushButton>("GoToCatalogBtn", QStringLiteral("Создать каталог >>"), central);
    filterPanel = new FilterPanel(DBGrid, central);
    connect(AddRecordBtn, &QPushButton::clicked, this, &TForm2::AddRecordBtnClick);
    connect(EditRecordBtn, &QPushButton::clicked, this, &TForm2::EditRecordBtnClick);
    connect(DeleteRecordBtn, &QPushButton::clicked, this, &TForm2::DeleteRecordBtnClick);
    connect(BackBth, &QPushButton::clicked, this, &TForm2::BackBthClick);
    connect(GoToCatalogBtn, &QPushButton::clicked, this, &TForm2::GoToCatalogBtnClick);
    buildGridKeys();

    auto *side = new QVBoxLayout;
    side->addWidget(AddRecordBtn);
    side->addWidget(EditRecordBtn);
    side->addWidget(DeleteRecordBtn);
    side->addWidget(filterPanel, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(BackBth);
    bottom->addStretch();
    bottom->addWidget(GoToCatalogBtn);
    buildSearch(central);
    buildListMenu();
    buildEditMenu();
    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(SearchEdit);
    listColumn->addWidget(DBGrid, 1);
    auto *layout = new QGridLayout(central);
    layout->addLayout(listColumn, 0, 0);
    layout->addLayout(side, 0, 1);
    layout->addLayout(bottom, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    setCentralWidget(central);
    listFollower = new ListFollower(*DModule, this, [this] { ObjectsChangedElsewhere(); },
                                    [this] { DesignChangedElsewhere(); });

    FormCreate();
}

void TForm2::FormCreate()
{
    if (QScreen *screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QSize size = screen->size();
        resize(int(size.width() * 0.8), int(size.height() * 0.6));
    }
}

void TForm2::LoadGeneral()
{
    setWindowTitle(ModeWindowTitle(QStringLiteral("Вирандел: Режим просмотра / заполнения")));
    // The filter, the search and the order start empty on every entry; columns hidden with the chooser
    // are shown again.
    ShowListAfresh(*filterPanel, {SearchEdit, SearchTimer}, *DBGrid, *gridModel, [](ObjectList &list) {
        list.compose();
        list.open();
    });
    ClearForm();
}

void TForm2::ClearForm()
{
    setEnabled(true);
    enableRecordButtons();
    enableEditItems();
}

void TForm2::enableRecordButtons()
{
    const bool hasRows = DModule->QRGeneral->isOpen() && !DModule->QRGeneral->isEmpty();
    EditRecordBtn->setEnabled(hasRows);
    DeleteRecordBtn->setEnabled(hasRows);
}

void TForm2::buildGridKeys()
{
    // Whatever reads the list again (the filter and the search too) may empty or fill it.
    connect(gridModel, &QAbstractItemModel::modelReset, this, &TForm2::enableRecordButtons);
    PressButtonOnKeys(DBGrid, {Qt::Key_Return, Qt::Key_Enter}, EditRecordBtn);
    PressButtonOnKeys(DBGrid, {Qt::Key_Delete}, DeleteRecordBtn);
    connect(DBGrid, &QAbstractItemView::doubleClicked, EditRecordBtn, [this](const QModelIndex &index) {
        if (!showPictureAt(index) && EditRecordBtn->isEnabled())
            EditRecordBtn->click();
    });
}

bool TForm2::showPictureAt(const QModelIndex &index)
{
    const QList<DescriptionField> &fields = gridModel->columns();
    if (!index.isValid() || index.column() >= fields.size() || fields[index.column()].kind() != FieldKind::Image)
        return false;
    const SharedQuery &list = *DModule->QRGeneral;
    const qint64 objectId = list.valueAt(index.row(), list.columnIndex(QStringLiteral("G_ID"))).toLongLong();
    QByteArray picture;
    if (!Guarded([&] { picture = ReadObjectPicture(*DModule, objectId, fields[index.column()]); }) || picture.isEmpty())
        return false;
    ShowPictureDialog(picture, this);
    return true;
}

void TForm2::openEditor(bool editMode)
{
    Form7->EditMode = editMode;
    if (!Guarded([] { Form7->GenForm(); }))
        return;
    Form7->setWindowTitle(editMode ? QStringLiteral("Изменение объекта") : QStringLiteral("Добавление объекта"));
    CentreOnScreen(Form7);
    Form7->show();
    Form7->raise();
    setEnabled(false);
}

void TForm2::AddRecordBtnClick()
{
    openEditor(false);
}

void TForm2::EditRecordBtnClick()
{
    if (DModule->QRGeneral->eof())
        return;
    openEditor(true);
}

void TForm2::DeleteRecordBtnClick()
{
    SharedQuery &list = *DModule->QRGeneral;
    if (list.eof())
        return;
    // The chosen rows, or the current one; the list's rows are read up to them already.
    QList<qint64> chosen;
    QList<int> rows;
    for (const QModelIndex &index : DBGrid->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    for (const int row : std::as_const(rows))
        chosen << list.valueAt(row, idColumn).toLongLong();
    if (chosen.size() < 2)
        chosen = {list.asInteger(QStringLiteral("G_ID"))};
    if (!AskYesNo(chosen.size() == 1 ? QStringLiteral("Вы действительно хотите удалить этот объект?")
                                     : QStringLiteral("Вы действительно хотите удалить выделенные объекты (%1)?").arg(chosen.size()),
                  this))
        return;
    const int row = chosen.size() == 1 ? list.recNo() : rows.first() + 1;
    Guarded([&] {
        // Into the recycle bin, from where they come back with their links and pictures.
        const QList<RecycleBin::Moved> moved = RecycleBin::MoveToBin(*DModule, chosen);
        QList<ObjectHistory::Change> changes;
        for (const RecycleBin::Moved &one : moved)
            changes << ObjectHistory::Change{one.image, std::nullopt, one.entryId, true};
        ObjectHistory::Of(*DModule).recordDeleted(changes);
        ObjectList::Of(*DModule).open();
        // The object that took the deleted one's place is current, or the one before it at the end.
        if (row > 1 && !list.setRecNo(row))
            list.setRecNo(row - 1);
        if (moved.size() < chosen.size())
            ShowMessage(chosen.size() == 1 ? QStringLiteral("Объект уже удалён другим пользователем.")
                                           : QStringLiteral("Часть объектов (%1) уже удалена другим пользователем.")
                                                 .arg(chosen.size() - moved.size()),
                        this);
    });
    ClearForm();
}

void TForm2::ObjectsChangedElsewhere()
{
    Guarded([] { ObjectList::Of(*DModule).reopenKeepingCurrent(); });
    ClearForm();
}

void TForm2::DesignChangedElsewhere()
{
    // The filter, the search and the order may name what is gone: the list starts afresh with the new
    // fields, as on entering the mode; only the current object is kept.
    if (Form21 && Form21->isVisible())
        Form21->close();
    QString failure;
    try {
        ShowListAfresh(*filterPanel, {SearchEdit, SearchTimer}, *DBGrid, *gridModel,
                       [](ObjectList &list) { list.reloadAfterDesignChange(); });
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    const QString changed = DesignChangedElsewhereText;
    if (failure.isEmpty()) {
        ClearForm();
        ShowMessage(changed + MessageLineBreak
                        + QStringLiteral("Список объектов загружен заново с новыми полями; фильтр, поиск и "
                                         "сортировка сброшены."),
                    this);
        return;
    }
    // Nothing half shown: back to the editing mode, from where the user opens the list again.
    DModule->QRGeneral->close();
    BackBthClick();
    ShowMessage(changed + MessageLineBreak + QStringLiteral("Список объектов не удалось загрузить заново: ") + failure
                    + MessageLineBreak + QStringLiteral("Откройте режим просмотра / заполнения снова."),
                Form1);
}

void TForm2::DBGridTitleClick(int column)
{
    if (!DBGridMenuN2->isChecked() || column < 0 || column >= gridModel->columnCount())
        return;
    SortObjectListByTitle(ObjectList::Of(*DModule), gridColumns().caption(column));
}

void TForm2::DBGridMenuN1Click()
{
    Form21->LoadFields();
    CentreOnScreen(Form21);
    Form21->show();
    Form21->raise();
}

void TForm2::BackBthClick()
{
    CentreOnScreen(Form1);
    Form1->show();
    Form1->ClearForm();
    close();
}

void TForm2::GoToCatalogBtnClick()
{
    // Every entry starts with an empty layout and a palette built from the current fields.
    if (!Guarded([] {
            Form11->ClearPanel();
            Form12->FillForm();
        }))
        return;
    Form11->show();
    Form12->show();
    hide();
}

void TForm2::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // An object list left open would keep GENER locked against the field changes of the editing mode.
    DModule->QRGeneral->close();
    if (Form1)
        Form1->show();
}

GridColumns TForm2::gridColumns() const
{
    return GridColumns(*DBGrid, *gridModel);
}

void TForm2::ShownColumnsChanged()
{
    if (!SearchEdit->text().isEmpty())
        SearchTimer->start();
}

void TForm2::ComboBoxChange() { Guarded([this] { filterPanel->ComboBoxChange(); }); }
void TForm2::AddFilterClick() { Guarded([this] { filterPanel->AddFilterClick(); }); }
void TForm2::DeleteFilterClick() { Guarded([this] { filterPanel->DeleteFilterClick(); }); }
void TForm2::MakeFClass() { Guarded([this] { filterPanel->MakeFClass(); }); }
void TForm2::RebuildFilterTree() { Guarded([this] { filterPanel->rebuildTree(); }); }

void TForm2::N11Click() { Form1->N11Click(); }
void TForm2::N12Click() { Form1->N12Click(); }
void TForm2::N13Click() { Form1->N13Click(); }
void TForm2::N14Click() { Form1->N15Click(); }
void TForm2::N21Click() { BackBth->click(); }
void TForm2::N22Click() { GoToCatalogBtn->click(); }
void TForm2::N31Click() { Form1->N31Click(); }
void TForm2::N32Click() { Form1->N32Click(); }
void TForm2::N4Click() { Form1->N4Click(); }
void TForm2::N51Click() { Form1->N51Click(); }
void TForm2::N52Click() { Form1->N52Click(); }
void TForm2::N53Click() { Form1->N53Click(); }
void TForm2::ConnectServerItemClick() { Form1->ConnectServerItemClick(); }
void TForm2::UploadToServerItemClick() { Form1->UploadToServerItemClick(); }
