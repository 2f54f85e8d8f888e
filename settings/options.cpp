#include "settings/options.h"

namespace Options {

bool ParseYesNo(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        *ok = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        *ok = true;
        return false;
    }
    const qlonglong number = t.toLongLong(ok);
    return *ok && number != 0;
}

namespace {
// A damaged line may be anything, a megabyte of it included: the message quotes its start.
QString quotedStart(const QString &text)
{
    constexpr int Shown = 60;
    return text.size() <= Shown ? text : text.left(Shown) + QStringLiteral("…");
}
}

Parsed Parse(const QStringList &lines)
{
    Parsed parsed;
    for (int line = 1; line <= LineCount; ++line) {
        if (line > lines.size()) {
            parsed.error = QStringLiteral("Файл настроек: нет строки %1").arg(line);
            return parsed;
        }
        const QString text = lines[line - 1];
        if (line == PasswordLine) {
            parsed.values << QVariant(text);
            continue;
        }
        bool ok = false;
        if (line == DisplayFormatLine) {
            const int index = text.trimmed().toInt(&ok);
            if (!ok || index < 0 || index > 2) {
                parsed.error = QStringLiteral("Файл настроек, строка %1: '%2' не является допустимым значением")
                                   .arg(line).arg(quotedStart(text));
                return parsed;
            }
            parsed.values << QVariant(index);
            continue;
        }
        const bool value = ParseYesNo(text, &ok);
        if (!ok) {
            parsed.error = QStringLiteral("Файл настроек, строка %1: '%2' не является допустимым значением")
                               .arg(line).arg(quotedStart(text));
            return parsed;
        }
        parsed.values << QVariant(value);
    }
    return parsed;
}

QStringList Compose(const QVector<QVariant> &values, const QStringList &linesAsRead)
{
    QStringList lines;
    for (int line = 1; line <= LineCount && line <= values.size(); ++line) {
        const QVariant &v = values[line - 1];
        if (line == PasswordLine)
            lines << v.toString();
        else if (line == DisplayFormatLine)
            lines << QString::number(v.toInt());
        else
            lines << (v.toBool() ? QStringLiteral("-1") : QStringLiteral("0"));
    }
    for (int i = LineCount; i < linesAsRead.size(); ++i)
        lines << linesAsRead[i];
    return lines;
}

QStringList InitialLines()
{
    return {QStringLiteral("-1"), QStringLiteral("-1"), QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("-1"), QString(), QStringLiteral("0"), QStringLiteral("-1"),
            QStringLiteral("-1"), QStringLiteral("0")};
}

namespace {
struct KeepingLine
{
    const char *name;
    int Keeping::*value;
    int minimum;
    int maximum;
};
const KeepingLine KeepingLines[] = {
    {"SnapshotsKept", &Keeping::snapshotsKept, 1, MaxSnapshotsKept},
    {"SnapshotProgressMiB", &Keeping::snapshotProgressMiB, 0, MaxSnapshotProgressMiB},
    {"RecycleBinDays", &Keeping::recycleBinDays, 1, MaxRecycleBinDays},
};

// The line's setting, or nullptr for a line of no setting named here.
const KeepingLine *keepingLineOf(const QString &line)
{
    for (const KeepingLine &known : KeepingLines) {
        if (line.startsWith(QLatin1String(known.name) + QLatin1Char('=')))
            return &known;
    }
    return nullptr;
}
}

ParsedKeeping ParseKeeping(const QStringList &lines)
{
    ParsedKeeping parsed;
    for (int i = LineCount; i < lines.size(); ++i) {
        const KeepingLine *known = keepingLineOf(lines[i]);
        if (!known)
            continue;
        const QString text = lines[i].mid(qsizetype(qstrlen(known->name)) + 1);
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok && value >= known->minimum && value <= known->maximum) {
            parsed.values.*known->value = value;
        } else if (parsed.error.isEmpty()) {
            parsed.error = QStringLiteral("Файл настроек, строка %1: '%2' не является допустимым значением")
                               .arg(i + 1).arg(quotedStart(lines[i]));
        }
    }
    return parsed;
}

bool IsKeepingLine(const QString &line)
{
    return keepingLineOf(line) != nullptr;
}

QStringList ComposeKeeping(const Keeping &keeping, const QStringList &lines)
{
    QStringList result = lines;
    for (const KeepingLine &known : KeepingLines) {
        const QString line = QLatin1String(known.name) + QLatin1Char('=') + QString::number(keeping.*known.value);
        bool replaced = false;
        for (int i = LineCount; i < result.size(); ++i) {
            if (keepingLineOf(result[i]) == &known) {
                result[i] = line;
                replaced = true;
            }
        }
        if (!replaced)
            result << line;
    }
    return result;
}
}

