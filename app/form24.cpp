#include "app/form24.h"

#include "app/forms.h"
#include "app/version.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

TForm24::TForm24(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form24"));
    setWindowTitle(QStringLiteral("Заставка"));
    setFixedSize(377, 273);
    setWindowOpacity(250.0 / 255.0);

    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(0, 0, 377, 273);
    Image->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")).scaled(377, 273));
    Image->setCursor(Qt::PointingHandCursor);
    Image->installEventFilter(this);

    TitleLabel = new QLabel(QStringLiteral("Вирандел"), this);
    TitleLabel->setObjectName(QStringLiteral("Label1"));
    TitleLabel->setStyleSheet(QStringLiteral("color: white; font-weight: bold; font-size: 28pt;"));
    TitleLabel->setGeometry(24, 90, 330, 56);
    TitleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName(QStringLiteral("Label2"));
    VersionLabel->setStyleSheet(QStringLiteral("color: yellow; font-weight: bold;"));
    VersionLabel->setGeometry(24, 150, 330, 24);
    VersionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, &TForm24::TimerTimer);

    FormCreate();
}

void TForm24::FormCreate()
{
    Timer->start();
    Counter = 0;
    VersionLabel->setText(QStringLiteral("Версия ") + VersionText);
}

void TForm24::ShowWhileRunning()
{
    if (!Timer->isActive() || isVisible())
        return;
    CentreOnScreen(this);
    show();
}

void TForm24::TimerTimer()
{
    ++Counter;
    if (Counter < 30)
        return;
    Timer->stop();
    for (int opacity = 250; opacity > 0; opacity -= 10)
        setWindowOpacity(opacity / 255.0);
    setWindowOpacity(0);
    close();
}

void TForm24::ImageClick()
{
    Counter = 30;
}

bool TForm24::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image && event->type() == QEvent::MouseButtonPress)
        ImageClick();
    return QWidget::eventFilter(watched, event);
}
