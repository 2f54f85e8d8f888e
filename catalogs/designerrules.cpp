#include "catalogs/designerrules.h"

#include "core/dmodule.h"
#include "fields/fieldkind.h"

#include <cmath>

namespace DesignerRules {

namespace {
int Snap(int value)
{
    return int(std::lround(value / 5.0)) * 5;
}

int Clamp(int value, int largest)
{
    if (value > largest)
        value = largest;
    return value < 0 ? 0 : value;
}
}

QPoint DropPosition(QPoint drop, QPoint grab, QSize panel)
{
    const int left = Snap(drop.x() - grab.x());
    const int top = Snap(drop.y() - grab.y());
    return {Clamp(left, panel.width() - 16), Clamp(top, panel.height() - 64)};
}

FrameType FrameTypeOf(int penWidth, QSize size)
{
    if (2 * penWidth > size.height())
        return FrameType::HorizontalLine;
    if (2 * penWidth > size.width())
        return FrameType::VerticalLine;
    return FrameType::Rectangle;
}

QSize FrameSizeFor(FrameType type, int penWidth, QSize size)
{
    switch (type) {
    case FrameType::HorizontalLine:
        return {size.width(), penWidth};
    case FrameType::VerticalLine:
        return {penWidth, size.height()};
    case FrameType::Rectangle:
        break;
    }
    return size;
}

std::optional<PlacedField> FieldToPlace(TDModule &module, const QString &caption)
{
    const QList<QVariantList> rows = module.QRWork->readAll(
        QStringLiteral("SELECT F_NAME, T_NAME FROM FIELDS, TYPES WHERE (T_ID = F_TYPE) AND (F_NAME = ?)"), {caption});
    if (rows.isEmpty())
        return std::nullopt;
    const FieldKind kind = FieldKinds::OfTypeName(rows.first().at(1).toString());
    const FieldElement element = kind == FieldKind::Image      ? FieldElement::Image
                                 : kind == FieldKind::LongText ? FieldElement::Memo
                                                               : FieldElement::Label;
    return PlacedField{rows.first().at(0).toString(), element};
}

}
