#include "templates/templateforms.h"

namespace {
void setUp(QDialog *window, const char *name, const QString &caption)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    window->setWindowFlag(Qt::WindowStaysOnTopHint);
}
}

TForm9::TForm9(QWidget *parent) : QDialog(parent)
{
    setUp(this, "Form9", QStringLiteral("Выбор способа создания базы данных"));
}

TForm10::TForm10(QWidget *parent) : QDialog(parent)
{
    setUp(this, "Form10", QStringLiteral("Сохранение шаблона"));
}

TForm13::TForm13(QWidget *parent) : QDialog(parent)
{
    setUp(this, "Form13", QStringLiteral("Работа с шаблонами"));
}

TForm14::TForm14(QWidget *parent) : QDialog(parent)
{
    setUp(this, "Form14", QStringLiteral("Изменение шаблона"));
}
