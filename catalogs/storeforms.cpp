#include "catalogs/storeforms.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/namedialog.h"
#include "app/snapshotbeforechange.h"
#include "catalogs/catalogstore.h"
#include "catalogs/form11.h"
#include "core/dmodule.h"
#include "core/snapshots.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TForm18::TForm18(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Сохранение каталога"));
    // The name becomes part of a folder name and a column of 255 characters.
    const NameDialogControls controls =
        BuildNameDialog(this, QStringLiteral("Введите имя каталога:"), QStringLiteral("Сохранить"), 200);
    Edit1 = controls.Edit1;
    Button1 = controls.Button1;
    Button2 = controls.Button2;
    connect(Button1, &QPushButton::clicked, this, &TForm18::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::close);
}

void TForm18::Open(const QString &name, std::function<bool(const QString &)> save)
{
    m_save = std::move(save);
    Edit1->setText(name);
    adjustSize();
    ShowCentred(this);
    Edit1->setFocus();
    Edit1->selectAll();
}

void TForm18::Button1Click()
{
    const QString name = Edit1->text();
    // The name becomes part of a folder name: refused before anything is written.
    const QString problem = CatalogStore::NameError(name);
    if (!problem.isEmpty()) {
        ShowMessage(problem, this);
        return;
    }
    if (m_save && m_save(name))
        close();
}

TForm19::TForm19(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Работа с существующими каталогами"));
    Label1 = Named<QLabel>("Label1", QStringLiteral("Выберите в списке каталог и нажмите кнопку действия:"), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    ListBox = Named<QListWidget>("ListBox", this);
    ListBox->setMinimumHeight(200);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Открыть выбранный каталог"), this);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Удалить выбранный каталог"), this);
    Button3 = Named<QPushButton>("Button3", QStringLiteral("Закрыть окно"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ListBox);
    layout->addWidget(Button1);
    layout->addWidget(Button2);
    layout->addWidget(Button3);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &TForm19::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm19::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &QDialog::close);
    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TForm19::Button1Click);
}

void TForm19::LoadCatalogs()
{
    ListBox->clear();
    QStringList names;
    Guarded([&names] { names = CatalogStore::Names(*DModule); });
    ListBox->addItems(names);
    if (ListBox->count() > 0)
        ListBox->setCurrentRow(0);
    enableActions();
}

void TForm19::enableActions()
{
    const bool any = ListBox->count() > 0;
    Button1->setEnabled(any);
    Button2->setEnabled(any);
}

QString TForm19::selectedName() const
{
    const QList<QListWidgetItem *> selected = ListBox->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void TForm19::Button1Click()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    Form11->OpenCatalog(name);
    close();
}

void TForm19::Button2Click()
{
    QListWidgetItem *item = ListBox->selectedItems().isEmpty() ? nullptr : ListBox->selectedItems().first();
    if (!item)
        return;
    if (!AskYesNo(QStringLiteral("Вы действительно хотите удалить этот каталог?"), this))
        return;
    if (!SnapshotBeforeChange(this, SnapshotCause::CatalogDeleted(item->text())))
        return;
    if (!Guarded([item] { CatalogStore::Delete(*DModule, item->text()); }))
        return;
    delete item;
    ListBox->setCurrentRow(-1);
    ListBox->clearSelection();
    enableActions();
}
