#include "app/catalogstart.h"
#include "app/startup.h"
#include "catalogs/onscreenkeyboard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The input method is chosen as the application object is made.
    ChooseOnScreenKeyboard();
    QApplication app(argc, argv);
    KeepOnScreenKeyboardUsable();
    StartUp();
    ShowFirstWindow(app.arguments());
    return app.exec();
}
