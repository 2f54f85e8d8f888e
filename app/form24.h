#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// The splash window: shown at start-up for about three seconds; a click on the picture closes it.
class TForm24 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm24(QWidget *parent = nullptr);

    int Counter = 0;

    // At the main window's activation: the splash comes back on screen, centred, while its time runs.
    void ShowWhileRunning();

public Q_SLOTS:
    void FormCreate();
    void TimerTimer();
    void ImageClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTimer *Timer;
    QLabel *Image;
    QLabel *TitleLabel;
    QLabel *VersionLabel;
};
