#pragma once

#include "objects/objectstore.h"

#include <QLabel>

#include <functional>

class SharedQuery;

// The picture box of an image field: shows the picture scaled, keeps the bytes it was given, asks for a
// file when clicked and offers the picture for a closer look when double-clicked.
class PictureBox : public QLabel
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    // Shows the picture held in `bytes`, turned as its orientation says; false when they are no picture
    // the program reads.
    bool setPicture(const QByteArray &bytes);
    QByteArray bytes;
    bool chosen = false;   // the user picked a file since the editor opened

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showScaled();
    QPixmap m_picture;
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
