#include "app/generalerror.h"

#include <QApplication>
#include <QMessageBox>

void ShowGeneralError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("GeneralErrorBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
