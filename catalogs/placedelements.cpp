#include "catalogs/placedelements.h"

namespace Layout {

int ShownFontSize(int stored)
{
    return stored > 0 ? stored : DefaultFontSize;
}

QList<PlacedElement> PlacedElements(const Catalog &layout)
{
    using Kind = PlacedElement::Kind;
    QList<PlacedElement> placed;
    const auto label = [&](const Label &record, Kind kind) {
        PlacedElement element;
        element.kind = kind;
        element.rect = QRect(record.left, record.top, 0, 0);
        element.text = record.text;
        element.fontName = record.fontName;
        element.fontSize = record.fontSize;
        element.fontColor = record.fontColor;
        placed << element;
    };
    for (const FieldLabel &record : layout.fieldLabels)
        label(record, Kind::FieldLabel);
    for (const TextLabel &record : layout.textLabels)
        label(record, Kind::TextLabel);
    for (const FieldMemo &record : layout.memos) {
        PlacedElement element;
        element.kind = Kind::FieldMemo;
        element.rect = QRect(record.left, record.top, record.width, record.height);
        element.text = record.text;
        element.fontName = record.fontName;
        element.fontSize = record.fontSize;
        element.fontColor = record.fontColor;
        element.background = record.background;
        placed << element;
    }
    for (const FieldImage &record : layout.fieldImages) {
        PlacedElement element;
        element.kind = Kind::FieldImage;
        element.rect = QRect(record.left, record.top, record.width, record.height);
        element.text = record.fieldName;
        placed << element;
    }
    for (int k = 0; k < layout.textImages.size(); ++k) {
        const TextImage &record = layout.textImages[k];
        PlacedElement element;
        element.kind = Kind::TextImage;
        element.rect = QRect(record.left, record.top, record.width, record.height);
        element.textImage = k;
        placed << element;
    }
    for (const Frame &record : layout.frames) {
        PlacedElement element;
        element.kind = Kind::Frame;
        element.rect = QRect(record.left, record.top, record.width, record.height);
        element.penColor = record.penColor;
        element.penWidth = qMax(record.penWidth, 1);
        placed << element;
    }
    for (const ReferenceList &record : layout.referenceLists) {
        PlacedElement element;
        element.kind = Kind::ReferenceList;
        element.rect = QRect(record.left, record.top, record.width, record.height);
        element.fontName = record.fontName;
        element.fontSize = record.fontSize;
        element.fontColor = record.fontColor;
        element.background = record.background;
        placed << element;
    }
    return placed;
}

}

namespace Layout {
QRect RunningCatalogPanel(QSize window)
{
    const int w = window.width(), h = window.height();
    const int treeWidth = int(0.3 * w);
    const int gridHeight = int(0.3 * h);
    return QRect(treeWidth, 0, qMax(w - treeWidth, 1), qMax(h - gridHeight, 1));
}
}
