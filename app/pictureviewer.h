#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QWidget>

class QLabel;

// A picture looked at closely: shown upright at full size, zoomed by the wheel, a pinch, the +/- keys and
// buttons, shown at its actual size (0, "1:1") or fitted to the window (*, "По размеру окна"), moved by
// dragging with the mouse or a finger; the zoom is told in a corner. Esc or "Закрыть" closes it.
class PictureViewer : public QWidget
{
    Q_OBJECT
public:
    // Decodes `bytes` in the background; the picture is shown once it is read.
    explicit PictureViewer(const QByteArray &bytes, QWidget *parent = nullptr);
    ~PictureViewer() override;

    bool pictureShown() const { return !m_picture.isNull(); }
    QSize pictureSize() const { return m_picture.size(); }
    // Screen pixels per picture pixel.
    double scale() const { return m_scale; }
    double fittingScale() const;
    // The point of the picture (in its pixels) shown in the middle of the view.
    QPointF shownCentre() const { return m_centre; }
    // The zoom as the corner tells it, "100 %" at the actual size.
    static QString ZoomText(double scale);

public Q_SLOTS:
    void ZoomInClick();
    void ZoomOutClick();
    void FitClick();
    void ActualSizeClick();
    void CloseClick();

Q_SIGNALS:
    void closeRequested();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void pictureRead(const QImage &picture);
    // Scales by `factor` keeping the picture point under `anchor` (view coordinates) in its place.
    void zoomAt(double factor, QPointF anchor);
    void panBy(QPointF viewDistance);
    void keepCentreInside();
    QRectF pictureArea() const;
    QRect viewArea() const;
    bool touchEvent(class QTouchEvent *touch);
    void zoomChanged();
    void placeZoomLabel();

    QWidget *m_buttons = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_zoom = nullptr;
    QImage m_picture;
    double m_scale = 1;
    QPointF m_centre;
    bool m_fitted = true;   // follows the window's size until the user zooms
    bool m_dragging = false;
    QPointF m_lastDrag;
    double m_lastPinchDistance = 0;
    QPointF m_lastPinchMiddle;
    QPointF m_lastFinger;
};

// The viewer as a modal window over `parent`, returning when it is closed.
void ShowPictureDialog(const QByteArray &bytes, QWidget *parent);
// The viewer as a part of `window`, covering it: no window of its own. It takes Esc before the window's
// own keys and removes itself when closed.
PictureViewer *ShowPictureOver(const QByteArray &bytes, QWidget *window);
