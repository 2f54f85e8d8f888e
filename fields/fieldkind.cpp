#include "fields/fieldkind.h"

#include "core/dberror.h"
#include "core/schemanames.h"
#include "core/typednumber.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace {
const QString IsoDate = QStringLiteral("yyyy-MM-dd");
const QString IsoTime = QStringLiteral("HH:mm:ss");
constexpr qint64 NumberLimit = StoredNumberLimit;

DbError notA(const QString &text, const DescriptionField &field, const QString &what)
{
    return DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является %3").arg(text, field.name, what));
}

DbError outOfRange(const QString &text, const DescriptionField &field)
{
    return DbError(QStringLiteral("Значение \"%1\" поля \"%2\" вне допустимых пределов: от -1000000000 до 1000000000")
                       .arg(text, field.name));
}
}

// Numbers are checked here, since a pasted text passes the key filters and the engine would store a
// non-number as text without complaint.
QVariant StoredValue(const DescriptionField &field, const QVariant &value, bool pictureChosen)
{
    // Before any text is made: a photograph's bytes read as text would be converted whole for nothing.
    if (field.kind() == FieldKind::Image)
        return pictureChosen ? QVariant(value.toByteArray()) : QVariant(QMetaType::fromType<QByteArray>());
    const QString text = value.toString();
    switch (field.kind()) {
    case FieldKind::Lookup:
        throw DbError(QStringLiteral("Значение поля \"%1\" хранится в его справочнике").arg(field.name));
    case FieldKind::Integer: {
        const TypedInteger number = ReadTypedInteger(text, field.name);
        if (!number.ok)
            throw DbError(number.error);
        if (qAbs(number.value) > NumberLimit)
            throw outOfRange(text, field);
        return number.value;
    }
    case FieldKind::Real: {
        const TypedReal number = ReadTypedReal(text, field.name);
        if (!number.ok)
            throw DbError(number.error);
        if (qAbs(number.value) > double(NumberLimit))
            throw outOfRange(text, field);
        return number.value;
    }
    case FieldKind::String: {
        const QString tooLong = TooLongText(field, text);
        if (!tooLong.isEmpty())
            throw DbError(tooLong);
        return text;
    }
    case FieldKind::Date: {
        bool ok = true;
        const QDate date = value.typeId() == QMetaType::QString ? ReadTypedDate(text, &ok) : value.toDate();
        if (!ok)
            throw notA(text, field, QStringLiteral("датой: введите день, месяц и год, например 15.03.2019"));
        return date.isValid() ? QVariant(date.toString(IsoDate)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Time: {
        bool ok = true;
        const QTime time = value.typeId() == QMetaType::QString ? ReadTypedTime(text, &ok) : value.toTime();
        if (!ok)
            throw notA(text, field, QStringLiteral("временем: введите часы и минуты, например 9:30 или 09:30:15"));
        return time.isValid() ? QVariant(time.toString(IsoTime)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Boolean:
        return value.toBool() ? -1 : 0;
    case FieldKind::LongText:
        return LongTextForStorage(text);
    case FieldKind::Image:
        break;
    }
    return {};
}

QString DescriptionField::column() const
{
    return SchemaName::FieldColumn(id);
}

QString DescriptionField::listColumn() const
{
    return lookup ? SchemaName::LookupData(id) : column();
}

QString TimeDisplayFormat()
{
    return QLocale().timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
}

QVariant DisplayValue(const DescriptionField &field, const QVariant &stored)
{
    // Not the stored value itself: a server hands an empty number as a typed null, which reads as "0".
    if (stored.isNull())
        return QVariant();
    switch (field.kind()) {
    case FieldKind::Date: {
        const QDate date = QDate::fromString(stored.toString(), Qt::ISODate);
        return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : stored;
    }
    case FieldKind::Time: {
        const QTime time = QTime::fromString(stored.toString(), Qt::ISODate);
        return time.isValid() ? QLocale().toString(time, TimeDisplayFormat()) : stored;
    }
    case FieldKind::Boolean:
        return stored.toLongLong() != 0 ? QStringLiteral("Да") : QStringLiteral("Нет");
    case FieldKind::Image:
        return QVariant();
    default:
        return stored;
    }
}

QString DisplayText(const DescriptionField &field, const QVariant &stored)
{
    const QVariant shown = DisplayValue(field, stored);
    switch (field.kind()) {
    case FieldKind::Real: {
        bool ok = false;
        const double number = shown.toDouble(&ok);
        return ok ? QLocale().toString(number, 'g', QLocale::FloatingPointShortest) : shown.toString();
    }
    case FieldKind::LongText:
        return LongTextForEditor(shown.toString());
    default:
        return shown.toString();
    }
}

QString LongTextForStorage(const QString &text)
{
    if (text.isEmpty())
        return QString();
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = plain.split(QLatin1Char('\n'));
    // A break after the last line ends that line; it does not start another.
    if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    QString stored;
    for (const QString &line : lines)
        stored += line + QLatin1Char('\r');
    return stored;
}

QString LongTextForEditor(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString ExchangeText(const DescriptionField &field, const QVariant &stored)
{
    if (stored.isNull())
        return QString();
    switch (field.kind()) {
    case FieldKind::Real: {
        bool ok = false;
        const double number = stored.toDouble(&ok);
        return ok ? QLocale::c().toString(number, 'g', QLocale::FloatingPointShortest) : stored.toString();
    }
    case FieldKind::Date:
    case FieldKind::Time:
        return stored.toString();
    case FieldKind::Boolean:
    case FieldKind::LongText:
        return DisplayText(field, stored);
    case FieldKind::Image:
        return QString();
    default:
        return stored.toString();
    }
}

QVariant ExchangeInput(const DescriptionField &field, const QString &text)
{
    const QString value = text.trimmed();
    switch (field.kind()) {
    case FieldKind::Integer:
    case FieldKind::Real:
        return value;
    case FieldKind::Date: {
        bool ok = false;
        const QDate date = ReadTypedDate(value, &ok);
        if (!ok)
            throw notA(text, field, QStringLiteral("датой"));
        return date;
    }
    case FieldKind::Time: {
        bool ok = false;
        const QTime time = ReadTypedTime(value, &ok);
        if (!ok)
            throw notA(text, field, QStringLiteral("временем"));
        return time;
    }
    case FieldKind::Boolean: {
        const QString lower = value.toLower();
        if (lower.isEmpty() || lower == QStringLiteral("нет") || lower == QLatin1String("0") || lower == QLatin1String("false")
            || lower == QStringLiteral("ложь"))
            return false;
        if (lower == QStringLiteral("да") || lower == QLatin1String("-1") || lower == QLatin1String("1")
            || lower == QLatin1String("true") || lower == QStringLiteral("истина"))
            return true;
        throw notA(text, field, QStringLiteral("значением \"Да\" или \"Нет\""));
    }
    case FieldKind::Image:
        return QVariant();
    default:
        return text;
    }
}

int TextLength(const QString &text)
{
    // Characters as the engines count them, not UTF-16 units.
    return int(text.toUcs4().size());
}

QString TooLongText(const DescriptionField &field, const QString &text)
{
    const int length = TextLength(text);
    if (length <= StringLengthLimit)
        return QString();
    return QStringLiteral("Текст поля \"%1\" длиннее %2 символов (%3 символов)").arg(field.name).arg(StringLengthLimit).arg(length);
}

QString ShortenedText(const QString &text)
{
    qsizetype end = 0;
    for (int kept = 0; kept < StringLengthLimit && end < text.size(); ++kept)
        end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    return text.left(end);
}

namespace {
// The year a two-digit year stands for: the latest one with those last digits not after this year.
int fullYear(int twoDigits)
{
    const int now = QDate::currentDate().year();
    int year = now - now % 100 + twoDigits;
    if (year > now)
        year -= 100;
    return year;
}

bool dayBeforeMonth()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    return day < 0 || month < 0 || day < month;
}
}

QDate ReadTypedDate(const QString &text, bool *ok)
{
    const QString value = text.trimmed();
    *ok = value.isEmpty();
    if (value.isEmpty())
        return QDate();
    static const QRegularExpression shape(QStringLiteral("^([0-9]{1,4})([./-])([0-9]{1,2})\\2([0-9]{1,4})$"));
    const QRegularExpressionMatch match = shape.match(value);
    if (!match.hasMatch())
        return QDate();
    const QString first = match.captured(1), middle = match.captured(3), last = match.captured(4);
    int year = 0, month = 0, day = 0;
    if (first.size() == 4) {
        if (last.size() > 2)
            return QDate();
        year = first.toInt();
        month = middle.toInt();
        day = last.toInt();
    } else {
        if (first.size() > 2 || (last.size() != 2 && last.size() != 4))
            return QDate();
        year = last.size() == 2 ? fullYear(last.toInt()) : last.toInt();
        day = (dayBeforeMonth() ? first : middle).toInt();
        month = (dayBeforeMonth() ? middle : first).toInt();
    }
    const QDate date(year, month, day);
    *ok = date.isValid() && year > 0;
    return *ok ? date : QDate();
}

QTime ReadTypedTime(const QString &text, bool *ok)
{
    const QString value = text.trimmed();
    *ok = value.isEmpty();
    if (value.isEmpty())
        return QTime();
    static const QRegularExpression shape(QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    const QRegularExpressionMatch match = shape.match(value);
    if (!match.hasMatch())
        return QTime();
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    *ok = time.isValid();
    return *ok ? time : QTime();
}

QString TypedDateText(const QDate &date)
{
    // Digits in the interface's order, with a four-digit year: what ReadTypedDate reads back.
    if (!date.isValid())
        return QString();
    return date.toString(dayBeforeMonth() ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("MM/dd/yyyy"));
}

QString TypedTimeText(const QTime &time)
{
    return time.isValid() ? time.toString(time.second() ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm")) : QString();
}
