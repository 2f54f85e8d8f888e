#include "core/typednumber.h"

#include <QLocale>
#include <cfloat>
#include <cmath>

namespace {

constexpr int MaxSignificantDigits = 15;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isMinus(QChar c, const QLocale &locale)
{
    return c == QLatin1Char('-') || c == QChar(0x2212) || QString(c) == locale.negativeSign();
}

bool isDecimalSign(QChar c, const QLocale &locale)
{
    return c == QLatin1Char('.') || QString(c) == locale.decimalPoint();
}

// The parts of a typed number, split without judging them; `stop` is where reading stopped.
struct Parts
{
    bool negative = false;
    QString whole;
    QString fraction;
    bool decimalSign = false;
    QString exponent; // with its sign, digits only otherwise
    bool exponentMark = false;
    qsizetype stop = 0;
};

Parts split(const QString &text, const QLocale &locale, bool allowFraction)
{
    Parts parts;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (isMinus(text[i], locale) || text[i] == QLatin1Char('+'))) {
        parts.negative = isMinus(text[i], locale);
        ++i;
    }
    while (i < n && isDigit(text[i]))
        parts.whole += text[i++];
    if (allowFraction && i < n && isDecimalSign(text[i], locale)) {
        parts.decimalSign = true;
        ++i;
        while (i < n && isDigit(text[i]))
            parts.fraction += text[i++];
    }
    if (allowFraction && i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))
        && !(parts.whole + parts.fraction).isEmpty()) {
        parts.exponentMark = true;
        ++i;
        if (i < n && (isMinus(text[i], locale) || text[i] == QLatin1Char('+')))
            parts.exponent += isMinus(text[i++], locale) ? QLatin1Char('-') : QLatin1Char('+');
        while (i < n && isDigit(text[i]))
            parts.exponent += text[i++];
    }
    parts.stop = i;
    return parts;
}

QString subject(const QString &text, const QString &fieldName)
{
    return fieldName.isEmpty() ? QStringLiteral("Значение \"%1\"").arg(text)
                               : QStringLiteral("Значение \"%1\" поля \"%2\"").arg(text, fieldName);
}

// Why a text is refused, judged by the first character that could not be read.
QString refusal(const QString &text, const QString &fieldName, const Parts &parts, const QLocale &locale, bool real)
{
    const QString what = subject(text, fieldName);
    const QString value = text.trimmed();
    const QChar next = parts.stop < value.size() ? value[parts.stop] : QChar();
    if (!(parts.whole + parts.fraction).isEmpty() && !next.isNull()) {
        if (next.isSpace() || QString(next) == locale.groupSeparator() || next == QLatin1Char('\''))
            return QStringLiteral("%1 не принято: введите число без пробелов и разделителей разрядов, например %2.")
                .arg(what, QStringLiteral("1234") + (real ? locale.decimalPoint() + QStringLiteral("5") : QString()));
        if (real && parts.decimalSign && (next == QLatin1Char(',') || isDecimalSign(next, locale)))
            return QStringLiteral("%1 не принято: в числе может быть только один десятичный знак.").arg(what);
        if (real && next == QLatin1Char(','))
            return QStringLiteral("%1 не принято: десятичный знак здесь \"%2\" или точка.").arg(what, locale.decimalPoint());
        if (!real && (isDecimalSign(next, locale) || next == QLatin1Char(',')))
            return QStringLiteral("%1 не является целым числом: дробная часть здесь не допускается.").arg(what);
    }
    return QStringLiteral("%1 не является %2.").arg(what, real ? QStringLiteral("числом") : QStringLiteral("целым числом"));
}

QString emptyRefusal(const QString &fieldName)
{
    return fieldName.isEmpty() ? QStringLiteral("Введите число.") : QStringLiteral("Введите число в поле \"%1\".").arg(fieldName);
}

// The digits of a number from its first non-zero one to its last, without sign, point or exponent.
QString significant(const QString &number)
{
    QString digits;
    for (const QChar c : number) {
        if (c == QLatin1Char('e') || c == QLatin1Char('E'))
            break;
        if (isDigit(c))
            digits += c;
    }
    while (digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return digits;
}

int significantDigits(const QString &digits)
{
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    qsizetype last = digits.size();
    while (last > first && digits[last - 1] == QLatin1Char('0'))
        --last;
    return int(last - first);
}

}

TypedInteger ReadTypedInteger(const QString &text, const QString &fieldName)
{
    TypedInteger result;
    const QString value = text.trimmed();
    if (value.isEmpty()) {
        result.error = emptyRefusal(fieldName);
        return result;
    }
    const QLocale locale;
    const Parts parts = split(value, locale, false);
    if (parts.whole.isEmpty() || parts.stop != value.size()) {
        result.error = refusal(text, fieldName, parts, locale, false);
        return result;
    }
    QString digits = parts.whole;
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    bool ok = false;
    const qint64 magnitude = digits.size() > 18 ? 0 : digits.toLongLong(&ok);
    if (!ok) {
        result.error = QStringLiteral("%1 слишком велико.").arg(subject(text, fieldName));
        return result;
    }
    result.ok = true;
    result.value = parts.negative ? -magnitude : magnitude;
    return result;
}

TypedReal ReadTypedReal(const QString &text, const QString &fieldName)
{
    TypedReal result;
    const QString value = text.trimmed();
    if (value.isEmpty()) {
        result.error = emptyRefusal(fieldName);
        return result;
    }
    const QLocale locale;
    const Parts parts = split(value, locale, true);
    const bool hasDigits = !(parts.whole + parts.fraction).isEmpty();
    QString exponentDigits = parts.exponent;
    if (!exponentDigits.isEmpty() && !isDigit(exponentDigits.front()))
        exponentDigits.remove(0, 1);
    if (!hasDigits || parts.stop != value.size() || (parts.exponentMark && exponentDigits.isEmpty())) {
        result.error = refusal(text, fieldName, parts, locale, true);
        return result;
    }
    QString plain = (parts.negative ? QStringLiteral("-") : QString()) + (parts.whole.isEmpty() ? QStringLiteral("0") : parts.whole);
    if (!parts.fraction.isEmpty())
        plain += QLatin1Char('.') + parts.fraction;
    if (parts.exponentMark)
        plain += QLatin1Char('e') + parts.exponent;
    bool ok = false;
    const double number = QLocale::c().toDouble(plain, &ok);
    const bool tiny = parts.exponent.startsWith(QLatin1Char('-'));
    if (!ok || !std::isfinite(number)) {
        result.error = (tiny ? QStringLiteral("%1 слишком мало.") : QStringLiteral("%1 слишком велико.")).arg(subject(text, fieldName));
        return result;
    }
    // Too small a number would be kept as zero or with lost digits.
    if (number != 0 ? std::fabs(number) < DBL_MIN : significantDigits(parts.whole + parts.fraction) > 0) {
        result.error = QStringLiteral("%1 слишком мало.").arg(subject(text, fieldName));
        return result;
    }
    // Past 15 digits not every number has a double of its own: refused unless it reads back the same.
    if (significantDigits(parts.whole + parts.fraction) > MaxSignificantDigits
        && significant(parts.whole + parts.fraction) != significant(QLocale::c().toString(number, 'e', QLocale::FloatingPointShortest))) {
        result.error = QStringLiteral("%1 не принято: столько значащих цифр не сохраняется точно (не больше %2).")
                           .arg(subject(text, fieldName))
                           .arg(MaxSignificantDigits);
        return result;
    }
    result.ok = true;
    result.value = number == 0 ? 0.0 : number; // "-0" is zero
    return result;
}

QString TypedRealText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', QLocale::FloatingPointShortest);
}
