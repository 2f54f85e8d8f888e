#pragma once

#include "objects/objectstore.h"

#include <QLabel>

#include <functional>

class SharedQuery;

// The picture box of an image field: shows the picture scaled, keeps the bytes it was given, asks for a
// file when clicked and offers the picture for a closer look when double-clicked. The picture is decoded
// beside the interface thread at the box's size, once the box is shown, and again when it grows.
class PictureBox : public QLabel
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    // Keeps `bytes` and shows the picture they hold, turned as its orientation says, once it is decoded;
    // until then (and for bytes that hold no picture the program reads) the box is empty.
    void setPicture(const QByteArray &bytes);
    // The picture of the bytes last given is still being decoded.
    bool decoding() const;
    QByteArray bytes;
    bool chosen = false;   // the user picked a file since the editor opened

    // A preview of one size whatever the picture: a label would ask for its picture's size and grow the
    // editor's page with every picture shown (the viewer is there for a closer look).
    QSize sizeHint() const override { return {240, 180}; }

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    // A decoded picture is put up in the box.
    void pictureShown();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void decodeForSize();
    void pictureDecoded(const QImage &picture);
    void showScaled();
    QPixmap m_picture;
    QSize m_decodedWithin;    // the bound the picture shown was decoded for
    bool m_decodePending = false;   // asked for while the box was hidden
    class PictureDecoder *m_decoder = nullptr;
    class QTimer *m_click = nullptr;
    bool m_doubleClicked = false;
};

// The input control of each field kind: made, filled from a stored object and read back. Every key a
// person types stays in the input; what cannot be stored is said beside it and refused on storing.
namespace FieldEditor {
// The control for `field`. Its place and size are the caller's.
QWidget *CreateInput(const DescriptionField &field, QWidget *parent);
FieldKind KindOfInput(const QObject *input);
// What the input's value will be stored as, or why it cannot be (`problem`); empty when there is
// nothing to add to what the input shows.
struct Note
{
    QString text;
    bool problem = false;
};
Note NoteFor(const DescriptionField &field, const QVariant &value);
// Whether two values read from an input of `field` store the same thing.
bool SameValue(const DescriptionField &field, const QVariant &a, const QVariant &b);
// Emitted by the input whenever a person changes its value.
void OnChange(QWidget *input, QObject *context, const std::function<void()> &changed);
// Shows the value of `field` in the current row of the object list.
void ShowStored(QWidget *input, const DescriptionField &field, const SharedQuery &list);
// The control's value as the store takes it.
FieldInput Read(QWidget *input, const DescriptionField &field);
}
