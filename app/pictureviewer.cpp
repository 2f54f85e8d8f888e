#include "app/pictureviewer.h"

#include "app/messages.h"
#include "fields/picturefiles.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTouchEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
constexpr double ZoomStep = 1.25;
constexpr double LargestScale = 32;
// A finger is about this wide: every button is at least as large.
constexpr int FingerWidth = 48;
// A picture declaring more pixels is read at a size holding this many (a damaged or hostile file would
// otherwise take gigabytes).
constexpr qint64 LargestDecodedPixels = 250'000'000;

QSize DecodeBound(const QByteArray &bytes)
{
    const QSize full = ShownPictureSize(bytes);
    if (!full.isValid() || qint64(full.width()) * full.height() <= LargestDecodedPixels)
        return {};
    const double shrink = std::sqrt(double(LargestDecodedPixels) / (double(full.width()) * full.height()));
    return QSize(std::max(1, int(full.width() * shrink)), std::max(1, int(full.height() * shrink)));
}

QPushButton *ViewerButton(const QString &name, const QString &text, const QString &tip, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setMinimumSize(FingerWidth, FingerWidth);
    button->setFocusPolicy(Qt::NoFocus);   // the keys stay with the picture
    return button;
}

bool IsPlainEscape(const QEvent *event)
{
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}
}

PictureViewer::PictureViewer(const QByteArray &bytes, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PictureViewer"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
    setMouseTracking(true);

    m_buttons = new QWidget(this);
    m_buttons->setAutoFillBackground(true);
    auto *row = new QHBoxLayout(m_buttons);
    row->addWidget(ViewerButton(QStringLiteral("ZoomOutBtn"), QStringLiteral("−"), QStringLiteral("Мельче (клавиша −)"), m_buttons));
    row->addWidget(ViewerButton(QStringLiteral("ZoomInBtn"), QStringLiteral("+"), QStringLiteral("Крупнее (клавиша +)"), m_buttons));
    row->addWidget(ViewerButton(QStringLiteral("FitBtn"), QStringLiteral("По размеру окна"), QStringLiteral("Весь рисунок в окне (клавиша *)"), m_buttons));
    row->addWidget(ViewerButton(QStringLiteral("ActualSizeBtn"), QStringLiteral("1:1"), QStringLiteral("Настоящий размер: пиксель рисунка на пиксель экрана (клавиша 0)"), m_buttons));
    m_state = new QLabel(QStringLiteral("Рисунок открывается…"), m_buttons);
    m_state->setObjectName(QStringLiteral("ViewerStateLabel"));
    row->addWidget(m_state, 1, Qt::AlignCenter);
    row->addWidget(ViewerButton(QStringLiteral("CloseBtn"), QStringLiteral("Закрыть"), QStringLiteral("Закрыть (Esc)"), m_buttons));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_buttons);
    column->addStretch(1);
    connect(findChild<QPushButton *>(QStringLiteral("ZoomOutBtn")), &QPushButton::clicked, this, &PictureViewer::ZoomOutClick);
    connect(findChild<QPushButton *>(QStringLiteral("ZoomInBtn")), &QPushButton::clicked, this, &PictureViewer::ZoomInClick);
    connect(findChild<QPushButton *>(QStringLiteral("FitBtn")), &QPushButton::clicked, this, &PictureViewer::FitClick);
    connect(findChild<QPushButton *>(QStringLiteral("CloseBtn")), &QPushButton::clicked, this, &PictureViewer::CloseClick);
    connect(findChild<QPushButton *>(QStringLiteral("ActualSizeBtn")), &QPushButton::clicked, this, &PictureViewer::ActualSizeClick);
    // In a corner of the picture, never over its middle.
    m_zoom = new QLabel(this);
    m_zoom->setObjectName(QStringLiteral("ZoomLabel"));
    m_zoom->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_zoom->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 160); color: white; padding: 4px 8px; }"));
    m_zoom->hide();

    // A photograph of many megapixels takes longer than a frame to decode: read beside the interface.
    auto read = std::make_shared<QImage>();
    QThread *reader = QThread::create([bytes, read] { *read = ShownPicture(bytes, DecodeBound(bytes)); });
    connect(reader, &QThread::finished, this, [this, read] { pictureRead(*read); });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    reader->start();
}

PictureViewer::~PictureViewer() = default;

void PictureViewer::pictureRead(const QImage &picture)
{
    m_picture = picture;
    m_state->setText(picture.isNull() ? QStringLiteral("Этот рисунок прочитать не удалось.") : QString());
    FitClick();
}

QString PictureViewer::ZoomText(double scale)
{
    const double percent = scale * 100;
    // A tiny zoom keeps a decimal (with the locale's comma) rather than showing "0 %".
    return (percent < 9.95 ? QLocale().toString(percent, 'f', 1) : QString::number(qRound(percent))) + QStringLiteral(" %");
}

void PictureViewer::zoomChanged()
{
    m_zoom->setVisible(!m_picture.isNull());
    m_zoom->setText(ZoomText(m_scale));
    placeZoomLabel();
    update();
}

void PictureViewer::placeZoomLabel()
{
    m_zoom->adjustSize();
    const QRect area = viewArea();
    m_zoom->move(area.right() + 1 - m_zoom->width() - 8, area.bottom() + 1 - m_zoom->height() - 8);
    m_zoom->raise();
}

QRect PictureViewer::viewArea() const
{
    return QRect(0, m_buttons->height(), width(), std::max(1, height() - m_buttons->height()));
}

double PictureViewer::fittingScale() const
{
    if (m_picture.isNull())
        return 1;
    const QRect area = viewArea();
    return std::min(double(area.width()) / m_picture.width(), double(area.height()) / m_picture.height());
}

QRectF PictureViewer::pictureArea() const
{
    const QPointF middle = QRectF(viewArea()).center();
    return QRectF(middle - m_centre * m_scale, QSizeF(m_picture.size()) * m_scale);
}

void PictureViewer::keepCentreInside()
{
    // Along each side the picture fills the view as far as it can: smaller than the view it stays in the
    // middle, larger it is never dragged off so far that empty space shows beside it.
    const QSizeF halfView = QSizeF(viewArea().size()) / (2 * m_scale);
    const auto keep = [](double centre, double picture, double halfView) {
        return picture <= 2 * halfView ? picture / 2 : std::clamp(centre, halfView, picture - halfView);
    };
    m_centre.setX(keep(m_centre.x(), m_picture.width(), halfView.width()));
    m_centre.setY(keep(m_centre.y(), m_picture.height(), halfView.height()));
}

void PictureViewer::zoomAt(double factor, QPointF anchor)
{
    if (m_picture.isNull())
        return;
    const double smallest = std::min(fittingScale(), 1.0) / 4;
    const double scale = std::clamp(m_scale * factor, smallest, LargestScale);
    const QPointF fromMiddle = anchor - QRectF(viewArea()).center();
    const QPointF underAnchor = m_centre + fromMiddle / m_scale;
    m_scale = scale;
    m_centre = underAnchor - fromMiddle / m_scale;
    keepCentreInside();
    m_fitted = false;
    zoomChanged();
}

void PictureViewer::panBy(QPointF viewDistance)
{
    if (m_picture.isNull())
        return;
    m_centre -= viewDistance / m_scale;
    keepCentreInside();
    update();
}

void PictureViewer::ZoomInClick()
{
    zoomAt(ZoomStep, QRectF(viewArea()).center());
}

void PictureViewer::ZoomOutClick()
{
    zoomAt(1 / ZoomStep, QRectF(viewArea()).center());
}

void PictureViewer::FitClick()
{
    m_scale = fittingScale();
    m_centre = QPointF(m_picture.width() / 2.0, m_picture.height() / 2.0);
    m_fitted = true;
    zoomChanged();
}

void PictureViewer::ActualSizeClick()
{
    if (m_picture.isNull())
        return;
    // The point in the middle of the view stays there.
    m_scale = 1;
    keepCentreInside();
    m_fitted = false;
    zoomChanged();
}

void PictureViewer::CloseClick()
{
    Q_EMIT closeRequested();
}

void PictureViewer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(32, 32, 32));
    if (m_picture.isNull())
        return;
    // Only the part in view is scaled: a zoomed photograph of many megapixels stays quick to move.
    const QRectF target = pictureArea();
    const QRectF shown = target.intersected(QRectF(viewArea()));
    if (shown.isEmpty())
        return;
    const QRectF source((shown.topLeft() - target.topLeft()) / m_scale, shown.size() / m_scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_scale < 1);
    painter.drawImage(shown, m_picture, source);
}

void PictureViewer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitted)
        FitClick();
    else
        placeZoomLabel();
}

void PictureViewer::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomInClick();
        return;
    case Qt::Key_Minus:
        ZoomOutClick();
        return;
    case Qt::Key_0:
        ActualSizeClick();
        return;
    case Qt::Key_Asterisk:
        FitClick();
        return;
    case Qt::Key_Left:
        panBy({40, 0});
        return;
    case Qt::Key_Right:
        panBy({-40, 0});
        return;
    case Qt::Key_Up:
        panBy({0, 40});
        return;
    case Qt::Key_Down:
        panBy({0, -40});
        return;
    case Qt::Key_Escape:
        CloseClick();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PictureViewer::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y();
    if (steps == 0)
        return;
    zoomAt(std::pow(ZoomStep, steps / 120.0), event->position());
    event->accept();
}

void PictureViewer::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_lastDrag = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void PictureViewer::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    panBy(event->position() - m_lastDrag);
    m_lastDrag = event->position();
}

void PictureViewer::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}

bool PictureViewer::touchEvent(QTouchEvent *touch)
{
    const QList<QEventPoint> &points = touch->points();
    if (touch->type() == QEvent::TouchEnd || touch->type() == QEvent::TouchCancel || points.isEmpty()) {
        m_lastPinchDistance = 0;
        return true;
    }
    if (points.size() == 1) {
        // One finger moves the picture as the mouse does.
        const QPointF finger = points.first().position();
        if (points.first().state() != QEventPoint::Pressed && m_lastPinchDistance == 0)
            panBy(finger - m_lastFinger);
        m_lastFinger = finger;
        m_lastPinchDistance = 0;
        return true;
    }
    // Two fingers: the distance between them scales, their middle moves the picture.
    const QPointF first = points[0].position(), second = points[1].position();
    const double distance = QLineF(first, second).length();
    const QPointF middle = (first + second) / 2;
    if (m_lastPinchDistance > 0 && distance > 0) {
        panBy(middle - m_lastPinchMiddle);
        zoomAt(distance / m_lastPinchDistance, middle);
    }
    m_lastPinchDistance = distance;
    m_lastPinchMiddle = middle;
    return true;
}

bool PictureViewer::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Esc belongs to the viewer, not to a shortcut of the window around it.
        if (IsPlainEscape(event)) {
            event->accept();
            return true;
        }
        break;
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        event->accept();
        return touchEvent(static_cast<QTouchEvent *>(event));
    default:
        break;
    }
    return QWidget::event(event);
}

bool PictureViewer::eventFilter(QObject *watched, QEvent *event)
{
    // Over a window: Esc anywhere in the window closes the viewer before the window's own handling of
    // Esc (the exit question) sees it.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) && isVisible()
        && IsPlainEscape(event)) {
        const bool inWindow = watched->isWidgetType() ? static_cast<QWidget *>(watched)->window() == window()
                                                     : watched == window()->windowHandle();
        if (inWindow) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                CloseClick();
            return true;
        }
    }
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void ShowPictureDialog(const QByteArray &bytes, QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PictureViewerDialog"));
    dialog.setWindowTitle(QStringLiteral("Просмотр рисунка"));
    dialog.setModal(true);
    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *viewer = new PictureViewer(bytes, &dialog);
    layout->addWidget(viewer);
    QObject::connect(viewer, &PictureViewer::closeRequested, &dialog, &QDialog::reject);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    dialog.resize(free.size() * 0.85);
    dialog.move(free.center() - dialog.rect().center());
    KeepAboveWindowsOnTop(&dialog);
    viewer->setFocus();
    dialog.exec();
}

PictureViewer *ShowPictureOver(const QByteArray &bytes, QWidget *window)
{
    auto *viewer = new PictureViewer(bytes, window);
    viewer->setGeometry(window->rect());
    window->installEventFilter(viewer);
    qApp->installEventFilter(viewer);   // after the window's own watchers: it sees the keys first
    QPointer<QWidget> focusBefore = window->focusWidget();
    QObject::connect(viewer, &PictureViewer::closeRequested, viewer, [viewer, focusBefore] {
        viewer->hide();
        viewer->deleteLater();
        if (focusBefore)
            focusBefore->setFocus();
    });
    viewer->show();
    viewer->raise();
    viewer->setFocus();
    return viewer;
}
