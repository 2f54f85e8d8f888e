#pragma once

#include "catalogs/layouttext.h"

#include <QByteArray>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

class QTableView;

// The widgets that show a catalog's elements on its layout panel, for the designer and the running
// catalog alike. Each keeps the stored values of its record (colours as stored values, so a system
// colour stays a system colour) and gives its record back with its current place and size.

// Field labels and text labels: transparent, sized to their text.
class LabelElement : public QLabel
{
    Q_OBJECT
public:
    // A field label names its field by `record.text`; a text label shows that text.
    LabelElement(const Layout::Label &record, bool fieldBound, bool bold, QWidget *panel);

    bool isFieldBound() const { return m_fieldBound; }
    QString fieldName() const { return m_fieldBound ? m_fieldName : QString(); }
    Layout::Label record() const;
    Layout::Color fontColor() const { return m_fontColor; }
    void setLook(const QFont &font, Layout::Color fontColor);
    void setShownText(const QString &text);

private:
    bool m_fieldBound;
    QString m_fieldName;
    Layout::Color m_fontColor;
};

// Field memos and reference lists: read-only multi-line text boxes with their own colours and font.
class BoxElement : public QPlainTextEdit
{
    Q_OBJECT
public:
    static BoxElement *memo(const Layout::FieldMemo &record, bool bold, QWidget *panel);
    static BoxElement *referenceList(const Layout::ReferenceList &record, bool bold, QWidget *panel);

    bool isReferenceList() const { return m_referenceList; }
    QString fieldName() const { return m_fieldName; }
    Layout::FieldMemo memoRecord() const;
    Layout::ReferenceList listRecord() const;
    Layout::Color fontColor() const { return m_fontColor; }
    Layout::Color background() const { return m_background; }
    void setLook(const QFont &font, Layout::Color fontColor);
    void setBackground(Layout::Color background);

private:
    BoxElement(bool referenceList, QWidget *panel);

    bool m_referenceList;
    QString m_fieldName;
    Layout::Color m_fontColor = Layout::Colors::WindowText;
    Layout::Color m_background = Layout::Colors::Window;
};

// A picture stretched over the whole box: the background, field images and text images. JPEG data is
// decoded at the box's size (the decoder scales while decoding) and again only after the box was resized.
// A field image without a picture shows its placeholder: a black frame and the field's name.
class PictureElement : public QWidget
{
    Q_OBJECT
public:
    explicit PictureElement(QWidget *parent);
    static PictureElement *fieldImage(const Layout::FieldImage &record, QWidget *panel);
    static PictureElement *textImage(const Layout::TextImage &record, QWidget *panel);

    // A picture declaring more pixels than this is not decoded (a damaged or hostile file); the box says so.
    static constexpr qint64 MaxPicturePixels = 250'000'000;

    // False, and no picture, when the data is not a picture that can be decoded.
    bool setPictureData(const QByteArray &data);
    // The same decoded beside the interface thread: the box is empty until the picture is ready, and a
    // picture given later replaces this one even when this one is decoded last.
    void showPictureData(const QByteArray &data);
    // A picture given to showPictureData is still being decoded.
    bool decoding() const;
    // The same for several boxes at once, decoding on all cores; one result per box.
    static QList<bool> setPictureData(const QList<PictureElement *> &boxes, const QList<QByteArray> &data);
    void clearPicture();
    bool hasPicture() const { return !m_data.isEmpty(); }
    const QByteArray &pictureData() const { return m_data; }
    QImage shownImage() const { return m_image; }
    // Set when the last picture given was refused for its size.
    bool pictureTooLarge() const { return m_tooLarge; }

    QString fieldName() const { return m_fieldName; }
    Layout::FieldImage fieldImageRecord() const;
    Layout::TextImage textImageRecord() const;

    // Pictures decoded since the program started (for the benchmark).
    static int decodeCount();

Q_SIGNALS:
    // A double click (or a double tap) on the box while it shows a picture.
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static QImage decoded(const QByteArray &data, QSize size, bool *tooLarge);
    // The box's size, but no larger than its screen: a box beyond the screen shows no more than it.
    QSize decodeSize() const;
    bool decode();
    void decodeBeside();

    class PictureDecoder *m_decoder = nullptr;   // made for the first picture decoded beside
    QByteArray m_data;
    QImage m_image;
    bool m_stale = false;
    bool m_tooLarge = false;
    QString m_fieldName;
};

// A rectangle frame, or a line when one side is no larger than the pen width; the inside is transparent
// to the eye and to the mouse, so what lies inside a frame can still be clicked.
class FrameElement : public QWidget
{
    Q_OBJECT
public:
    FrameElement(const Layout::Frame &record, QWidget *panel);

    Layout::Frame record() const;
    Layout::Color penColor() const { return m_penColor; }
    int penWidth() const { return m_penWidth; }
    void setPen(Layout::Color color, int width);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateMask();

    Layout::Color m_penColor;
    int m_penWidth;
};

// The font of a text element as the layout stores it; every reader shows it bold.
QFont ElementFont(const QString &name, int pointSize, bool bold);

// The elements of a layout panel, one list per kind in creation order: the designer and the running
// catalog each hold one set.
struct PanelElementLists
{
    QList<LabelElement *> Labels, TextLabels;
    QList<BoxElement *> Memos, GroupBoxes;
    QList<PictureElement *> Images, TextImages;
    QList<FrameElement *> Shapes;

    // Deletes every element and empties the lists.
    void destroyElements();

    // What a built panel could not show.
    struct Built
    {
        bool backgroundMissing = false;
        QList<int> missingTextImages;   // positions in the layout's list of text images
    };
    // Builds the elements of `layout` on `panel` from its placed elements (Layout::PlacedElements, the list a
    // published page shows too), in their stacking order, and hides the grid's columns
    // the layout hides. The background and the text images are decoded together, each at its box's size:
    // `background`, when given, is emptied and takes the layout's picture. A field image without a
    // picture shows its placeholder only with `fieldImagePlaceholders`. The new elements are not shown.
    Built buildElements(const Layout::Catalog &layout, QWidget *panel, QTableView *grid, PictureElement *background,
                        const QByteArray &backgroundPicture, const QList<QByteArray> &textImagePictures,
                        bool fieldImagePlaceholders);
};
