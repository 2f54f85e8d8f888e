#include "fields/fieldspage.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/snapshotbeforechange.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/snapshots.h"
#include "fields/fieldstore.h"
#include "fields/form4.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <iterator>

// The field list as the grid shows it: the rows of the shared field query, read-only.
class FieldListModel : public QAbstractTableModel
{
public:
    explicit FieldListModel(SharedQuery *query, QObject *parent)
        : QAbstractTableModel(parent), m_query(query)
    {
        connect(query, &SharedQuery::rowsReplaced, this, [this] {
            beginResetModel();
            endResetModel();
        });
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || !m_query->isOpen() ? 0 : m_query->recordCount();
    }

    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(std::size(columns));
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        return value(index.row(), QLatin1String(columns[index.column()]));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        return GridTitleData(titles()[section], role);
    }

    QVariant value(int row, const QString &column) const
    {
        const int columnIndex = m_query->columnIndex(column);
        return columnIndex < 0 ? QVariant() : m_query->valueAt(row, columnIndex);
    }

private:
    static constexpr const char *columns[] = {"F_NAME", "T_NAME", "B_TEXT"};
    static QStringList titles()
    {
        return {QStringLiteral("Название"), QStringLiteral("Тип данных"), QStringLiteral("Справочник")};
    }

    SharedQuery *m_query;
};

FieldsPage::FieldsPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FieldsPage"));

    m_model = new FieldListModel(DModule->QRFields, this);
    DBGrid = NewReadOnlyGrid(m_model, this);
    DBGrid->verticalHeader()->hide();
    DBGrid->setWordWrap(false);
    DBGrid->setColumnWidth(0, 153);
    DBGrid->setColumnWidth(1, 122);
    DBGrid->setColumnWidth(2, 94);
    DBGrid->setMinimumWidth(153 + 122 + 94 + 24);

    AddFieldBtn = new QPushButton(QStringLiteral("Добавить поле описания"), this);
    AddFieldBtn->setObjectName(QStringLiteral("AddFieldBtn"));
    EditFieldBtn = new QPushButton(QStringLiteral("Изменить выделенное поле описания"), this);
    EditFieldBtn->setObjectName(QStringLiteral("EditFieldBtn"));
    DeleteFieldBtn = new QPushButton(QStringLiteral("Удалить выделенное поле описания"), this);
    DeleteFieldBtn->setObjectName(QStringLiteral("DeleteFieldBtn"));
    LookupBtn = new QPushButton(QStringLiteral("Просмотр справочника >>"), this);
    LookupBtn->setObjectName(QStringLiteral("LookupBtn"));
    LookupBtn->setEnabled(false);

    GroupBox7 = new QGroupBox(QStringLiteral(" Ввод данных о поле описания объектов "), this);
    GroupBox7->setObjectName(QStringLiteral("GroupBox7"));
    Edit4 = new QLineEdit(GroupBox7);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    Edit4->setMaxLength(50);
    ComboBox1 = new QComboBox(GroupBox7);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(FieldStore::TypeCaptions());
    CheckBox3 = new QCheckBox(QStringLiteral("Использовать справочник"), GroupBox7);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    Label14 = new QLabel(QStringLiteral("для подстановки готовых значений."), GroupBox7);
    Label14->setObjectName(QStringLiteral("Label14"));
    OKBtn = new QPushButton(QStringLiteral("Готово"), GroupBox7);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), GroupBox7);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto *panelButtons = new QHBoxLayout;
    panelButtons->addWidget(OKBtn);
    panelButtons->addWidget(CancelBtn);
    auto *panel = new QVBoxLayout(GroupBox7);
    panel->addWidget(new QLabel(QStringLiteral("Введите название поля"), GroupBox7));
    panel->addWidget(Edit4);
    panel->addWidget(new QLabel(QStringLiteral("Выберите тип данных поля"), GroupBox7));
    panel->addWidget(ComboBox1);
    panel->addWidget(CheckBox3);
    panel->addWidget(Label14);
    panel->addLayout(panelButtons);
    GroupBox7->hide();

    auto *side = new QVBoxLayout;
    for (QPushButton *button : {AddFieldBtn, EditFieldBtn, DeleteFieldBtn, LookupBtn})
        side->addWidget(button);
    side->addWidget(GroupBox7);
    side->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(DBGrid, 1);
    layout->addLayout(side);

    connect(AddFieldBtn, &QPushButton::clicked, this, &FieldsPage::AddFieldBtnClick);
    connect(EditFieldBtn, &QPushButton::clicked, this, &FieldsPage::EditFieldBtnClick);
    connect(DeleteFieldBtn, &QPushButton::clicked, this, &FieldsPage::DeleteFieldBtnClick);
    connect(LookupBtn, &QPushButton::clicked, this, &FieldsPage::LookupBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &FieldsPage::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &FieldsPage::CancelBtnClick);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &FieldsPage::ComboBox1Change);
    connect(DBGrid, &QTableView::clicked, this, &FieldsPage::DBGridCellClick);
}

void FieldsPage::reloadFieldList()
{
    DModule->QRFields->open(FieldQuery);
    // Read to the end at once: a pending read would hold the database against schema changes.
    DModule->QRFields->recordCount();
    if (m_model->rowCount() > 0)
        DBGrid->setCurrentIndex(m_model->index(0, 0));
}

void FieldsPage::rereadFieldList()
{
    if (!Guarded([this] { reloadFieldList(); }))
        DModule->QRFields->close();
}

void FieldsPage::rereadKeepingCurrent()
{
    const qint64 current = selectedField().id;
    reloadFieldList();
    if (current)
        selectField(current);
    updateLookupButton();
}

bool FieldsPage::panelOpen() const
{
    return !GroupBox7->isHidden();
}

int FieldsPage::fieldCount() const
{
    return DModule->QRFields->isOpen() ? DModule->QRFields->recordCount() : 0;
}

DescriptionField FieldsPage::selectedField() const
{
    const int row = DBGrid->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return {};
    return {m_model->value(row, QStringLiteral("F_ID")).toLongLong(), m_model->value(row, QStringLiteral("F_NAME")).toString(),
            m_model->value(row, QStringLiteral("T_NAME")).toString(), m_model->value(row, QStringLiteral("F_LOOKUP")).toLongLong() != 0};
}

bool FieldsPage::selectField(qint64 fieldId)
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->value(row, QStringLiteral("F_ID")).toLongLong() == fieldId) {
            DBGrid->setCurrentIndex(m_model->index(row, 0));
            return true;
        }
    }
    return false;
}

void FieldsPage::updateLookupButton()
{
    LookupBtn->setEnabled(selectedField().lookup);
}

void FieldsPage::clearInputs()
{
    Edit4->clear();
    CheckBox3->setChecked(false);
    updateLookupButton();
    // A list window left open belongs to the database that was open before.
    if (Form4)
        Form4->hide();
}

void FieldsPage::openPanel(PanelMode mode)
{
    for (QWidget *control : {static_cast<QWidget *>(AddFieldBtn), static_cast<QWidget *>(EditFieldBtn),
                             static_cast<QWidget *>(DeleteFieldBtn), static_cast<QWidget *>(LookupBtn),
                             static_cast<QWidget *>(DBGrid)})
        control->setEnabled(false);
    Q_EMIT panelOpenChanged(true);
    GroupBox7->show();
    m_mode = mode;
}

void FieldsPage::closePanel()
{
    GroupBox7->hide();
    for (QWidget *control : {static_cast<QWidget *>(AddFieldBtn), static_cast<QWidget *>(EditFieldBtn),
                             static_cast<QWidget *>(DeleteFieldBtn), static_cast<QWidget *>(DBGrid)})
        control->setEnabled(true);
    Q_EMIT panelOpenChanged(false);
    updateLookupButton();
    m_mode = PanelMode::Adding;
}

void FieldsPage::AddFieldBtnClick()
{
    Edit4->clear();
    CheckBox3->setChecked(false);
    ComboBox1->setCurrentIndex(0);
    CheckBox3->setEnabled(false);
    m_editedFieldId = 0;
    openPanel(PanelMode::Adding);
    Edit4->setFocus();
}

void FieldsPage::EditFieldBtnClick()
{
    const DescriptionField field = selectedField();
    if (field.id == 0)
        return;
    int type = -1;
    if (!Guarded([&] { type = FieldStore::TypeNumber(*DModule, field.typeName); }))
        return;
    Edit4->setText(field.name);
    ComboBox1->setCurrentIndex(type);
    CheckBox3->setChecked(field.lookup);
    CheckBox3->setEnabled(type == FieldStore::StringType);
    m_editedFieldId = field.id;
    openPanel(PanelMode::Editing);
    Edit4->setFocus();
}

void FieldsPage::ComboBox1Change()
{
    // The tick stays as it is: the commit clears it for other types.
    CheckBox3->setEnabled(ComboBox1->currentIndex() == FieldStore::StringType);
}

void FieldsPage::OKBtnClick()
{
    const int type = ComboBox1->currentIndex();
    if (type != FieldStore::StringType)
        CheckBox3->setChecked(false);
    if (Edit4->text().isEmpty()) {
        ShowMessage(QStringLiteral("Введите название поля!"), window());
        return;
    }
    const QString name = Edit4->text();
    const bool lookup = CheckBox3->isChecked();
    qint64 fieldId = m_editedFieldId;
    if (m_mode == PanelMode::Editing) {
        if (!confirmValuesLost(fieldId, type, lookup))
            return;
        bool rebuilt = false;
        QString formerName;
        if (!Guarded([&] {
                rebuilt = FieldStore::ChangeRebuildsColumn(*DModule, fieldId, type, lookup);
                formerName = FieldStore::ReadField(*DModule, fieldId).name;
            }))
            return;
        if (rebuilt && !SnapshotBeforeChange(window(), SnapshotCause::FieldChanged(formerName)))
            return;
    }
    const bool done = Guarded([&] {
        if (m_mode == PanelMode::Adding)
            fieldId = FieldStore::AddField(*DModule, name, type, lookup);
        else
            FieldStore::ChangeField(*DModule, fieldId, name, type, lookup);
    });
    if (!done)
        return;
    rereadFieldList();
    closePanel();
    selectField(fieldId);
    updateLookupButton();
    if (Form4)
        Form4->fieldChanged(fieldId);
}

bool FieldsPage::confirmValuesLost(qint64 fieldId, int type, bool lookup)
{
    qint64 lost = 0;
    if (!Guarded([&] { lost = FieldStore::ValuesLostByChange(*DModule, fieldId, type, lookup); }))
        return false;
    return lost == 0
        || AskYesNo(QStringLiteral("Значения этого поля, которые нельзя преобразовать в новый тип данных, будут потеряны. "
                                   "Таких значений: %1.").arg(lost)
                        + MessageLineBreak + QStringLiteral("Изменить тип данных поля?"),
                    window());
}

void FieldsPage::CancelBtnClick()
{
    closePanel();
}

void FieldsPage::DeleteFieldBtnClick()
{
    const DescriptionField field = selectedField();
    if (field.id == 0)
        return;
    if (!AskYesNo(QStringLiteral("Внимание! Данные из этого поля будут потеряны!") + MessageLineBreak
                      + QStringLiteral("Вы действительно хотите удалить это поле?"),
                  window()))
        return;
    if (!SnapshotBeforeChange(window(), SnapshotCause::FieldDeleted(field.name)))
        return;
    if (!Guarded([&] { FieldStore::DeleteField(*DModule, field.id); }))
        return;
    rereadFieldList();
    updateLookupButton();
    if (Form4)
        Form4->fieldChanged(field.id);
}

void FieldsPage::DBGridCellClick()
{
    updateLookupButton();
}

void FieldsPage::LookupBtnClick()
{
    const DescriptionField field = selectedField();
    if (!field.lookup) {
        LookupBtn->setEnabled(false);
        return;
    }
    Guarded([&] { Form4->ShowList(field.id, field.name); });
}
