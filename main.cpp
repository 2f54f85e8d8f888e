#include "app/form1.h"
#include "app/forms.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartUp();
    Form1->show();
    return app.exec();
}
