#pragma once

#include "catalogs/layouttext.h"

#include <QList>
#include <QRect>
#include <QString>

// The elements of a layout as one list, in the order the panel stacks them (the first lowest): what the
// running catalog's panel builds and what a published page shows. A new kind of element is added here
// and to each reader's switch over Kind; the compiler names the readers that miss it.
namespace Layout {

struct PlacedElement
{
    enum class Kind { FieldLabel, TextLabel, FieldMemo, FieldImage, TextImage, Frame, ReferenceList };
    Kind kind = Kind::TextLabel;
    // Place and size; labels size themselves to their text, so only their top left corner counts.
    QRect rect;
    // Field labels, memos and field images: the description field shown. Text labels: the text shown.
    QString text;
    // Text images: the position in the layout's list, which names the picture file of the catalog folder.
    int textImage = -1;
    // Texts: font, colour and the box's background (clNone for labels, which are transparent).
    QString fontName = DefaultFontName;
    int fontSize = DefaultFontSize;
    bool bold = true;
    Color fontColor = Colors::WindowText;
    Color background = Colors::None;
    // Frames and lines.
    Color penColor = Colors::Black;
    int penWidth = 1;

    bool sizesToText() const { return kind == Kind::FieldLabel || kind == Kind::TextLabel; }
    bool showsField() const { return kind == Kind::FieldLabel || kind == Kind::FieldMemo || kind == Kind::FieldImage; }
};

// Every element of `layout` in stacking order: field labels, text labels, memos, field images, text
// images, frames, reference lists, each kind in its own list's order.
QList<PlacedElement> PlacedElements(const Catalog &layout);

// The font size of a text element as shown: a size that is not positive shows at the default size.
int ShownFontSize(int stored);

}

namespace Layout {
// Where the running catalog puts its layout panel in a window of this size (right of the filter, above
// the grid); the layout's coordinates are the panel's own.
QRect RunningCatalogPanel(QSize window);
}
