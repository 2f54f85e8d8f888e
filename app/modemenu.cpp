#include "app/modemenu.h"

#include <QMenu>
#include <QMenuBar>

namespace {
QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}
}

ModeMenu BuildModeMenu(QMenuBar *bar, const QString &otherModeCaption, const QString &templatesCaption)
{
    ModeMenu m;
    m.N1 = addMenu(bar, "N1", QStringLiteral("Файл"));
    m.N11 = addItem(m.N1, "N11", QStringLiteral("Новый"));
    m.N12 = addItem(m.N1, "N12", QStringLiteral("Открыть"));
    m.ConnectServerItem = addItem(m.N1, "ConnectServerItem", QStringLiteral("Подключиться к серверу…"));
    m.UploadToServerItem = addItem(m.N1, "UploadToServerItem", QStringLiteral("Выгрузить на сервер…"));
    m.N13 = addItem(m.N1, "N13", QStringLiteral("Сохранить как..."));
    m.BackupsItem = addItem(m.N1, "BackupsItem", QStringLiteral("Резервные копии…"));
    m.CheckDatabaseItem = addItem(m.N1, "CheckDatabaseItem", QStringLiteral("Проверить базу данных…"));
    m.N1->addSeparator();
    m.N14 = addItem(m.N1, "N14", QStringLiteral("Выход"));
    m.N2 = addMenu(bar, "N2", QStringLiteral("Выбор режима"));
    m.N21 = addItem(m.N2, "N21", otherModeCaption);
    m.N22 = addItem(m.N2, "N22", QStringLiteral("Перейти в режим создания каталога"));
    m.N3 = addMenu(bar, "N3", QStringLiteral("Шаблоны"));
    m.N31 = addItem(m.N3, "N31", QStringLiteral("Сохранить как шаблон"));
    m.N32 = addItem(m.N3, "N32", templatesCaption);
    m.N4 = bar->addAction(QStringLiteral("Настройки программы"));
    m.N4->setObjectName(QStringLiteral("N4"));
    m.N5 = addMenu(bar, "N5", QStringLiteral("Помощь"));
    m.N51 = addItem(m.N5, "N51", QStringLiteral("Справка"));
    m.N52 = addItem(m.N5, "N52", QStringLiteral("Обновления"));
    m.N53 = addItem(m.N5, "N53", QStringLiteral("О программе"));
    m.N12->setShortcut(QKeySequence::Open);
    return m;
}
