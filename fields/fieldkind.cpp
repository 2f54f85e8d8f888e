#include "fields/fieldkind.h"

#include "core/dberror.h"
#include "core/schemanames.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>

namespace FieldKinds {

const QList<FieldKindInfo> &Types()
{
    static const QList<FieldKindInfo> types{
        {FieldKind::Integer, QStringLiteral("Целое число"), QStringLiteral("Целое число"), QStringLiteral("INTEGER"), true, true},
        {FieldKind::Real, QStringLiteral("Вещественное число"), QStringLiteral("Вещественное число"), QStringLiteral("FLOAT"), true, true},
        {FieldKind::Time, QStringLiteral("Время"), QStringLiteral("Время"), QStringLiteral("TIME"), false, true},
        {FieldKind::Date, QStringLiteral("Дата"), QStringLiteral("Дата"), QStringLiteral("DATE"), false, true},
        {FieldKind::Boolean, QStringLiteral("Логический"), QStringLiteral("Логический"), QStringLiteral("BOOLEAN"), false, true},
        {FieldKind::String, QStringLiteral("Строка (50 символов)"), QStringLiteral("Строка (до 50 символов)"), QStringLiteral("VARCHAR(50)"), true, true},
        {FieldKind::LongText, QStringLiteral("Длинный текст"), QStringLiteral("Длинный текст"), QStringLiteral("TEXT"), false, false},
        {FieldKind::Image, QStringLiteral("Изображение"), QStringLiteral("Изображение"), QStringLiteral("BLOB"), false, false},
    };
    return types;
}

int TypeCount()
{
    return int(Types().size());
}

const FieldKindInfo &Info(FieldKind kind)
{
    static const FieldKindInfo lookup{FieldKind::Lookup, QString(), QString(), QStringLiteral("INTEGER"), true, true};
    if (kind == FieldKind::Lookup)
        return lookup;
    return Types()[int(kind)];
}

FieldKind OfTypeName(const QString &typeName)
{
    for (const FieldKindInfo &info : Types()) {
        if (info.typeName == typeName)
            return info.kind;
    }
    return FieldKind::String;
}

}

namespace {
const QString IsoDate = QStringLiteral("yyyy-MM-dd");
const QString IsoTime = QStringLiteral("HH:mm:ss");
constexpr qint64 NumberLimit = StoredNumberLimit;

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
    const QString text = value.toString();
    switch (field.kind()) {
    case FieldKind::Lookup:
        throw DbError(QStringLiteral("Значение поля \"%1\" хранится в его справочнике").arg(field.name));
    case FieldKind::Integer: {
        bool ok = false;
        const qint64 number = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является целым числом").arg(text, field.name));
        if (qAbs(number) > NumberLimit)
            throw outOfRange(text, field);
        return number;
    }
    case FieldKind::Real: {
        bool ok = false;
        const double number = QLocale::c().toDouble(text.trimmed(), &ok);
        // The engine would keep "inf" as infinity and "nan" as an empty value.
        if (!ok || !std::isfinite(number))
            throw DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является числом").arg(text, field.name));
        if (qAbs(number) > double(NumberLimit))
            throw outOfRange(text, field);
        return number;
    }
    case FieldKind::String:
        return text;
    case FieldKind::Date: {
        const QDate date = value.toDate();
        return date.isValid() ? QVariant(date.toString(IsoDate)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Time: {
        const QTime time = value.toTime();
        return time.isValid() ? QVariant(time.toString(IsoTime)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Boolean:
        return value.toBool() ? -1 : 0;
    case FieldKind::LongText:
        return LongTextForStorage(text);
    case FieldKind::Image:
        return pictureChosen ? QVariant(value.toByteArray()) : QVariant(QMetaType::fromType<QByteArray>());
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
    const auto refuse = [&](const QString &what) {
        return DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является %3").arg(text, field.name, what));
    };
    switch (field.kind()) {
    case FieldKind::Real: {
        QString number = value;
        number.replace(QLatin1Char(','), QLatin1Char('.'));
        return number;
    }
    case FieldKind::Date: {
        if (value.isEmpty())
            return QDate();
        for (const QString &format : {IsoDate, QLocale().dateFormat(QLocale::ShortFormat), QStringLiteral("dd.MM.yyyy"),
                                      QStringLiteral("d.M.yyyy")}) {
            const QDate date = QDate::fromString(value, format);
            if (date.isValid())
                return date;
        }
        throw refuse(QStringLiteral("датой"));
    }
    case FieldKind::Time: {
        if (value.isEmpty())
            return QTime();
        for (const QString &format : {IsoTime, QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}) {
            const QTime time = QTime::fromString(value, format);
            if (time.isValid())
                return time;
        }
        throw refuse(QStringLiteral("временем"));
    }
    case FieldKind::Boolean: {
        const QString lower = value.toLower();
        if (lower.isEmpty() || lower == QStringLiteral("нет") || lower == QLatin1String("0") || lower == QLatin1String("false")
            || lower == QStringLiteral("ложь"))
            return false;
        if (lower == QStringLiteral("да") || lower == QLatin1String("-1") || lower == QLatin1String("1")
            || lower == QLatin1String("true") || lower == QStringLiteral("истина"))
            return true;
        throw refuse(QStringLiteral("значением \"Да\" или \"Нет\""));
    }
    case FieldKind::Image:
        return QVariant();
    default:
        return text;
    }
}
