#include "objects/form7.h"

#include "app/filedialogs.h"
#include "objects/form8.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/paramspanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace {
const char *const KindProperty = "fieldKind";
// The string type's column holds at most 50 characters; the engine would not refuse a longer text.
constexpr int StringLimit = 50;

FieldKind kindOfInput(const QObject *input)
{
    return FieldKind(input->property(KindProperty).toInt());
}
}

PictureBox::PictureBox(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    setFrameShape(QFrame::Box);
}

bool PictureBox::setPicture(const QByteArray &data)
{
    QPixmap picture;
    if (!data.isEmpty() && !picture.loadFromData(data))
        return false;
    bytes = data;
    m_picture = picture;
    showScaled();
    return true;
}

void PictureBox::showScaled()
{
    if (m_picture.isNull())
        clear();
    else
        setPixmap(m_picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    Q_EMIT clicked();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showScaled();
}

TForm7::TForm7(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Добавление объекта"));
    GroupBox1 = new QGroupBox(QStringLiteral(" Заполните поля описания "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
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
    const FieldKind kind = KindOf(field);
    auto *label = new QLabel(kind == FieldKind::Image ? QStringLiteral("Для выбора \"%1\" нажмите ниже:").arg(field.name)
                                                      : QStringLiteral("Введите \"%1\":").arg(field.name),
                             GroupBox1);
    label->move(10, top);
    label->adjustSize();
    label->show();
    widestLabel = qMax(widestLabel, label->width());
    top += 15;

    QWidget *input = nullptr;
    int advance = 40;
    switch (kind) {
    case FieldKind::Lookup: {
        auto *box = new QComboBox(GroupBox1);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(LookupTexts(*DModule, field.id));
        box->lineEdit()->setMaxLength(StringLimit);
        input = box;
        break;
    }
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::String: {
        auto *edit = new QLineEdit(GroupBox1);
        if (kind == FieldKind::String)
            edit->setMaxLength(StringLimit);
        else
            edit->installEventFilter(this);
        input = edit;
        break;
    }
    case FieldKind::Date: {
        auto *picker = new QDateEdit(QDate::currentDate(), GroupBox1);
        picker->setCalendarPopup(true);
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        // A two-digit year cannot say which century is meant.
        if (!format.contains(QLatin1String("yyyy")))
            format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        picker->setDisplayFormat(format);
        input = picker;
        break;
    }
    case FieldKind::Time: {
        auto *picker = new QTimeEdit(QTime::currentTime(), GroupBox1);
        picker->setDisplayFormat(QLocale().timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed());
        input = picker;
        break;
    }
    case FieldKind::Boolean:
        input = new QCheckBox(QStringLiteral("Выберите значение: (Да/Нет)"), GroupBox1);
        advance = 30;
        break;
    case FieldKind::LongText: {
        auto *memo = new QPlainTextEdit(GroupBox1);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setFixedHeight(68);
        input = memo;
        advance = 86;
        break;
    }
    case FieldKind::Image: {
        auto *picture = new PictureBox(GroupBox1);
        picture->setGeometry(45, top, 140, 100);
        connect(picture, &PictureBox::clicked, this, &TForm7::ImageClick);
        input = picture;
        advance = 120;
        break;
    }
    }
    input->setProperty(KindProperty, int(kind));
    if (kind != FieldKind::Image) {
        // The yes/no caption is wider than the other controls in most styles; it is not cut.
        const int width = kind == FieldKind::Boolean ? qMax(200, input->sizeHint().width()) : 200;
        input->setGeometry(10, top, width, kind == FieldKind::LongText ? 68 : input->sizeHint().height());
        widestLabel = qMax(widestLabel, width);
    }
    input->show();
    top += advance;
    m_labels << label;
    m_inputs << input;
}

void TForm7::showStoredObject()
{
    const SharedQuery &list = *DModule->QRGeneral;
    for (int i = 0; i < m_fields.size(); ++i) {
        const DescriptionField &field = m_fields[i];
        QWidget *input = m_inputs[i];
        switch (kindOfInput(input)) {
        case FieldKind::Lookup: {
            auto *box = static_cast<QComboBox *>(input);
            const QString text = list.asString(field.listColumn());
            int chosen = 0;
            for (int item = 0; item < box->count(); ++item) {
                if (box->itemText(item) == text)
                    chosen = item;
            }
            box->setCurrentIndex(box->count() ? chosen : -1);
            break;
        }
        case FieldKind::Integer:
        case FieldKind::String:
            static_cast<QLineEdit *>(input)->setText(list.asString(field.column()));
            break;
        case FieldKind::Real:
            static_cast<QLineEdit *>(input)->setText(list.asString(field.column()).replace(QLatin1Char(','), QLatin1Char('.')));
            break;
        case FieldKind::Date: {
            const QDate date = QDate::fromString(list.asString(field.column()), Qt::ISODate);
            if (date.isValid())
                static_cast<QDateEdit *>(input)->setDate(date);
            break;
        }
        case FieldKind::Time: {
            const QTime time = QTime::fromString(list.asString(field.column()), Qt::ISODate);
            if (time.isValid())
                static_cast<QTimeEdit *>(input)->setTime(time);
            break;
        }
        case FieldKind::Boolean:
            static_cast<QCheckBox *>(input)->setChecked(list.asInteger(field.column()) != 0);
            break;
        case FieldKind::LongText:
            static_cast<QPlainTextEdit *>(input)->setPlainText(LongTextForEditor(list.asString(field.column())));
            break;
        case FieldKind::Image:
            // A stored value that is no picture shows an empty box and stays as it is unless replaced.
            static_cast<PictureBox *>(input)->setPicture(list.value(field.column()).toByteArray());
            break;
        }
    }
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
    const int boxHeight = qMax(m_contentHeight, 400);
    const int boxWidth = m_labelWidth + 24;
    GroupBox1->setGeometry(8, 8, boxWidth, boxHeight);
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
    for (int i = 0; i < m_fields.size(); ++i) {
        FieldInput input;
        input.field = m_fields[i];
        QWidget *control = m_inputs[i];
        switch (kindOfInput(control)) {
        case FieldKind::Lookup:
            input.value = static_cast<QComboBox *>(control)->currentText();
            break;
        case FieldKind::Integer:
        case FieldKind::Real:
        case FieldKind::String:
            input.value = static_cast<QLineEdit *>(control)->text();
            break;
        case FieldKind::Date:
            input.value = static_cast<QDateEdit *>(control)->date();
            break;
        case FieldKind::Time:
            input.value = static_cast<QTimeEdit *>(control)->time();
            break;
        case FieldKind::Boolean:
            input.value = static_cast<QCheckBox *>(control)->isChecked();
            break;
        case FieldKind::LongText:
            input.value = static_cast<QPlainTextEdit *>(control)->toPlainText();
            break;
        case FieldKind::Image: {
            auto *picture = static_cast<PictureBox *>(control);
            input.value = picture->bytes;
            input.pictureChosen = picture->chosen;
            break;
        }
        }
        inputs << input;
    }
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
        if (const int row = FindObjectRow(*DModule->QRGeneral, id))
            DModule->QRGeneral->setRecNo(row);
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
        if (const int row = FindObjectRow(*DModule->QRGeneral, id))
            DModule->QRGeneral->setRecNo(row);
    });
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
            const bool real = kindOfInput(edit) == FieldKind::Real;
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
