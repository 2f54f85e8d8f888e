#include "objects/fieldeditor.h"

#include "core/sharedquery.h"
#include "core/dmodule.h"
#include "objects/objectlist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimeEdit>

namespace {
const char *const KindProperty = "fieldKind";
// The string type's column holds at most 50 characters; the engine would not refuse a longer text.
constexpr int StringLimit = 50;
constexpr int LongTextHeight = 68;
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

namespace FieldEditor {

FieldKind KindOfInput(const QObject *input)
{
    return FieldKind(input->property(KindProperty).toInt());
}

int Advance(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Boolean:
        return 30;
    case FieldKind::LongText:
        return 86;
    case FieldKind::Image:
        return 120;
    default:
        return 40;
    }
}

int PreferredHeight(const QWidget *input)
{
    switch (KindOfInput(input)) {
    case FieldKind::LongText:
        return LongTextHeight;
    case FieldKind::Image:
        return 100;
    default:
        return input->sizeHint().height();
    }
}

QWidget *CreateInput(const DescriptionField &field, QWidget *parent, QObject *keyFilter)
{
    const FieldKind kind = field.kind();
    QWidget *input = nullptr;
    switch (kind) {
    case FieldKind::Lookup: {
        auto *box = new QComboBox(parent);
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
        auto *edit = new QLineEdit(parent);
        if (kind == FieldKind::String)
            edit->setMaxLength(StringLimit);
        else
            edit->installEventFilter(keyFilter);
        input = edit;
        break;
    }
    case FieldKind::Date: {
        auto *picker = new QDateEdit(QDate::currentDate(), parent);
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
        auto *picker = new QTimeEdit(QTime::currentTime(), parent);
        picker->setDisplayFormat(TimeDisplayFormat());
        input = picker;
        break;
    }
    case FieldKind::Boolean:
        input = new QCheckBox(QStringLiteral("Выберите значение: (Да/Нет)"), parent);
        break;
    case FieldKind::LongText: {
        auto *memo = new QPlainTextEdit(parent);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setFixedHeight(LongTextHeight);
        input = memo;
        break;
    }
    case FieldKind::Image: {
        auto *picture = new PictureBox(parent);
        input = picture;
        break;
    }
    }
    input->setProperty(KindProperty, int(kind));
    return input;
}

void ShowStored(QWidget *input, const DescriptionField &field, const SharedQuery &list)
{
    switch (KindOfInput(input)) {
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
        static_cast<PictureBox *>(input)->setPicture(
            ReadObjectPicture(*DModule, list.asInteger(QStringLiteral("G_ID")), field));
        break;
    }
}

FieldInput Read(QWidget *control, const DescriptionField &field)
{
    FieldInput input;
    input.field = field;
    switch (KindOfInput(control)) {
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
    return input;
}

}
