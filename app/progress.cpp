#include "app/progress.h"

#include <QApplication>
#include <QProgressDialog>

QProgressDialog *NewProgress(QWidget *parent, const QString &text, int maximum)
{
    auto *progress = new QProgressDialog(text, QStringLiteral("Отмена"), 0, maximum, parent);
    progress->setObjectName(QStringLiteral("ProgressDialog"));
    progress->setWindowTitle(QApplication::applicationName());
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(400);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    return progress;
}
