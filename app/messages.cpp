#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>

void ShowMessage(const QString &text, QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent ? parent : QApplication::activeWindow());
    // Names typed by the user are shown as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool AskYesNo(const QString &text, QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No,
                    parent ? parent : QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
