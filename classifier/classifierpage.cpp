#include "classifier/classifierpage.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/snapshotbeforechange.h"
#include "classifier/classstore.h"
#include "classifier/form3.h"
#include "classifier/lazytree.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "core/sqltext.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QLineEdit *newEdit(const char *name, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    return edit;
}

void clearMainForm()
{
    if (Form1)
        Form1->ClearForm();
}

// Instructions wrap rather than widen the page beyond the window's minimum width.
QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
}

ClassifierPage::ClassifierPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ClassifierPage"));
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    ClassesView->setHeaderHidden(true);
    ClassesView->setSelectionMode(QAbstractItemView::SingleSelection);
    ClassesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("Сортировать по названию"), QStringLiteral("Сортировать по коду"),
                         QStringLiteral("Сортировать по времени добавления")});
    More = Named<QPushButton>("More", QStringLiteral("Количественное соотношение с родителем"), this);

    auto *addGroup = new QGroupBox(QStringLiteral(" Добавление компонентов "), this);
    addGroup->setObjectName(QStringLiteral("AddGroup"));
    AddClassEdit = newEdit("AddClassEdit", 100, addGroup);
    AddCodeEdit = newEdit("AddCodeEdit", 20, addGroup);
    CheckBox2 = new QCheckBox(QStringLiteral("Или поставьте галочку, чтоб начать новую ветвь"), addGroup);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    AddMeasureBtn = Named<QPushButton>("AddMeasureBtn", QStringLiteral("Добавить элемент"), addGroup);
    auto *addLayout = new QVBoxLayout(addGroup);
    addLayout->addWidget(wrappedLabel(QStringLiteral("1). Введите название элемента и код (не обязательно)"), addGroup));
    auto *addRow = new QHBoxLayout;
    addRow->addWidget(AddClassEdit, 3);
    addRow->addWidget(AddCodeEdit, 1);
    addLayout->addLayout(addRow);
    addLayout->addWidget(wrappedLabel(QStringLiteral("2). Выделите родительский элемент на древовидной структуре"), addGroup));
    addLayout->addWidget(CheckBox2);
    addLayout->addWidget(AddMeasureBtn);

    auto *editGroup = new QGroupBox(QStringLiteral(" Изменение компонентов "), this);
    editGroup->setObjectName(QStringLiteral("EditGroup"));
    EditClassEdit = newEdit("EditClassEdit", 100, editGroup);
    EditCodeEdit = newEdit("EditCodeEdit", 20, editGroup);
    EditMeasureBtn = Named<QPushButton>("EditMeasureBtn", QStringLiteral("Изменить элемент"), editGroup);
    auto *editLayout = new QVBoxLayout(editGroup);
    editLayout->addWidget(wrappedLabel(QStringLiteral("1). Выделите элемент на древовидной структуре"), editGroup));
    editLayout->addWidget(wrappedLabel(QStringLiteral("2). Введите новое название элемента и код (не обязательно)"), editGroup));
    auto *editRow = new QHBoxLayout;
    editRow->addWidget(EditClassEdit, 3);
    editRow->addWidget(EditCodeEdit, 1);
    editLayout->addLayout(editRow);
    editLayout->addWidget(EditMeasureBtn);

    auto *deleteGroup = new QGroupBox(QStringLiteral(" Удаление компонентов "), this);
    deleteGroup->setObjectName(QStringLiteral("DeleteGroup"));
    DeleteMeasureBtn = Named<QPushButton>("DeleteMeasureBtn", QStringLiteral("Удалить элемент"), deleteGroup);
    auto *deleteLayout = new QVBoxLayout(deleteGroup);
    deleteLayout->addWidget(DeleteMeasureBtn);

    auto *treeColumn = new QVBoxLayout;
    treeColumn->addWidget(ComboBox2);
    treeColumn->addWidget(ClassesView, 1);
    treeColumn->addWidget(More);
    auto *groupColumn = new QVBoxLayout;
    groupColumn->addWidget(addGroup);
    groupColumn->addWidget(editGroup);
    groupColumn->addWidget(deleteGroup);
    groupColumn->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(treeColumn, 1);
    layout->addLayout(groupColumn, 1);

    m_tree = new LazyTree(ClassesView, [this] { return TreeSource::classes(ComboBox2->currentIndex()); },
                          [] { return Settings::DisplayFormat(); });

    connect(ClassesView, &QTreeWidget::itemClicked, this, &ClassifierPage::ClassesViewClick);
    // Keys, a deletion or a rebuild change the selection too: the change boxes never name another class.
    connect(ClassesView, &QTreeWidget::itemSelectionChanged, this, &ClassifierPage::ClassesViewClick);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &ClassifierPage::ComboBox2Change);
    connect(AddMeasureBtn, &QPushButton::clicked, this, &ClassifierPage::AddMeasureBtnClick);
    connect(AddClassEdit, &QLineEdit::returnPressed, this, &ClassifierPage::AddMeasureBtnClick);
    connect(AddCodeEdit, &QLineEdit::returnPressed, this, &ClassifierPage::AddMeasureBtnClick);
    connect(EditMeasureBtn, &QPushButton::clicked, this, &ClassifierPage::EditMeasureBtnClick);
    connect(DeleteMeasureBtn, &QPushButton::clicked, this, &ClassifierPage::DeleteMeasureBtnClick);
    connect(More, &QPushButton::clicked, this, &ClassifierPage::MoreClick);
}

void ClassifierPage::resetSortChoice()
{
    const QSignalBlocker blocker(ComboBox2);
    ComboBox2->setCurrentIndex(0);
}

void ClassifierPage::clearInputs()
{
    AddClassEdit->clear();
    AddCodeEdit->clear();
    EditClassEdit->clear();
    EditCodeEdit->clear();
    CheckBox2->setChecked(false);
}

QTreeWidgetItem *ClassifierPage::selectedClass() const
{
    const QList<QTreeWidgetItem *> selected = ClassesView->selectedItems();
    QTreeWidgetItem *item = selected.isEmpty() ? nullptr : selected.constFirst();
    return item && !LazyTree::isPlaceholder(item) ? item : nullptr;
}

void ClassifierPage::ClassesViewExpand(QTreeWidgetItem *node)
{
    m_tree->expand(node);
}

void ClassifierPage::ClassesViewClick()
{
    QTreeWidgetItem *item = selectedClass();
    if (!item) {
        EditClassEdit->clear();
        EditCodeEdit->clear();
        return;
    }
    Guarded([&] {
        const std::optional<ClassRow> row = ReadClass(*DModule, LazyTree::itemId(item));
        EditClassEdit->setText(row ? row->name : QString());
        EditCodeEdit->setText(row ? row->code : QString());
    });
}

void ClassifierPage::ComboBox2Change()
{
    Guarded([this] { m_tree->rebuild(); });
}

void ClassifierPage::AddMeasureBtnClick()
{
    const QString name = AddClassEdit->text();
    const QString code = AddCodeEdit->text();
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("Введите название элемента!"), this);
        return;
    }
    QTreeWidgetItem *selected = selectedClass();
    const bool treeEmpty = ClassesView->topLevelItemCount() == 0;
    if (!selected && !treeEmpty && !CheckBox2->isChecked()) {
        ShowMessage(QStringLiteral("Выделите родительский элемент!"), this);
        return;
    }
    Guarded([&] {
        if (ClassNameTaken(*DModule, name)) {
            ShowMessage(QStringLiteral("Элемент с таким названием уже существует!"), this);
            return;
        }
        if (CheckBox2->isChecked() || treeEmpty) {
            AddClass(*DModule, name, code, 0, 0);
            m_tree->rebuild();
            clearMainForm();
            return;
        }
        prepareAddingChild(selected, name);
    });
}

void ClassifierPage::prepareAddingChild(QTreeWidgetItem *parent, const QString &name)
{
    m_ratioParent = LazyTree::itemId(parent);
    m_ratioClass = 0;
    const ChildList children = ReadChildren(*DModule, m_ratioParent);
    // A fractional ratio is a ratio: only an exact 0 means the siblings use none.
    Form3->PrepareAdding(parent->text(0), name, children.names, children.ids,
                         !children.ids.isEmpty() && children.lastCoeff != 0);
    runRatioWindow();
}

void ClassifierPage::EditMeasureBtnClick()
{
    QTreeWidgetItem *selected = selectedClass();
    if (ClassesView->topLevelItemCount() == 0 || !selected) {
        ShowMessage(QStringLiteral("Выделите класс на древовидной структуре!"), this);
        return;
    }
    const QString name = EditClassEdit->text();
    const QString code = EditCodeEdit->text();
    const qint64 id = LazyTree::itemId(selected);
    const bool topLevel = selected->parent() == nullptr;
    if (name.isEmpty() && topLevel) {
        ShowMessage(QStringLiteral("Введите название класса!"), this);
        return;
    }
    Guarded([&] {
        if (!name.isEmpty() && ClassNameTaken(*DModule, name, id)) {
            ShowMessage(QStringLiteral("Класс с таким названием уже существует!"), this);
            return;
        }
        if (topLevel) {
            RenameClass(*DModule, id, name, code);
            m_tree->rebuild();
            clearMainForm();
            return;
        }
        prepareChangingChild(selected, name);
    });
}

void ClassifierPage::prepareChangingChild(QTreeWidgetItem *node, const QString &name)
{
    m_ratioClass = LazyTree::itemId(node);
    m_ratioParent = LazyTree::itemId(node->parent());
    const std::optional<ClassRow> row = ReadClass(*DModule, m_ratioClass);
    if (!row)
        throw DbError(QStringLiteral("Класс не найден в базе данных"));
    // Only an exact 0 is "no ratio": a ratio such as 0.4 must survive a change of the name.
    Form3->PrepareChanging(node->parent()->text(0), name.isEmpty() ? node->text(0) : name, SqlNumber(row->coeff),
                           row->coeff != 0);
    runRatioWindow();
}

void ClassifierPage::runRatioWindow()
{
    TForm3 &w = *Form3;
    w.SetDoneAction([this, &w] { return applyRatioWindow(w); });
    connect(&w, &TForm3::Closed, this, &ClassifierPage::ratioWindowClosed, Qt::UniqueConnection);
    ClassesView->setEnabled(false);
    w.FormResize();
    if (Settings::RatioWindowOff()) {
        w.Button1Click();
        // A failure leaves the unseen window "open": the tree must not stay disabled.
        if (!w.isVisible())
            ClassesView->setEnabled(true);
        return;
    }
    ShowCentred(&w);
}

void ClassifierPage::ratioWindowClosed()
{
    ClassesView->setEnabled(true);
}

bool ClassifierPage::applyRatioWindow(TForm3 &window)
{
    // The delete button stays usable while the window is open: the class may be gone by now.
    const std::optional<ClassRow> row = ReadClass(*DModule, window.RatioEditMode ? m_ratioClass : m_ratioParent);
    if (!row)
        throw DbError(QStringLiteral("Класс не найден в базе данных"));
    // The box shows 15 digits: a ratio left as it was keeps every digit it has.
    const double ratio = window.RatioEditMode && !window.ratioChanged() ? row->coeff : ParseRatio(window.ratioText());
    if (window.RatioEditMode) {
        const QString name = EditClassEdit->text();
        // The boxes may have changed while the window was open.
        if (!name.isEmpty() && ClassNameTaken(*DModule, name, m_ratioClass)) {
            ShowMessage(QStringLiteral("Класс с таким названием уже существует!"), &window);
            return false;
        }
        ChangeClass(*DModule, m_ratioClass, name, EditCodeEdit->text(), ratio);
        rereadLevel(m_ratioParent, m_ratioClass);
    } else {
        const QString name = AddClassEdit->text();
        if (name.isEmpty()) {
            ShowMessage(QStringLiteral("Введите название элемента!"), &window);
            return false;
        }
        if (ClassNameTaken(*DModule, name)) {
            ShowMessage(QStringLiteral("Элемент с таким названием уже существует!"), &window);
            return false;
        }
        const qint64 id = AddClass(*DModule, name, AddCodeEdit->text(), m_ratioParent, ratio, window.chosenChild());
        rereadLevel(m_ratioParent, id);
    }
    clearMainForm();
    return true;
}

void ClassifierPage::rereadLevel(qint64 parentId, qint64 selectId)
{
    QTreeWidgetItem *parent = parentId ? m_tree->findItem(parentId) : nullptr;
    if (parentId && !parent) {
        // The tree was rebuilt meanwhile (another sort or display format): start from the top.
        m_tree->rebuild();
        return;
    }
    m_tree->expand(parent);
    if (parent)
        parent->setExpanded(true);
    const int count = parent ? parent->childCount() : ClassesView->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem *item = parent ? parent->child(i) : ClassesView->topLevelItem(i);
        if (LazyTree::itemId(item) == selectId) {
            ClassesView->setCurrentItem(item);
            break;
        }
    }
}

void ClassifierPage::DeleteMeasureBtnClick()
{
    QTreeWidgetItem *selected = selectedClass();
    if (!selected) {
        ShowMessage(QStringLiteral("Выделите удаляемый класс!"), this);
        return;
    }
    if (LazyTree::hasChildren(selected)
        && !AskYesNo(QStringLiteral("Класс содержит подклассы! Вы все равно хотите удалить этот класс?"), this))
        return;
    const qint64 id = LazyTree::itemId(selected);
    bool linked = false;
    QString name;
    if (!Guarded([&] {
            linked = SubtreeHasLinks(*DModule, id);
            if (const std::optional<ClassRow> row = ReadClass(*DModule, id))
                name = row->name;
        }))
        return;
    if (linked && !SnapshotBeforeChange(window(), SnapshotCause::ClassDeleted(name)))
        return;
    Guarded([&] {
        DeleteClassWithSubtree(*DModule, LazyTree::itemId(selected));
        // Out of the tree only once the database agreed.
        delete selected;
        // The change boxes showed the deleted class: they follow what is selected now.
        ClassesViewClick();
        Q_EMIT classDeleted();
    });
}

void ClassifierPage::MoreClick()
{
    QTreeWidgetItem *selected = selectedClass();
    if (!selected)
        return;
    QString text;
    if (!Guarded([&] { text = RatioDescription(*DModule, LazyTree::itemId(selected)); }))
        return;
    ShowMessage(text.isEmpty() ? QStringLiteral("Для данного класса количественные соотношения не используются!") : text,
                this);
}
