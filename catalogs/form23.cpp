#include "catalogs/form23.h"

#include "app/forms.h"
#include "app/named.h"
#include "catalogs/form22.h"
#include "settings/form6.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

int WrongPasswordDelayMs(int wrongInARow)
{
    constexpr int FreeTries = 3, StepMs = 1000, LongestMs = 5000;
    return qBound(0, (wrongInARow - FreeTries) * StepMs, LongestMs);
}

TForm23::TForm23(QWidget *parent)
    // Window managers draw minimise and maximise buttons on any framed dialog, whatever it asks for: the
    // window draws its own frame and title instead.
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form23"));
    setWindowTitle(QStringLiteral("Ввод пароля"));
    // Shown over the running catalog, which blocks every other window.
    setWindowModality(Qt::ApplicationModal);
    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    auto *title = Named<QLabel>("TitleLabel", windowTitle(), frame);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    Label1 = Named<QLabel>("Label1", QStringLiteral("Для выхода из каталога введите пароль"), frame);
    Edit1 = Named<QLineEdit>("Edit1", frame);
    Edit1->setEchoMode(QLineEdit::Password);
    WrongLabel = Named<QLabel>("WrongLabel", frame);
    // Room for the refusal from the start, so the window does not grow under the visitor's hands.
    WrongLabel->setMinimumHeight(WrongLabel->fontMetrics().height());
    WrongLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Готово"), frame);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Отмена"), frame);
    // Enter always means "Готово": a button that had the focus must not take the default over.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm23::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm23::Button2Click);
    auto *layout = new QGridLayout(frame);
    layout->addWidget(title, 0, 0, 1, 2);
    layout->addWidget(Label1, 1, 0, 1, 2);
    layout->addWidget(Edit1, 2, 0, 1, 2);
    layout->addWidget(WrongLabel, 3, 0, 1, 2);
    layout->addWidget(Button1, 4, 0);
    layout->addWidget(Button2, 4, 1);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // The wait runs on a timer: the catalog behind goes on answering meanwhile.
    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, [this] {
        Button1->setEnabled(true);
        Edit1->setReadOnly(false);
        Edit1->selectAll();
    });
}

void TForm23::AskForPassword()
{
    // A native window the window manager once took to another desktop would be shown there again: each
    // asking gets a new one, which appears on the desktop in view.
    if (testAttribute(Qt::WA_WState_Created) && !isVisible())
        destroy();
    Edit1->clear();
    WrongLabel->clear();
    // Before its first showing the window does not know its size yet.
    adjustSize();
    ShowCentred(this);
    Edit1->setFocus();
}

bool TForm23::PasswordGiven() const
{
    return Edit1->text() == Settings::CatalogPassword();
}

void TForm23::ForgetPassword()
{
    Edit1->clear();
}

void TForm23::Button1Click()
{
    if (m_wait->isActive())
        return;
    if (!PasswordGiven()) {
        // Cancelling does not start the count afresh: only the right password does.
        ++m_wrongInARow;
        WrongLabel->setText(QStringLiteral("Вы ввели неверный пароль!"));
        Edit1->selectAll();
        Edit1->setFocus();
        if (const int delay = WrongPasswordDelayMs(m_wrongInARow)) {
            // Keys typed meanwhile would be lost behind the refused text: the box takes none until then.
            Button1->setEnabled(false);
            Edit1->setReadOnly(true);
            m_wait->start(delay);
        }
        return;
    }
    m_wrongInARow = 0;
    accept();
    if (Form22)
        Form22->close();
}

void TForm23::Button2Click()
{
    close();
}

void TForm23::reject()
{
    // What was typed and not confirmed with "Готово" opens nothing later.
    Edit1->clear();
    QDialog::reject();
}
