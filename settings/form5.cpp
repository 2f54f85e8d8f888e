#include "settings/form5.h"

TForm5::TForm5(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
}
