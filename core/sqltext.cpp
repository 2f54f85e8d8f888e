#include "core/sqltext.h"

QString SqlNumber(double value)
{
    return QString::number(value, 'g', 15);
}

QString SqlBool(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

QString InList(const QString &column, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return QStringLiteral("0 = 1");
    QString text;
    text.reserve(int(ids.size()) * 8 + column.size() + 8);
    text += column + QLatin1String(" IN (");
    for (int i = 0; i < ids.size(); ++i) {
        if (i)
            text += QLatin1Char(',');
        text += QString::number(ids[i]);
    }
    text += QLatin1Char(')');
    return text;
}
