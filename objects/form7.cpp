#include "objects/form7.h"

#include "app/filedialogs.h"
#include "objects/fieldeditor.h"
#include "objects/form8.h"
#include "objects/objectlist.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/progress.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/paramspanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

TForm7::TForm7(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Добавление объекта"));
    GroupBox1 = new QGroupBox(QStringLiteral(" Заполните поля описания "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *inputsArea = new QScrollArea(GroupBox1);
    inputsArea->setObjectName(QStringLiteral("InputsArea"));
    inputsArea->setFrameShape(QFrame::NoFrame);
    m_inputsPanel = new QWidget;
    inputsArea->setWidget(m_inputsPanel);
    auto *groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->addWidget(inputsArea);
    paramsPanel = new ParamsPanel(this);
    OkButton = new QPushButton(QStringLiteral("Добавить объект"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    connect(OkButton, &QPushButton::clicked, this, &TForm7::OkBtnClick);
    connect(CancelButton, &QPushButton::clicked, this, &TForm7::CancelBtnClick);
    FormCreate();
}

void TForm7::FormCreate()
{
    clearGenerated();
    layOut();
}

void TForm7::clearGenerated()
{
    for (QLabel *label : std::as_const(m_labels))
        delete label;
    for (QWidget *input : std::as_const(m_inputs))
        delete input;
    m_labels.clear();
    m_inputs.clear();
    m_fields.clear();
    m_contentHeight = 24;
    m_labelWidth = 200;
}

void TForm7::addFieldControls(const DescriptionField &field, int &top, int &widestLabel)
{
    const FieldKind kind = field.kind();
    auto *label = new QLabel(kind == FieldKind::Image ? QStringLiteral("Для выбора \"%1\" нажмите ниже:").arg(field.name)
                                                      : QStringLiteral("Введите \"%1\":").arg(field.name),
                             m_inputsPanel);
    label->move(10, top);
    label->adjustSize();
    label->show();
    widestLabel = qMax(widestLabel, label->width());
    top += 15;

    QWidget *input = FieldEditor::CreateInput(field, m_inputsPanel, this);
    if (kind == FieldKind::Image) {
        input->setGeometry(45, top, 140, FieldEditor::PreferredHeight(input));
        connect(static_cast<PictureBox *>(input), &PictureBox::clicked, this, &TForm7::ImageClick);
    } else {
        // The yes/no caption is wider than the other controls in most styles; it is not cut.
        const int width = kind == FieldKind::Boolean ? qMax(200, input->sizeHint().width()) : 200;
        input->setGeometry(10, top, width, FieldEditor::PreferredHeight(input));
        widestLabel = qMax(widestLabel, width);
    }
    input->show();
    top += FieldEditor::Advance(kind);
    m_labels << label;
    m_inputs << input;
}

void TForm7::showStoredObject()
{
    for (int i = 0; i < m_fields.size(); ++i)
        FieldEditor::ShowStored(m_inputs[i], m_fields[i], *DModule->QRGeneral);
}

void TForm7::GenForm()
{
    clearGenerated();
    m_fields = ReadDescriptionFields(*DModule);
    int top = 24;
    int widest = 200;
    for (const DescriptionField &field : std::as_const(m_fields))
        addFieldControls(field, top, widest);
    m_contentHeight = top;
    m_labelWidth = widest;

    if (EditMode) {
        showStoredObject();
        ObjectId = QString::number(DModule->QRGeneral->asInteger(QStringLiteral("G_ID")));
    } else {
        ObjectId = QString::number(ReserveObjectId(*DModule));
    }
    paramsPanel->fill(ObjectId);

    OkButton->setText(EditMode ? QStringLiteral("Изменить объект") : QStringLiteral("Добавить объект"));
    layOut();
}

void TForm7::layOut()
{
    // Past the screen's height the inputs scroll inside the group, so the buttons stay in reach.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int tallest = screen ? qMax(400, screen->availableGeometry().height() - 120) : 800;
    const int boxHeight = qBound(400, m_contentHeight + 8, tallest);
    const int scrollBarRoom = m_contentHeight + 8 > tallest ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    const int boxWidth = m_labelWidth + 24 + scrollBarRoom;
    GroupBox1->setGeometry(8, 8, boxWidth, boxHeight);
    m_inputsPanel->resize(m_labelWidth + 20, m_contentHeight);
    paramsPanel->move(boxWidth + 16, 8);
    paramsPanel->resize(qMax(width() - boxWidth - 32, 100), boxHeight);
    setMinimumSize(640, 480);
    setMaximumHeight(qMax(boxHeight + 80, 480));
    resize(640, maximumHeight());
}

void TForm7::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm7::FormResize()
{
    const int w = width();
    const int boxWidth = GroupBox1->width();
    paramsPanel->resize(qMax(w - boxWidth - 32, 100), GroupBox1->height());
    const int buttonWidth = (w - 32) / 2;
    const int buttonTop = GroupBox1->height() + 16;
    OkButton->setGeometry(8, buttonTop, buttonWidth, OkButton->sizeHint().height());
    CancelButton->setGeometry(buttonWidth + 16, buttonTop, buttonWidth, CancelButton->sizeHint().height());
}

QList<FieldInput> TForm7::readInputs() const
{
    QList<FieldInput> inputs;
    for (int i = 0; i < m_fields.size(); ++i)
        inputs << FieldEditor::Read(m_inputs[i], m_fields[i]);
    return inputs;
}

bool TForm7::missingValue(const QList<FieldInput> &inputs)
{
    if (FirstMissingField(inputs) < 0)
        return false;
    ShowMessage(QStringLiteral("Заполните все поля!") + MessageLineBreak
                    + QStringLiteral("(Изображение и длинный текст не обязательны для заполнения)"),
                this);
    return true;
}

void TForm7::OkBtnClick()
{
    if (EditMode)
        EditRecord();
    else
        AddRecord();
}

void TForm7::AddRecord()
{
    const QList<FieldInput> inputs = readInputs();
    if (missingValue(inputs))
        return;
    Guarded([&] {
        const qint64 id = ObjectId.toLongLong();
        InsertObject(*DModule, id, inputs);
        OpenObjectList(*DModule);
        close();
        EditMode = false;
        showObjectInList(id);
    });
}

void TForm7::EditRecord()
{
    const QList<FieldInput> inputs = readInputs();
    if (missingValue(inputs))
        return;
    Guarded([&] {
        const qint64 id = ObjectId.toLongLong();
        UpdateObject(*DModule, id, inputs);
        OpenObjectList(*DModule);
        close();
        showObjectInList(id);
    });
}

void TForm7::showObjectInList(qint64 id)
{
    // Only a list whose order cannot be sought is read from the top to find the object: then the user
    // sees how far it got, and may stop at the top of the list instead.
    QProgressDialog *progress = NewProgress(Form2, QStringLiteral("Поиск объекта в списке..."), 0);
    const int row = LocateObjectRow(*DModule, id, [progress](int rowsRead) {
        progress->setLabelText(QStringLiteral("Поиск объекта в списке: просмотрено объектов %1").arg(rowsRead));
        QApplication::processEvents();
        return !progress->wasCanceled();
    });
    progress->close();
    if (row)
        DModule->QRGeneral->setRecNo(row);
}

void TForm7::CancelBtnClick()
{
    close();
}

void TForm7::reject()
{
    close();
}

void TForm7::closeEvent(QCloseEvent *event)
{
    // Every way of closing ends here (the dialog's own close would route through reject again).
    event->accept();
    // A value dialog left open would add links to an object that is no longer edited.
    if (Form8)
        Form8->close();
    if (Form2)
        Form2->ClearForm();
}

void TForm7::ImageClick()
{
    auto *picture = qobject_cast<PictureBox *>(sender());
    if (!picture)
        return;
    const QString path = ChooseFileToOpen(this, {"ImageDialog", QStringLiteral("Открытие изображения"), PictureFilters(), {}});
    if (path.isEmpty())
        return;
    Guarded([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw DbError(QStringLiteral("Не удалось открыть файл %1").arg(path));
        if (!picture->setPicture(file.readAll()))
            throw DbError(QStringLiteral("Файл %1 не является изображением").arg(path));
        picture->chosen = true;
    });
}

bool TForm7::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        // Keys without a character (arrows, Delete) and control keys other than backspace pass unfiltered.
        if (edit && !typed.isEmpty() && (typed.at(0).unicode() >= 32 || typed.at(0) == QChar(8))) {
            const bool real = FieldEditor::KindOfInput(edit) == FieldKind::Real;
            const QChar key = typed.at(0);
            if (!(real ? FloatKeyPress(edit, key) : IntegerKeyPress(edit, key)))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm7::IntegerKeyPress(QLineEdit *edit, QChar key)
{
    return IntegerKeyAccepted(edit->text(), key);
}

bool TForm7::FloatKeyPress(QLineEdit *edit, QChar key)
{
    return RealKeyAccepted(edit->text(), key);
}

void TForm7::ComboBoxChange() { Guarded([this] { paramsPanel->ComboBoxChange(); }); }
void TForm7::AddParamClick() { Guarded([this] { paramsPanel->AddParamClick(); }); }
void TForm7::ClassesFill() { Guarded([this] { paramsPanel->ClassesFill(); }); }
void TForm7::DeleteParamClick() { Guarded([this] { paramsPanel->DeleteParamClick(); }); }
