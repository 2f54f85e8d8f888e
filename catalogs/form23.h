#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The exit password of the running catalog.
class TForm23 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm23(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
};
