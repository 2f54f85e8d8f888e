#include "objects/fieldeditor.h"
#include "fields/picturedecoder.h"
#include "fields/picturefiles.h"

#include "core/sharedquery.h"
#include "core/dmodule.h"
#include "core/typednumber.h"
#include "objects/objectlist.h"
#include "core/dberror.h"
#include "core/schema.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPainter>
#include <QScreen>
#include <QTextOption>
#include <QTimer>

namespace {
const char *const KindProperty = "fieldKind";
constexpr int LongTextLines = 5;

QIcon calendarIcon()
{
    QPixmap sheet(16, 16);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    painter.setPen(QColor(80, 80, 80));
    painter.setBrush(Qt::white);
    painter.drawRect(1, 2, 13, 12);
    painter.fillRect(2, 3, 12, 3, QColor(200, 60, 60));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            painter.fillRect(3 + column * 3, 7 + row * 2, 2, 1, QColor(80, 80, 80));
    return QIcon(sheet);
}

// A calendar under the date input: the chosen day is written into the input as if typed.
void attachCalendar(QLineEdit *edit)
{
    QAction *open = edit->addAction(calendarIcon(), QLineEdit::TrailingPosition);
    open->setObjectName(QStringLiteral("CalendarAction"));
    open->setToolTip(QStringLiteral("Выбрать дату в календаре"));
    QObject::connect(open, &QAction::triggered, edit, [edit] {
        auto *calendar = new QCalendarWidget(edit);
        calendar->setObjectName(QStringLiteral("DateCalendar"));
        calendar->setWindowFlags(Qt::Popup);
        calendar->setAttribute(Qt::WA_DeleteOnClose);
        bool ok = false;
        const QDate shown = ReadTypedDate(edit->text(), &ok);
        calendar->setSelectedDate(ok && shown.isValid() ? shown : QDate::currentDate());
        QObject::connect(calendar, &QCalendarWidget::activated, edit, [edit, calendar](const QDate &date) {
            edit->setText(TypedDateText(date));
            Q_EMIT edit->textEdited(edit->text());
            calendar->close();
        });
        calendar->move(edit->mapToGlobal(QPoint(0, edit->height())));
        calendar->show();
    });
}
}

PictureBox::PictureBox(QWidget *parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    setFrameShape(QFrame::Box);
    // With a picture shown a click waits to see whether it is the first of a double click (a closer
    // look) before it asks for a file.
    m_click = new QTimer(this);
    m_click->setSingleShot(true);
    m_click->setInterval(QApplication::doubleClickInterval());
    connect(m_click, &QTimer::timeout, this, &PictureBox::clicked);
    m_decoder = new PictureDecoder(this);
    connect(m_decoder, &PictureDecoder::decoded, this, &PictureBox::pictureDecoded);
}

void PictureBox::setPicture(const QByteArray &data)
{
    bytes = data;
    // Nothing of the picture shown before stays up while the new one is decoded.
    m_picture = QPixmap();
    m_decodedWithin = QSize();
    showScaled();
    if (data.isEmpty()) {
        m_decoder->forget();
        m_decodePending = false;
        return;
    }
    decodeForSize();
}

bool PictureBox::decoding() const
{
    return m_decodePending || m_decoder->busy();
}

void PictureBox::decodeForSize()
{
    // A box not yet shown has no size of its own: it decodes once it is shown.
    if (!isVisible()) {
        m_decodePending = true;
        return;
    }
    m_decodePending = false;
    const QSize bound = size() * devicePixelRatio();
    m_decodedWithin = bound;
    m_decoder->request([data = bytes, bound] { return ShownPicture(data, bound); });
}

void PictureBox::pictureDecoded(const QImage &picture)
{
    m_picture = QPixmap::fromImage(picture);
    showScaled();
    if (!picture.isNull())
        Q_EMIT pictureShown();
}

void PictureBox::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    if (m_decodePending)
        decodeForSize();
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
    if (event->button() != Qt::LeftButton)
        return;
    if (m_doubleClicked) {
        // The release ending a double click is no click of its own.
        m_doubleClicked = false;
        return;
    }
    if (bytes.isEmpty())
        Q_EMIT clicked();
    else if (!m_click->isActive())
        m_click->start();
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    m_doubleClicked = false;
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton || bytes.isEmpty())
        return;
    m_click->stop();
    m_doubleClicked = true;
    Q_EMIT doubleClicked();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showScaled();
    // A box grown past the size its picture was decoded for gets the finer picture; the coarser one is
    // shown stretched meanwhile. A picture smaller than the bound it was decoded for has all its pixels.
    const QSize bound = size() * devicePixelRatio();
    const bool cutToBound = m_picture.width() >= m_decodedWithin.width() - 1
                            || m_picture.height() >= m_decodedWithin.height() - 1;
    if (!bytes.isEmpty() && isVisible() && !m_decodePending && m_decodedWithin.isValid()
        && (bound.width() > m_decodedWithin.width() || bound.height() > m_decodedWithin.height())
        && (m_decoder->busy() || (!m_picture.isNull() && cutToBound)))
        decodeForSize();
}

namespace FieldEditor {

FieldKind KindOfInput(const QObject *input)
{
    return FieldKind(input->property(KindProperty).toInt());
}

QWidget *CreateInput(const DescriptionField &field, QWidget *parent)
{
    const FieldKind kind = field.kind();
    QWidget *input = nullptr;
    switch (kind) {
    case FieldKind::Lookup: {
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(LookupTexts(*DModule, field.id));
        // Nothing chosen until the user chooses: the first entry is no value of the object.
        box->setCurrentIndex(-1);
        input = box;
        break;
    }
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::String:
    case FieldKind::Date:
    case FieldKind::Time: {
        auto *edit = new QLineEdit(parent);
        if (kind == FieldKind::Date) {
            edit->setPlaceholderText(QStringLiteral("дд.мм.гггг"));
            attachCalendar(edit);
        } else if (kind == FieldKind::Time) {
            edit->setPlaceholderText(QStringLiteral("чч:мм или чч:мм:сс"));
        }
        input = edit;
        break;
    }
    case FieldKind::Boolean:
        input = new QCheckBox(QStringLiteral("Выберите значение: (Да/Нет)"), parent);
        break;
    case FieldKind::LongText: {
        auto *memo = new QPlainTextEdit(parent);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        memo->setTabChangesFocus(true);
        memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * LongTextLines + 2 * memo->frameWidth() + 8);
        input = memo;
        break;
    }
    case FieldKind::Image: {
        auto *picture = new PictureBox(parent);
        picture->setMinimumSize(140, 100);
        picture->setFocusPolicy(Qt::StrongFocus);
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
        // The empty entry shows empty, never as another entry.
        const bool empty = text == EmptyLookupText;
        const int chosen = empty ? -1 : box->findText(text, Qt::MatchExactly);
        box->setCurrentIndex(chosen);
        if (chosen < 0)
            box->setEditText(empty ? QString() : text);
        break;
    }
    case FieldKind::Integer:
    case FieldKind::String:
        static_cast<QLineEdit *>(input)->setText(list.asString(field.column()));
        break;
    case FieldKind::Real: {
        const QVariant stored = list.value(field.column());
        bool ok = false;
        const double number = stored.toDouble(&ok);
        static_cast<QLineEdit *>(input)->setText(stored.isNull() || !ok ? list.asString(field.column()) : TypedRealText(number));
        break;
    }
    case FieldKind::Date: {
        const QDate date = QDate::fromString(list.asString(field.column()), Qt::ISODate);
        static_cast<QLineEdit *>(input)->setText(date.isValid() ? TypedDateText(date) : list.asString(field.column()));
        break;
    }
    case FieldKind::Time: {
        const QTime time = QTime::fromString(list.asString(field.column()), Qt::ISODate);
        static_cast<QLineEdit *>(input)->setText(time.isValid() ? TypedTimeText(time) : list.asString(field.column()));
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
    case FieldKind::Date:
    case FieldKind::Time:
        input.value = static_cast<QLineEdit *>(control)->text();
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

Note NoteFor(const DescriptionField &field, const QVariant &value)
{
    const QString text = value.toString();
    switch (field.kind()) {
    case FieldKind::Integer:
    case FieldKind::Real:
        if (text.trimmed().isEmpty())
            return {};
        try {
            StoredValue(field, text, false);
        } catch (const DbError &error) {
            return {error.message(), true};
        }
        return {};
    case FieldKind::Date: {
        bool ok = false;
        const QDate date = ReadTypedDate(text, &ok);
        if (!ok)
            return {QStringLiteral("Не дата: введите день, месяц и год, например 15.03.2019"), true};
        return {date.isValid() ? QStringLiteral("Будет сохранено: ") + QLocale().toString(date, QLocale::LongFormat)
                               : QStringLiteral("Без даты"),
                false};
    }
    case FieldKind::Time: {
        bool ok = false;
        const QTime time = ReadTypedTime(text, &ok);
        if (!ok)
            return {QStringLiteral("Не время: введите часы и минуты, например 9:30 или 09:30:15"), true};
        return {time.isValid() ? QStringLiteral("Будет сохранено: ") + time.toString(QStringLiteral("HH:mm:ss"))
                               : QStringLiteral("Без времени"),
                false};
    }
    case FieldKind::String:
    case FieldKind::Lookup: {
        const QString tooLong = TooLongText(field, text);
        return {tooLong, !tooLong.isEmpty()};
    }
    default:
        return {};
    }
}

bool SameValue(const DescriptionField &field, const QVariant &a, const QVariant &b)
{
    switch (field.kind()) {
    case FieldKind::Integer:
    case FieldKind::Real:
    case FieldKind::Date:
    case FieldKind::Time:
        try {
            return StoredValue(field, a, false) == StoredValue(field, b, false);
        } catch (const DbError &) {
            return a.toString() == b.toString();
        }
    case FieldKind::Image:
        return a.toByteArray() == b.toByteArray();
    default:
        return a == b;
    }
}

void OnChange(QWidget *input, QObject *context, const std::function<void()> &changed)
{
    if (auto *edit = qobject_cast<QLineEdit *>(input))
        QObject::connect(edit, &QLineEdit::textChanged, context, changed);
    else if (auto *box = qobject_cast<QComboBox *>(input))
        QObject::connect(box, &QComboBox::editTextChanged, context, changed);
    else if (auto *check = qobject_cast<QCheckBox *>(input))
        QObject::connect(check, &QCheckBox::toggled, context, changed);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(input))
        QObject::connect(memo, &QPlainTextEdit::textChanged, context, changed);
}

}
