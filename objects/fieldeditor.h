#pragma once

#include "objects/objectstore.h"

#include <QLabel>

class SharedQuery;

// The picture box of an image field: shows the picture scaled, keeps the bytes it was given, and asks
// for a file when clicked.
class PictureBox : public QLabel
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    // Shows the picture held in `bytes`; false when they are no picture Qt reads.
    bool setPicture(const QByteArray &bytes);
    QByteArray bytes;
    bool chosen = false;   // the user picked a file since the editor opened

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showScaled();
    QPixmap m_picture;
};

// The input control of each field kind: made, filled from a stored object and read back.
namespace FieldEditor {
// The control for `field`; number edits get `keyFilter` as their event filter. Its place and size are
// the caller's; `preferredHeight` and `advance` say how much room the kind takes.
QWidget *CreateInput(const DescriptionField &field, QWidget *parent, QObject *keyFilter);
int PreferredHeight(const QWidget *input);
int Advance(FieldKind kind);
FieldKind KindOfInput(const QObject *input);
// Shows the value of `field` in the current row of the object list.
void ShowStored(QWidget *input, const DescriptionField &field, const SharedQuery &list);
// The control's value as the store takes it.
FieldInput Read(QWidget *input, const DescriptionField &field);
}
