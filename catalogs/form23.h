#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// How long "Готово" stays unavailable after the given number of wrong passwords in a row: the first
// three are answered at once, then each refusal waits a second longer, up to five seconds, so guessing
// is slow while the right password is never locked out.
int WrongPasswordDelayMs(int wrongInARow);

// The exit password of the running catalog. The refusal is shown in this window itself: while the
// catalog is guarded no other window may open.
class TForm23 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm23(QWidget *parent = nullptr);

    // Shows the window centred with an empty box (the exit check of the running catalog).
    void AskForPassword();
    // Whether the box holds the exit password (an empty one included).
    bool PasswordGiven() const;
    // A new run asks again: a password left in the box would let anyone out.
    void ForgetPassword();
    int wrongInARow() const { return m_wrongInARow; }

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    // "Отмена", Esc and the window manager's close.
    void reject() override;

private:
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLabel *WrongLabel = nullptr;   // "Вы ввели неверный пароль!" after a refusal
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

    QTimer *m_wait = nullptr;
    int m_wrongInARow = 0;
};
