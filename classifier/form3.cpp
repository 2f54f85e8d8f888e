#include "classifier/form3.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "classifier/classstore.h"
#include "core/typednumber.h"

#include <QAbstractListModel>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QListView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {
const QString NoInsertText = QStringLiteral("Добавить без вставки");
}

// The insertion choices: the children's names and "Добавить без вставки", exactly one of them checked.
class InsertChoiceModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setChoices(const QStringList &names, const QList<qint64> &ids, bool withNoInsert)
    {
        beginResetModel();
        m_names = names;
        m_ids = ids;
        if (withNoInsert) {
            m_names << NoInsertText;
            m_ids << 0;
        }
        m_checked = int(m_names.size()) - 1;
        endResetModel();
    }
    const QStringList &names() const { return m_names; }
    int checked() const { return m_checked; }
    qint64 checkedId() const { return m_ids.value(m_checked, 0); }
    void check(int row)
    {
        if (row < 0 || row >= m_names.size() || row == m_checked)
            return;
        const int before = m_checked;
        m_checked = row;
        if (before >= 0)
            Q_EMIT dataChanged(index(before), index(before), {Qt::CheckStateRole});
        Q_EMIT dataChanged(index(row), index(row), {Qt::CheckStateRole});
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_names.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_names.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_names[index.row()];
        if (role == Qt::CheckStateRole)
            return index.row() == m_checked ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        // A checked item is unchecked only by checking another one.
        if (role != Qt::CheckStateRole || !index.isValid() || value.toInt() != Qt::Checked)
            return false;
        check(index.row());
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable : Qt::NoItemFlags;
    }

private:
    QStringList m_names;
    QList<qint64> m_ids;
    int m_checked = -1;
};

TForm3::TForm3(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Связь с другими классами"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
    setMinimumSize(440, 300);

    GroupBox1 = new QGroupBox(QStringLiteral(" Количественное соотношение "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("1 ="), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);
    Label2 = new QLabel(GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));

    CheckBox1 = new QCheckBox(QStringLiteral("Не использовать количественное соотношение"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    RadioGroup1 = new QGroupBox(this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    m_choices = new InsertChoiceModel(this);
    RadioList = new QListView(RadioGroup1);
    RadioList->setObjectName(QStringLiteral("RadioList"));
    RadioList->setUniformItemSizes(true);
    RadioList->setModel(m_choices);
    connect(RadioList, &QListView::clicked, this, [this](const QModelIndex &index) { m_choices->check(index.row()); });
    auto *radioLayout = new QVBoxLayout(RadioGroup1);
    radioLayout->setContentsMargins(6, 4, 6, 6);
    radioLayout->addWidget(RadioList);

    Label3 = new QLabel(QStringLiteral("Для отключения вывода этого окна воспользуйтесь настройками программы"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Button1 = new QPushButton(QStringLiteral("Готово"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm3::CheckBox1Click);

    // Wide enough for the hint under the choices to be read whole.
    resize(qMax(480, Label3->sizeHint().width() + 36), 360);
    FormResize();
}

void TForm3::setInsertChoices(const QStringList &names, const QList<qint64> &ids)
{
    m_choices->setChoices(names, ids, !RatioEditMode);
    if (m_choices->checked() >= 0)
        RadioList->scrollTo(m_choices->index(m_choices->checked()));
}

void TForm3::PrepareAdding(const QString &parentName, const QString &className, const QStringList &childNames,
                           const QList<qint64> &childIds, bool siblingsUseRatio)
{
    RatioEditMode = false;
    m_preparedRatio.clear();
    Edit1->setText(QStringLiteral("0"));
    Label1->setText(QLatin1String("1 ") + parentName + QLatin1String(" ="));
    Label2->setText(className);
    RadioGroup1->setTitle(QStringLiteral(" Вставить между \"%1\" и ... ").arg(parentName));
    setInsertChoices(childNames, childIds);
    RadioGroup1->setEnabled(true);
    CheckBox1->setChecked(!siblingsUseRatio);
    CheckBox1Click();
}

void TForm3::PrepareChanging(const QString &parentName, const QString &className, const QString &ratioText,
                             bool usesRatio)
{
    RatioEditMode = true;
    // Shown as it is typed here (a decimal comma in Russian); kept as stored while untouched.
    bool stored = false;
    const double ratio = QLocale::c().toDouble(ratioText, &stored);
    const QString shown = stored ? TypedRealText(ratio) : ratioText;
    Edit1->setText(shown);
    Label1->setText(QLatin1String("1 ") + parentName + QLatin1String(" ="));
    Label2->setText(className);
    RadioGroup1->setTitle(QStringLiteral(" Вставка недоступна... "));
    setInsertChoices({}, {});
    RadioGroup1->setEnabled(false);
    CheckBox1->setChecked(!usesRatio);
    CheckBox1Click();
    m_preparedRatio = shown;
    m_preparedWithoutRatio = !usesRatio;
}

bool TForm3::ratioChanged() const
{
    return Edit1->text() != m_preparedRatio || CheckBox1->isChecked() != m_preparedWithoutRatio;
}

QStringList TForm3::radioItems() const
{
    return m_choices->names();
}

int TForm3::radioIndex() const
{
    return m_choices->checked();
}

void TForm3::setRadioIndex(int index)
{
    m_choices->check(index);
}

qint64 TForm3::chosenChild() const
{
    return m_choices->checkedId();
}

void TForm3::Button1Click()
{
    if (CheckBox1->isChecked())
        Edit1->setText(QStringLiteral("0"));
    if (Edit1->text().isEmpty()) {
        ShowMessage(QStringLiteral("Введите соотношение величин!"), this);
        return;
    }
    bool done = false;
    if (!Guarded([&] { done = m_done && m_done(); }))
        return;
    if (!done)
        return;
    close();
    // Performed without being shown: no close event comes, the tree is enabled here.
    FormClose();
}

void TForm3::Button2Click()
{
    close();
    FormClose();
}

void TForm3::FormClose()
{
    Q_EMIT Closed();
}

void TForm3::SetDoneAction(std::function<bool()> done)
{
    m_done = std::move(done);
}

QString TForm3::ratioText() const
{
    return Edit1->text();
}

void TForm3::hideEvent(QHideEvent *event)
{
    // Any way of closing (the window's own button, Esc, close()) ends up hidden.
    FormClose();
    QDialog::hideEvent(event);
}

void TForm3::CheckBox1Click()
{
    GroupBox1->setEnabled(!CheckBox1->isChecked());
}

bool TForm3::Edit1KeyPress(const QKeyEvent &event) const
{
    if (event.key() == Qt::Key_Backspace)
        return true;
    const QString typed = event.text();
    // Keys that type nothing, and control keys (Enter, Esc, Tab, clipboard shortcuts), are not filtered.
    if (typed.isEmpty() || typed.at(0).isNonCharacter() || typed.at(0).category() == QChar::Other_Control)
        return true;
    if (typed.size() != 1)
        return false;
    const QChar key = typed.at(0);
    // The interface's decimal sign ("," in Russian) as well as a point.
    const bool decimalSign = key == QLatin1Char('.') || QString(key) == QLocale().decimalPoint();
    if (!(key.isDigit() && key.unicode() < 128) && !decimalSign && key != QLatin1Char('-'))
        return false;
    const TypedReal value = ReadTypedReal(Edit1->text() + key);
    return !(value.ok && std::fabs(value.value) > RatioLimit);
}

bool TForm3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress && !Edit1KeyPress(*static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TForm3::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm3::FormResize()
{
    const int w = width();
    const int h = height();
    const int groupWidth = w - 24;
    GroupBox1->setGeometry(12, 8, groupWidth, 60);
    Label1->adjustSize();
    Label1->move(12, 30);
    const int editLeft = Label1->width() + 16;
    Edit1->setGeometry(editLeft, 26, 120, Edit1->sizeHint().height());
    Label2->adjustSize();
    Label2->move(editLeft + Edit1->width() + 16, 30);
    CheckBox1->setGeometry(12, 74, groupWidth, CheckBox1->sizeHint().height());
    RadioGroup1->setGeometry(12, 100, groupWidth, qMax(40, h - 212));
    const int label3Top = RadioGroup1->geometry().bottom() + 1 + 8;
    Label3->setGeometry(12, label3Top, groupWidth, Label3->sizeHint().height());
    const int buttonWidth = (groupWidth - 32) / 2;
    const int buttonTop = label3Top + 24;
    Button1->setGeometry(12, buttonTop, buttonWidth, 30);
    Button2->setGeometry(12 + groupWidth - buttonWidth, buttonTop, buttonWidth, 30);
}
