#include "core/fieldkinds.h"

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
