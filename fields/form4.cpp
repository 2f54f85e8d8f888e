#include "fields/form4.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "fields/fieldstore.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int FormHeight = 499;
constexpr int MinimumWidth = 380;
constexpr int PanelWidth = 250;
constexpr int Margin = 8;

QGroupBox *makeGroup(QWidget *parent, const char *name, const QString &title, const QStringList &labels,
                     QLineEdit *edit, QPushButton *button)
{
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(3);
    for (int i = 0; i < labels.size(); ++i) {
        auto *label = new QLabel(labels[i], group);
        label->setWordWrap(true);
        layout->addWidget(label);
        // The edit box stands under the label that asks for it.
        if (i == 0 && edit)
            layout->addWidget(edit);
    }
    layout->addWidget(button);
    group->setFixedWidth(PanelWidth);
    group->setFixedHeight(group->sizeHint().height());
    return group;
}
}

TForm4::TForm4(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Справочник"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    setModal(false);

    m_model = new QStandardItemModel(0, 1, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Список значений")});
    DBGrid = NewReadOnlyGrid(m_model, this);
    DBGrid->verticalHeader()->hide();
    DBGrid->setWordWrap(false);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(50);
    AddBtn = new QPushButton(QStringLiteral("Добавить"), this);
    AddBtn->setObjectName(QStringLiteral("AddBtn"));
    GroupBox1 = makeGroup(this, "GroupBox1", QStringLiteral(" Добавление значений "),
                          {QStringLiteral("1). Введите новое значение"), QStringLiteral("2). Нажмите кнопку \"Добавить\"")},
                          Edit1, AddBtn);

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(50);
    Button2 = new QPushButton(QStringLiteral("Изменить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    GroupBox3 = makeGroup(this, "GroupBox3", QStringLiteral(" Изменение значений "),
                          {QStringLiteral("1). Введите новое значение"), QStringLiteral("2). Выберите значение в списке"),
                           QStringLiteral("3). Нажмите кнопку \"Изменить\"")},
                          Edit2, Button2);

    DeleteBtn = new QPushButton(QStringLiteral("Удалить"), this);
    DeleteBtn->setObjectName(QStringLiteral("DeleteBtn"));
    GroupBox2 = makeGroup(this, "GroupBox2", QStringLiteral(" Удаление значений"),
                          {QStringLiteral("1). Выберите значение в списке"), QStringLiteral("2). Нажмите кнопку \"Удалить\"")},
                          nullptr, DeleteBtn);

    Button1 = new QPushButton(QStringLiteral("Закрыть окно"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedWidth(PanelWidth);

    setMinimumSize(MinimumWidth, FormHeight);
    setMaximumHeight(FormHeight);
    resize(MinimumWidth + 180, FormHeight);

    connect(AddBtn, &QPushButton::clicked, this, &TForm4::AddBtnClick);
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(DeleteBtn, &QPushButton::clicked, this, &TForm4::DeleteBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(DBGrid, &QTableView::clicked, this, &TForm4::DBGridCellClick);
    // Moving with the keys too: the change box never holds another entry's text.
    connect(DBGrid->selectionModel(), &QItemSelectionModel::currentChanged, this, &TForm4::DBGridCellClick);
    FormResize();
}

void TForm4::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm4::FormResize()
{
    const int gridWidth = qMax(40, width() - GroupBox1->width() - 32);
    DBGrid->setGeometry(Margin, Margin, gridWidth, height() - 2 * Margin);
    DBGrid->setColumnWidth(0, qMax(20, gridWidth - 33));
    const int left = DBGrid->geometry().right() + 1 + 16;
    int top = Margin;
    for (QWidget *panel : {static_cast<QWidget *>(GroupBox1), static_cast<QWidget *>(GroupBox3),
                           static_cast<QWidget *>(GroupBox2)}) {
        panel->move(left, top);
        top += panel->height() + Margin;
    }
    Button1->move(left, height() - Margin - Button1->height());
}

void TForm4::loadList()
{
    const QList<FieldStore::LookupEntry> entries = FieldStore::ReadLookupList(*DModule, m_fieldId);
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        auto *item = new QStandardItem(entries[row].text);
        item->setData(entries[row].id, Qt::UserRole);
        m_model->setItem(row, 0, item);
    }
    if (!entries.isEmpty())
        DBGrid->setCurrentIndex(m_model->index(0, 0));
}

qint64 TForm4::selectedEntryId() const
{
    const QModelIndex current = DBGrid->currentIndex();
    return current.isValid() ? current.siblingAtColumn(0).data(Qt::UserRole).toLongLong() : 0;
}

void TForm4::selectEntry(qint64 entryId)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row, 0)->data(Qt::UserRole).toLongLong() == entryId) {
            DBGrid->setCurrentIndex(m_model->index(row, 0));
            DBGrid->scrollTo(m_model->index(row, 0));
            return;
        }
    }
}

void TForm4::ShowList(qint64 fieldId, const QString &fieldName)
{
    m_fieldId = fieldId;
    loadList();
    setWindowTitle(QStringLiteral("Справочник для поля описания \"%1\"").arg(fieldName));
    DBGridCellClick();
    if (!isVisible())
        CentreOnScreen(this);
    show();
    raise();
}

void TForm4::fieldChanged(qint64 fieldId)
{
    if (!isVisible() || fieldId != m_fieldId)
        return;
    try {
        const FieldStore::FieldDefinition field = FieldStore::ReadField(*DModule, fieldId);
        if (field.lookup) {
            ShowList(field.id, field.name);
            return;
        }
    } catch (const DbError &) {
        // The field is gone: so is its list.
    }
    hide();
}

void TForm4::DBGridCellClick()
{
    const QModelIndex current = DBGrid->currentIndex();
    Edit2->setText(current.isValid() ? current.siblingAtColumn(0).data().toString() : QString());
}

void TForm4::AddBtnClick()
{
    Guarded([this] {
        const qint64 entryId = FieldStore::AddLookupEntry(*DModule, m_fieldId, Edit1->text());
        loadList();
        Edit1->clear();
        selectEntry(entryId);
        DBGridCellClick();
    });
}

void TForm4::Button2Click()
{
    const qint64 entryId = selectedEntryId();
    if (entryId == 0)
        return;
    Guarded([&] {
        FieldStore::RenameLookupEntry(*DModule, m_fieldId, entryId, Edit2->text());
        loadList();
        selectEntry(entryId);
    });
}

void TForm4::DeleteBtnClick()
{
    const qint64 entryId = selectedEntryId();
    if (entryId == 0)
        return;
    Guarded([&] {
        if (!FieldStore::DeleteLookupEntry(*DModule, m_fieldId, entryId))
            ShowMessage(QStringLiteral("Данная запись используется в главной таблице!"), this);
        loadList();
        // Not left empty: "Изменить" would empty the entry now selected.
        DBGridCellClick();
    });
}

void TForm4::Button1Click()
{
    hide();
}
