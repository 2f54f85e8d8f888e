#include "objects/form21.h"

TForm21::TForm21(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form21"));
    setWindowTitle(QStringLiteral("Настройка отображения столбцов"));
}
