#pragma once

#include <QDialog>

class QLabel;
class QTextEdit;

// The about window: the program's picture, name, version, credits and the two links.
class TForm5 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr);

public Q_SLOTS:
    void FormShow();
    void Label3Click();
    void Label6Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QTextEdit *RichEdit;
    QLabel *Label3;   // the web site
    QLabel *Label6;   // the mail address
};
