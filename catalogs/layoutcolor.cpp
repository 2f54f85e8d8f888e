#include "catalogs/layouttext.h"

#include <array>

namespace Layout {

namespace {
struct NamedColor
{
    const char *name;
    Color value;
};

constexpr Color System(quint32 index) { return 0xFF000000u + index; }

// The 52 named colours, in the order their names are looked up; no two share a value.
constexpr std::array<NamedColor, 52> NamedColors{{
    {"clBlack", 0x00000000}, {"clMaroon", 0x00000080}, {"clGreen", 0x00008000}, {"clOlive", 0x00008080},
    {"clNavy", 0x00800000}, {"clPurple", 0x00800080}, {"clTeal", 0x00808000}, {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0}, {"clRed", 0x000000FF}, {"clLime", 0x0000FF00}, {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000}, {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00}, {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0}, {"clSkyBlue", 0x00F0CAA6}, {"clCream", 0x00F0FBFF}, {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", System(10)}, {"clActiveCaption", System(2)}, {"clAppWorkSpace", System(12)},
    {"clBackground", System(1)}, {"clBtnFace", System(15)}, {"clBtnHighlight", System(20)},
    {"clBtnShadow", System(16)}, {"clBtnText", System(18)}, {"clCaptionText", System(9)},
    {"clDefault", Colors::Default},
    {"clGradientActiveCaption", System(27)}, {"clGradientInactiveCaption", System(28)}, {"clGrayText", System(17)},
    {"clHighlight", System(13)}, {"clHighlightText", System(14)}, {"clHotLight", System(26)},
    {"clInactiveBorder", System(11)}, {"clInactiveCaption", System(3)}, {"clInactiveCaptionText", System(19)},
    {"clInfoBk", System(24)}, {"clInfoText", System(23)}, {"clMenu", System(4)}, {"clMenuBar", System(30)},
    {"clMenuHighlight", System(29)}, {"clMenuText", System(7)},
    {"clNone", Colors::None},
    {"clScrollBar", System(0)}, {"cl3DDkShadow", System(21)}, {"cl3DLight", System(22)}, {"clWindow", System(5)},
    {"clWindowFrame", System(6)}, {"clWindowText", System(8)},
}};

// The palette role nearest to each system colour index.
QPalette::ColorRole RoleOfSystemColor(quint32 index)
{
    switch (index) {
    case 0: case 3: case 12: return QPalette::Mid;
    case 1: case 16: return QPalette::Dark;
    case 2: case 13: case 27: case 29: return QPalette::Highlight;
    case 5: return QPalette::Base;
    case 6: case 21: return QPalette::Shadow;
    case 7: case 8: case 19: return QPalette::WindowText;
    case 9: case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;
    case 17: return QPalette::PlaceholderText;
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;
    case 22: case 28: return QPalette::Midlight;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    case 26: return QPalette::Link;
    default: return QPalette::Window;   // borders, menus, the menu bar
    }
}
}

QString ColorText(Color color)
{
    for (const NamedColor &named : NamedColors) {
        if (named.value == color)
            return QLatin1String(named.name);
    }
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<Color> ParseColor(const QString &text)
{
    for (const NamedColor &named : NamedColors) {
        if (text.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.value;
    }
    bool ok = false;
    if (text.startsWith(QLatin1Char('$'))) {
        const QString digits = text.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        const quint32 value = digits.toUInt(&ok, 16);
        return ok ? std::optional<Color>(value) : std::nullopt;
    }
    // Decimal values come from older writers as signed or unsigned 32-bit numbers.
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return Color(quint32(value));
}

QColor ToQColor(Color color, QPalette::ColorRole defaultRole, const QPalette &palette)
{
    if (color == Colors::None)
        return QColor(Qt::transparent);
    if (color == Colors::Default)
        return palette.color(defaultRole);
    if ((color & 0xFF000000u) == 0xFF000000u)
        return palette.color(RoleOfSystemColor(color & 0x00FFFFFFu));
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

Color FromQColor(const QColor &color)
{
    if (!color.isValid() || color.alpha() == 0)
        return Colors::None;
    const QColor rgb = color.toRgb();
    return Color(rgb.red()) | (Color(rgb.green()) << 8) | (Color(rgb.blue()) << 16);
}

}
