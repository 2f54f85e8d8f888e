#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

class TDModule;

// The catalog designer's rules that need no window: where a dragged element lands, the frame types,
// the size limits and what a field button places.
namespace DesignerRules {

// Where a dragged element is put down: `drop` is the mouse point in the panel's coordinates, `grab` the
// point inside the element where it was taken. Snapped to a 5-pixel grid, then kept inside the panel
// (left at most panel width - 16, top at most panel height - 64), so a clamped value need not be on the grid.
QPoint DropPosition(QPoint drop, QPoint grab, QSize panel);

enum class FrameType { Rectangle = 0, HorizontalLine = 1, VerticalLine = 2 };
// The type a frame of this size and pen width looks like.
FrameType FrameTypeOf(int penWidth, QSize size);
// The frame's size after choosing a type: a line is as thick as its pen, a rectangle keeps its size.
QSize FrameSizeFor(FrameType type, int penWidth, QSize size);

constexpr int MinSize = 1;
constexpr int MaxWidth = 1280;
constexpr int MaxHeight = 1024;
constexpr int MaxPenWidth = 100;

enum class FieldElement { Label, Memo, Image };
struct PlacedField
{
    QString name;
    FieldElement element;
};
// What the field button captioned `caption` places: an image field an image, a long-text field a memo,
// any other field a label. Nothing when no field has that name (any more). Throws DbError.
std::optional<PlacedField> FieldToPlace(TDModule &module, const QString &caption);

}
