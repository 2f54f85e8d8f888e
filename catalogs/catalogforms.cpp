#include "catalogs/catalogforms.h"

#define VIRANDEL_DEFINE_WINDOW(Class, Base, Name, Caption) \
    Class::Class(QWidget *parent) : Base(parent) \
    { \
        setObjectName(QStringLiteral(Name)); \
        setWindowTitle(QStringLiteral(Caption)); \
    }

VIRANDEL_DEFINE_WINDOW(TForm11, QMainWindow, "Form11", "Вирандел: Режим создания каталога")
VIRANDEL_DEFINE_WINDOW(TForm12, QDialog, "Form12", "Панель компонентов")
VIRANDEL_DEFINE_WINDOW(TForm15, QDialog, "Form15", "Размеры")
VIRANDEL_DEFINE_WINDOW(TForm16, QDialog, "Form16", "Текст надписи")
VIRANDEL_DEFINE_WINDOW(TForm17, QDialog, "Form17", "Настройка отображения столбцов")
VIRANDEL_DEFINE_WINDOW(TForm18, QDialog, "Form18", "Сохранение каталога")
VIRANDEL_DEFINE_WINDOW(TForm19, QDialog, "Form19", "Работа с существующими каталогами")
VIRANDEL_DEFINE_WINDOW(TForm20, QDialog, "Form20", "Параметры рамки")
VIRANDEL_DEFINE_WINDOW(TForm22, QMainWindow, "Form22", "Электронный каталог")
VIRANDEL_DEFINE_WINDOW(TForm23, QDialog, "Form23", "Ввод пароля")
