#include "catalogs/catalogforms.h"

#define VIRANDEL_DEFINE_WINDOW(Class, Base, Name, Caption) \
    Class::Class(QWidget *parent) : Base(parent) \
    { \
        setObjectName(QStringLiteral(Name)); \
        setWindowTitle(QStringLiteral(Caption)); \
    }

VIRANDEL_DEFINE_WINDOW(TForm22, QMainWindow, "Form22", "Электронный каталог")
VIRANDEL_DEFINE_WINDOW(TForm23, QDialog, "Form23", "Ввод пароля")
