#include "objects/form8.h"

TForm8::TForm8(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Значение параметра"));
}
