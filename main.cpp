#include "app/form1.h"
#include "app/forms.h"
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
    Form1->show();
    return app.exec();
}
