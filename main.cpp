#include "app/catalogstart.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartUp();
    ShowFirstWindow(app.arguments());
    return app.exec();
}
