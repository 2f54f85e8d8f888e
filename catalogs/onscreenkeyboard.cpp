#include "catalogs/onscreenkeyboard.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QList>
#include <QLocale>
#include <optional>
#include <QWidget>
#include <QWindow>

namespace {
// The program's locale while the keyboard takes its language from a Russian one (see below).
std::optional<QLocale> LocaleBeforeKeyboard;
bool InWindowKeyboard = false;

// Whether the program is about to show its windows through a Wayland compositor.
bool OnWayland()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return platform.startsWith("wayland") || (platform.isEmpty() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
}

bool OnScreenKeyboardChosen()
{
    return qgetenv("QT_IM_MODULE") == "qtvirtualkeyboard";
}

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
    if (!qEnvironmentVariableIsSet("QT_IM_MODULE")) {
        QFile list(QStringLiteral("/proc/bus/input/devices"));
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath)
                               + QStringLiteral("/platforminputcontexts/libqtvirtualkeyboardplugin.so");
        if (list.open(QIODevice::ReadOnly) && KeyboardNeedOf(list.readAll()) == KeyboardNeed::OnScreen) {
            // Qt refuses its on-screen keyboard on the program's side of a Wayland compositor.
            if (OnWayland() || !QFileInfo::exists(plugin))
                InWindowKeyboard = true;
            else
                qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
        }
    }
    // The keyboard takes its first layout from the locale in force as the application object is made:
    // Russian, whatever the system's, for that moment only (KeepOnScreenKeyboardUsable puts it back).
    if (OnScreenKeyboardChosen()) {
        LocaleBeforeKeyboard = QLocale();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
}

bool InWindowKeyboardWanted()
{
    return InWindowKeyboard;
}

void UseInWindowKeyboard(bool wanted)
{
    InWindowKeyboard = wanted;
}

namespace {
class KeyboardOwner : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The keyboard's window is the one shown that no widget of the program owns. Shown, it is taken
        // out of the blocked windows only if by then it belongs to the window that blocks them.
        if (event->type() != QEvent::Show || !watched->isWindowType() || watched->inherits("QWidgetWindow"))
            return false;
        auto *keyboard = static_cast<QWindow *>(watched);
        QWidget *front = QApplication::activeModalWidget();
        if (!front)
            front = QApplication::activeWindow();
        QWindow *owner = front ? front->window()->windowHandle() : nullptr;
        if (owner && owner != keyboard && keyboard->transientParent() != owner)
            keyboard->setTransientParent(owner);
        return false;
    }
};
}

void KeepOnScreenKeyboardUsable()
{
    if (LocaleBeforeKeyboard) {
        QLocale::setDefault(*LocaleBeforeKeyboard);
        LocaleBeforeKeyboard.reset();
    }
    if (!OnScreenKeyboardChosen() || !qApp)
        return;
    qApp->installEventFilter(new KeyboardOwner(qApp));
}
