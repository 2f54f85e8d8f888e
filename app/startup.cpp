#include "app/startup.h"

#include "app/databasehooks.h"
#include "app/form1.h"
#include "app/form24.h"
#include "app/forms.h"
#include "app/progress.h"
#include "app/version.h"
#include "app/watchdog.h"
#include "catalogs/catalogforms.h"
#include "classifier/form3.h"
#include "core/dmodule.h"
#include "fields/form4.h"
#include "objects/form2.h"
#include "objects/form21.h"
#include "objects/form7.h"
#include "objects/form8.h"
#include "settings/form5.h"
#include "settings/form6.h"
#include "templates/templateforms.h"

#include <QApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

TForm1 *Form1 = nullptr;
TForm2 *Form2 = nullptr;
TForm3 *Form3 = nullptr;
TForm4 *Form4 = nullptr;
TForm5 *Form5 = nullptr;
TForm6 *Form6 = nullptr;
TForm7 *Form7 = nullptr;
TForm8 *Form8 = nullptr;
TForm9 *Form9 = nullptr;
TForm10 *Form10 = nullptr;
TForm11 *Form11 = nullptr;
TForm12 *Form12 = nullptr;
TForm13 *Form13 = nullptr;
TForm14 *Form14 = nullptr;
TForm15 *Form15 = nullptr;
TForm16 *Form16 = nullptr;
TForm17 *Form17 = nullptr;
TForm18 *Form18 = nullptr;
TForm19 *Form19 = nullptr;
TForm20 *Form20 = nullptr;
TForm21 *Form21 = nullptr;
TForm22 *Form22 = nullptr;
TForm23 *Form23 = nullptr;
TForm24 *Form24 = nullptr;

void CentreOnScreen(QWidget *window)
{
    // The screen the user works on: that of the window in use, else the window's own.
    const QWidget *active = QApplication::activeWindow();
    QScreen *screen = active && active != window ? active->screen() : window->screen();
    if (!screen)
        screen = QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QSize size = window->frameGeometry().size();
    if (!window->isVisible()) {
        // Shown for the first time, a window takes the size its contents ask for: it is centred at that size.
        if (!window->testAttribute(Qt::WA_Resized))
            window->adjustSize();
        size = window->size();
    }
    QPoint topLeft = area.center() - QPoint(size.width() / 2, size.height() / 2);
    // A window larger than the screen keeps its title bar and left edge on it.
    topLeft.setX(qMax(topLeft.x(), area.left()));
    topLeft.setY(qMax(topLeft.y(), area.top()));
    window->move(topLeft);
}

void ShowCentred(QWidget *window)
{
    CentreOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
}

void RebuildTreesAfterDisplayFormatChange()
{
    if (Form1 && DModule->connected())
        Form1->ClassesViewExpand(nullptr);
    if (Form2 && DModule->connected())
        Form2->RebuildFilterTree();
}

namespace {
// Texts of Qt's own file dialog that its Russian translation leaves in English.
class MissingQtTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        static const QHash<QByteArray, QString> texts{
            {"Folder", QStringLiteral("Папка")},  {"File Folder", QStringLiteral("Папка")},
            {"Drive", QStringLiteral("Диск")},    {"Unknown", QStringLiteral("Неизвестный")},
            {"Shortcut", QStringLiteral("Ярлык")}, {"Alias", QStringLiteral("Ярлык")}};
        return texts.value(sourceText);
    }
};
}

void StartUp()
{
    Q_INIT_RESOURCE(resources);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationVersion(VersionText);
    // Qt's own texts (standard buttons Да / Нет / Отмена) in Russian.
    auto *translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    QApplication::installTranslator(new MissingQtTexts(qApp));

    // Without a system locale (LANG unset) the Russian interface shows Russian dates and numbers.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    RegisterDatabaseHooks();
    // Not a child of the application: the connection must be closed while the SQL driver is still loaded.
    DModule = new TDModule;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, DModule, &TDModule::CloseConnection);
    ShowProgressOfLongReads(*DModule);
    TemplateStore::FinishInterruptedSaves(DModule->ProgramFolder);

    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    Form6 = new TForm6;
    Form7 = new TForm7;
    Form8 = new TForm8;
    Form9 = new TForm9;
    Form10 = new TForm10;
    Form11 = new TForm11;
    Form12 = new TForm12;
    Form13 = new TForm13;
    Form14 = new TForm14;
    Form15 = new TForm15;
    Form16 = new TForm16;
    Form17 = new TForm17;
    Form18 = new TForm18;
    Form19 = new TForm19;
    Form20 = new TForm20;
    Form21 = new TForm21;
    Form22 = new TForm22;
    Form23 = new TForm23;
    Form24 = new TForm24;

    StartServiceHeartbeat();
}
