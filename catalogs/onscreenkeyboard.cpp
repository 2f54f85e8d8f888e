#include "catalogs/onscreenkeyboard.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QList>

namespace {
// Key codes of the kernel's input layer: Q, A, Z and the space bar.
constexpr int LetterKeys[] = {16, 30, 44, 57};

// Whether bit `bit` is set in a bitmap as the list writes it: words in hexadecimal, the highest first, each
// as wide as the kernel's long.
bool BitSet(const QByteArray &bitmap, int bit)
{
    const QList<QByteArray> words = bitmap.simplified().split(' ');
    constexpr int wordBits = int(sizeof(long)) * 8;
    const qsizetype index = words.size() - 1 - bit / wordBits;
    if (index < 0)
        return false;
    bool ok = false;
    const qulonglong word = words.at(index).toULongLong(&ok, 16);
    return ok && (word >> (bit % wordBits)) & 1;
}
}

bool KeyboardListed(const QByteArray &devices)
{
    // One paragraph per device; "B: KEY=" lists the keys it has.
    for (const QByteArray &device : devices.split('\n')) {
        const QByteArray line = device.trimmed();
        if (!line.startsWith("B: KEY="))
            continue;
        const QByteArray keys = line.mid(7);
        bool letters = true;
        for (int key : LetterKeys)
            letters = letters && BitSet(keys, key);
        if (letters)
            return true;
    }
    return false;
}

KeyboardNeed KeyboardNeedOf(const QByteArray &devices)
{
    if (!devices.contains("I: Bus="))
        return KeyboardNeed::Unknown;
    return KeyboardListed(devices) ? KeyboardNeed::Physical : KeyboardNeed::OnScreen;
}

void ChooseOnScreenKeyboard()
{
    if (qEnvironmentVariableIsSet("QT_IM_MODULE"))
        return;
    QFile list(QStringLiteral("/proc/bus/input/devices"));
    if (!list.open(QIODevice::ReadOnly) || KeyboardNeedOf(list.readAll()) != KeyboardNeed::OnScreen)
        return;
    const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath)
                           + QStringLiteral("/platforminputcontexts/libqtvirtualkeyboardplugin.so");
    if (!QFileInfo::exists(plugin))
        return;
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
}
