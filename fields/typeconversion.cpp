#include "fields/typeconversion.h"

#include "core/dberror.h"
#include "core/typednumber.h"

#include <cmath>

namespace TypeConversion {

namespace {

constexpr int StringLimit = 50;

bool isText(FieldKind kind)
{
    return kind == FieldKind::String || kind == FieldKind::LongText || kind == FieldKind::Lookup;
}

bool noValue(const QVariant &stored)
{
    return stored.isNull() || (stored.typeId() == QMetaType::QString && stored.toString().isEmpty());
}

// The text a value shows in the object list.
QString shownText(const DescriptionField &from, const QVariant &stored)
{
    if (from.kind() == FieldKind::Lookup)
        return stored.toString();
    return DisplayText(from, stored);
}

std::optional<QVariant> toText(const DescriptionField &to, const QString &text)
{
    if (to.kind() == FieldKind::LongText)
        return QVariant(LongTextForStorage(text));
    // A string field holds one line of at most 50 characters: a longer text or one of several lines is
    // not cut or joined.
    if (text.size() > StringLimit || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        return std::nullopt;
    return QVariant(text);
}

std::optional<QVariant> fromText(const DescriptionField &to, const QString &text)
{
    // Numbers by the one rule for typed numbers: the whole text, no digit groups, nothing guessed.
    if (to.kind() == FieldKind::Integer) {
        const TypedInteger number = ReadTypedInteger(text);
        if (!number.ok || qAbs(number.value) > StoredNumberLimit)
            return std::nullopt;
        return number.value;
    }
    if (to.kind() == FieldKind::Real) {
        const TypedReal number = ReadTypedReal(text);
        if (!number.ok || std::fabs(number.value) > double(StoredNumberLimit))
            return std::nullopt;
        return number.value;
    }
    try {
        return StoredValue(to, ExchangeInput(to, text), false);
    } catch (const DbError &) {
        return std::nullopt;
    }
}

}

std::optional<QVariant> Converted(const DescriptionField &from, const DescriptionField &to, const QVariant &stored)
{
    if (noValue(stored))
        return QVariant();
    const FieldKind source = from.kind();
    const FieldKind target = to.kind();
    if (source == target)
        return stored;
    if (source == FieldKind::Image || target == FieldKind::Image)
        return std::nullopt;
    if (isText(target)) {
        return toText(to, shownText(from, stored));
    }
    if (isText(source)) {
        const QString text = source == FieldKind::LongText ? LongTextForEditor(stored.toString()) : stored.toString();
        if (text.trimmed().isEmpty())
            return text.isEmpty() ? std::optional<QVariant>(QVariant()) : std::nullopt;
        return fromText(to, text);
    }
    if (source == FieldKind::Integer && target == FieldKind::Real) {
        bool ok = false;
        const qint64 number = stored.toLongLong(&ok);
        return ok ? std::optional<QVariant>(double(number)) : std::nullopt;
    }
    if (source == FieldKind::Real && target == FieldKind::Integer) {
        bool ok = false;
        const double number = stored.toDouble(&ok);
        if (!ok || !std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > double(StoredNumberLimit))
            return std::nullopt;
        return qint64(number);
    }
    return std::nullopt;
}

}
