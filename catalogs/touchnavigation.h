#pragma once

#include <QObject>
#include <QPointF>

class QWidget;

// Nine millimetres on the screen that shows `widget`, in its pixels: a target a finger hits surely. Taken
// from the screen's physical size; a screen that reports none, or an absurd one, counts as 96 dots per inch.
int TapSizePixels(const QWidget *widget);

// Makes the buttons, input boxes, drop-down boxes and the rows and titles of the lists, trees and grids of
// `window` at least a tap high (the tree's branch marks a tap wide), and lets the lists, trees and grids
// scroll by dragging a finger. Repeating it after the window moved to another screen sizes it anew.
void MakeTouchFriendly(QWidget *window);

// Tells a horizontal swipe over `area` and its children: a finger (or the mouse, held down) that went
// across at least two taps or a tenth of the area, clearly more across than up or down. A short or
// slanted move is no swipe; the scrolling boxes on the area keep their own drags.
class SwipeDetector : public QObject
{
    Q_OBJECT
public:
    explicit SwipeDetector(QWidget *area);

Q_SIGNALS:
    void swipedLeft();    // the finger went to the left: the next object comes
    void swipedRight();   // to the right: the previous one

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void begin(QPointF at);
    void end(QPointF at);

    QWidget *m_area;
    bool m_tracking = false;
    QPointF m_start;
};
