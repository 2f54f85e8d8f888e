#include "references/referencespage.h"

#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/snapshotbeforechange.h"
#include "core/dmodule.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString RegenerateQuestion =
    QStringLiteral("При перегенерации справочника данные об объектах могут стать недостоверными!") + MessageLineBreak
    + QStringLiteral("Вы все равно хотите перегенерировать этот справочник, сохранив старые ссылки на него?");

QString removeQuestion(const QString &bookText)
{
    return QStringLiteral("Некоторые объекты содержат ссылки на справочник \"%1\"!").arg(bookText) + MessageLineBreak
           + QStringLiteral("Эти ссылки буду удалены! Продолжить удаление справочника?");
}

QListWidget *makeList(const QString &name, QWidget *parent)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}
}

ReferencesPage::ReferencesPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ReferencesPage"));
    GroupBox1 = new QGroupBox(QStringLiteral(" Выберите компоненты которые потребуются для описания объектов "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ComponentsList1 = makeList(QStringLiteral("ComponentsList1"), GroupBox1);
    ComponentsList2 = makeList(QStringLiteral("ComponentsList2"), GroupBox1);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Добавить >"), GroupBox1);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("< Удалить"), GroupBox1);
    Button3 = Named<QPushButton>("Button3", QStringLiteral("Добавить все >>"), GroupBox1);
    Button4 = Named<QPushButton>("Button4", QStringLiteral("<< Удалить все"), GroupBox1);

    auto *buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton *button : {Button1, Button2, Button3, Button4})
        buttons->addWidget(button);
    buttons->addStretch();

    auto *grid = new QGridLayout(GroupBox1);
    grid->addWidget(new QLabel(QStringLiteral("Список доступных компонентов"), GroupBox1), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Список выбранных компонентов"), GroupBox1), 0, 2);
    grid->addWidget(ComponentsList1, 1, 0);
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(ComponentsList2, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);

    connect(Button1, &QPushButton::clicked, this, &ReferencesPage::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &ReferencesPage::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &ReferencesPage::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &ReferencesPage::Button4Click);
}

void ReferencesPage::ComponentsFill()
{
    ComponentsList1->clear();
    ComponentsList2->clear();
    // Each item carries its id: the lists may be older than the classifier by the time of a click.
    for (const ReferenceStore::TopClass &topClass : ReferenceStore::TopClasses(*DModule))
        (new QListWidgetItem(topClass.name, ComponentsList1))->setData(Qt::UserRole, topClass.id);
    for (const ReferenceStore::Book &book : ReferenceStore::Books(*DModule))
        (new QListWidgetItem(book.name, ComponentsList2))->setData(Qt::UserRole, book.id);
}

void ReferencesPage::refillKeepingChoice()
{
    const auto chosenId = [](const QListWidget *list) {
        return list->currentItem() ? list->currentItem()->data(Qt::UserRole) : QVariant();
    };
    const QVariant topClass = chosenId(ComponentsList1), book = chosenId(ComponentsList2);
    ComponentsFill();
    for (const auto &[list, id] : {std::pair{ComponentsList1, topClass}, std::pair{ComponentsList2, book}}) {
        for (int row = 0; id.isValid() && row < list->count(); ++row) {
            if (list->item(row)->data(Qt::UserRole) == id)
                list->setCurrentRow(row);
        }
    }
}

bool ReferencesPage::confirmRegenerate(const ReferenceStore::TopClass &topClass)
{
    // The list shows which class the question is about.
    for (int row = 0; row < ComponentsList1->count(); ++row) {
        if (ComponentsList1->item(row)->data(Qt::UserRole).toLongLong() == topClass.id)
            ComponentsList1->setCurrentRow(row);
    }
    return Settings::RegenerateBooks() && AskYesNo(RegenerateQuestion, window());
}

std::function<bool(const QString &cause)> ReferencesPage::snapshotStep()
{
    return [this](const QString &cause) { return SnapshotBeforeChange(window(), cause); };
}

bool ReferencesPage::confirmRemove(const ReferenceStore::Book &book)
{
    return AskYesNo(removeQuestion(book.name), window());
}

namespace {
// The chosen item's row in the current list of `rows`, matched by id; -1 when nothing is chosen or the
// item no longer names a row (the list is then filled again).
template <typename Row>
int chosenRow(QListWidget *list, const QList<Row> &rows)
{
    const QListWidgetItem *item = list->currentItem();
    if (!item || !item->isSelected())
        return -1;
    const qint64 id = item->data(Qt::UserRole).toLongLong();
    for (int index = 0; index < rows.size(); ++index) {
        if (rows[index].id == id)
            return index;
    }
    return -1;
}
}

void ReferencesPage::Button1Click()
{
    if (!ComponentsList1->currentItem() || !ComponentsList1->currentItem()->isSelected())
        return;
    Guarded([&] {
        const QList<ReferenceStore::TopClass> classes = ReferenceStore::TopClasses(*DModule);
        const int index = chosenRow(ComponentsList1, classes);
        if (index >= 0)
            ReferenceStore::AddBook(*DModule, classes.at(index), [this](const auto &topClass) { return confirmRegenerate(topClass); },
                                   snapshotStep());
        ComponentsFill();
    });
}

void ReferencesPage::Button2Click()
{
    if (!ComponentsList2->currentItem() || !ComponentsList2->currentItem()->isSelected())
        return;
    Guarded([&] {
        const QList<ReferenceStore::Book> books = ReferenceStore::Books(*DModule);
        const int index = chosenRow(ComponentsList2, books);
        if (index >= 0)
            ReferenceStore::DropBook(*DModule, books.at(index), [this](const auto &book) { return confirmRemove(book); },
                                     snapshotStep());
        ComponentsFill();
    });
}

// All of one click is one transaction: an error anywhere leaves every book as it was.
void ReferencesPage::Button3Click()
{
    Guarded([&] {
        ReferenceStore::AddAllBooks(*DModule, [this](const auto &topClass) { return confirmRegenerate(topClass); },
                                    snapshotStep());
    });
    Guarded([&] { ComponentsFill(); });
}

// A book whose question is declined stays and the removal goes on with the next one, so each book is
// asked about once.
void ReferencesPage::Button4Click()
{
    Guarded([&] {
        ReferenceStore::RemoveAllBooks(*DModule, [this](const auto &book) { return confirmRemove(book); },
                                       snapshotStep());
    });
    Guarded([&] { ComponentsFill(); });
}
