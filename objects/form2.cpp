#include "objects/form2.h"

#include <QPushButton>

TForm2::TForm2(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Вирандел: Режим просмотра / заполнения"));
    GoToCatalogBtn = new QPushButton(QStringLiteral("Создать каталог >>"), this);
    GoToCatalogBtn->setObjectName(QStringLiteral("GoToCatalogBtn"));
}

void TForm2::LoadGeneral()
{
}

void TForm2::ClearForm()
{
    setEnabled(true);
}

void TForm2::RebuildFilterTree()
{
}
