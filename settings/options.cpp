#include "settings/options.h"

#include <algorithm>

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

// The one of `keys` whose "key=" begins the line after the ten, or nullptr.
template <size_t N>
const char *keyOf(const QString &line, const char *const (&keys)[N])
{
    for (const char *key : keys) {
        if (line.startsWith(QLatin1String(key) + QLatin1Char('=')))
            return key;
    }
    return nullptr;
}

// The lines with each "key=value" in place of the line of its key after the ten, or added at the end.
QStringList withNamedLines(QStringList lines, const QList<std::pair<const char *, QString>> &written)
{
    for (const auto &[key, value] : written) {
        const QString start = QLatin1String(key) + QLatin1Char('=');
        bool replaced = false;
        for (int i = LineCount; i < lines.size(); ++i) {
            if (lines[i].startsWith(start)) {
                lines[i] = start + value;
                replaced = true;
            }
        }
        if (!replaced)
            lines << start + value;
    }
    return lines;
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
    QList<std::pair<const char *, QString>> written;
    for (const KeepingLine &known : KeepingLines)
        written.append({known.name, QString::number(keeping.*known.value)});
    return withNamedLines(lines, written);
}

namespace {
const char StartCatalogKey[] = "StartCatalog";
const char StartCatalogFileKey[] = "StartCatalogFile";
const char StartCatalogNameKey[] = "StartCatalogName";
const char IdleMinutesKey[] = "KioskIdleMinutes";
const char SlideSecondsKey[] = "KioskSlideSeconds";
const char PasswordStopsSessionKey[] = "KioskPasswordStopsSession";
const char *const KioskKeys[] = {StartCatalogKey, StartCatalogFileKey, StartCatalogNameKey,
                                 IdleMinutesKey, SlideSecondsKey, PasswordStopsSessionKey};

// The key of a kiosk line, or nullptr.
const char *kioskKeyOf(const QString &line)
{
    return keyOf(line, KioskKeys);
}
}

ParsedKiosk ParseKiosk(const QStringList &lines)
{
    ParsedKiosk parsed;
    Kiosk &kiosk = parsed.values;
    for (int i = LineCount; i < lines.size(); ++i) {
        const char *key = kioskKeyOf(lines[i]);
        if (!key)
            continue;
        // Texts are kept exactly, spaces included: a file name may begin or end with one.
        const QString text = lines[i].mid(qsizetype(qstrlen(key)) + 1);
        bool ok = true;
        if (key == StartCatalogFileKey) {
            kiosk.startCatalogFile = text;
        } else if (key == StartCatalogNameKey) {
            kiosk.startCatalogName = text;
        } else if (key == StartCatalogKey || key == PasswordStopsSessionKey) {
            const bool value = ParseYesNo(text, &ok);
            if (ok)
                (key == StartCatalogKey ? kiosk.startCatalog : kiosk.passwordStopsSession) = value;
        } else {
            const bool idle = key == IdleMinutesKey;
            const int value = text.trimmed().toInt(&ok);
            ok = ok && value >= 0 && value <= (idle ? MaxKioskIdleMinutes : MaxKioskSlideSeconds);
            if (ok)
                (idle ? kiosk.idleMinutes : kiosk.slideSeconds) = value;
        }
        if (!ok && parsed.error.isEmpty())
            parsed.error = QStringLiteral("Файл настроек, строка %1: '%2' не является допустимым значением")
                               .arg(i + 1).arg(quotedStart(lines[i]));
    }
    return parsed;
}

bool IsKioskLine(const QString &line)
{
    return kioskKeyOf(line) != nullptr;
}

QString KioskTextError(const Kiosk &kiosk)
{
    const auto breaksLine = [](const QString &text) {
        return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    };
    if (breaksLine(kiosk.startCatalogFile))
        return QStringLiteral("Имя файла базы данных содержит перевод строки; такой файл нельзя запускать при старте программы.");
    if (breaksLine(kiosk.startCatalogName))
        return QStringLiteral("Название каталога содержит перевод строки; такой каталог нельзя запускать при старте программы.");
    return {};
}

QStringList ComposeKiosk(const Kiosk &kiosk, const QStringList &lines)
{
    const auto yesNo = [](bool value) { return value ? QStringLiteral("-1") : QStringLiteral("0"); };
    const QList<std::pair<const char *, QString>> written = {
        {StartCatalogKey, yesNo(kiosk.startCatalog)},
        {StartCatalogFileKey, kiosk.startCatalogFile},
        {StartCatalogNameKey, kiosk.startCatalogName},
        {IdleMinutesKey, QString::number(kiosk.idleMinutes)},
        {SlideSecondsKey, QString::number(kiosk.slideSeconds)},
        {PasswordStopsSessionKey, yesNo(kiosk.passwordStopsSession)},
    };
    if (kiosk == Kiosk() && std::none_of(lines.cbegin() + qMin(lines.size(), qsizetype(LineCount)), lines.cend(), IsKioskLine))
        return lines;
    return withNamedLines(lines, written);
}

namespace {
const char PictureShrinkKey[] = "PictureShrink";
const char PictureLongSideKey[] = "PictureLongSide";
const char PictureQualityKey[] = "PictureQuality";
const char *const PictureKeys[] = {PictureShrinkKey, PictureLongSideKey, PictureQualityKey};

const char *pictureKeyOf(const QString &line)
{
    return keyOf(line, PictureKeys);
}
}

ParsedPictureStoring ParsePictureStoring(const QStringList &lines)
{
    ParsedPictureStoring parsed;
    PictureStoring &storing = parsed.values;
    for (int i = LineCount; i < lines.size(); ++i) {
        const char *key = pictureKeyOf(lines[i]);
        if (!key)
            continue;
        const QString text = lines[i].mid(qsizetype(qstrlen(key)) + 1);
        bool ok = false;
        if (key == PictureShrinkKey) {
            const bool value = ParseYesNo(text, &ok);
            if (ok)
                storing.shrink = value;
        } else {
            const bool side = key == PictureLongSideKey;
            const int value = text.trimmed().toInt(&ok);
            ok = ok && (side ? value >= MinPictureLongSide && value <= MaxPictureLongSide
                             : value >= MinPictureQuality && value <= MaxPictureQuality);
            if (ok)
                (side ? storing.longSide : storing.quality) = value;
        }
        if (!ok && parsed.error.isEmpty())
            parsed.error = QStringLiteral("Файл настроек, строка %1: '%2' не является допустимым значением")
                               .arg(i + 1).arg(quotedStart(lines[i]));
    }
    return parsed;
}

bool IsPictureStoringLine(const QString &line)
{
    return pictureKeyOf(line) != nullptr;
}

QStringList ComposePictureStoring(const PictureStoring &storing, const QStringList &lines)
{
    if (storing == PictureStoring()
        && std::none_of(lines.cbegin() + qMin(lines.size(), qsizetype(LineCount)), lines.cend(), IsPictureStoringLine))
        return lines;
    const QList<std::pair<const char *, QString>> written = {
        {PictureShrinkKey, storing.shrink ? QStringLiteral("-1") : QStringLiteral("0")},
        {PictureLongSideKey, QString::number(storing.longSide)},
        {PictureQualityKey, QString::number(storing.quality)},
    };
    return withNamedLines(lines, written);
}

bool IsNamedSettingLine(const QString &line)
{
    return IsKeepingLine(line) || IsKioskLine(line) || IsPictureStoringLine(line);
}
}
