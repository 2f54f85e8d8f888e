#pragma once

#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// The menu that the editing-mode and the view/fill windows share; each window connects its own handlers.
struct ModeMenu
{
    QMenu *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N5 = nullptr;
    QAction *N11 = nullptr, *N12 = nullptr, *N13 = nullptr, *N14 = nullptr, *N21 = nullptr, *N22 = nullptr,
            *N31 = nullptr, *N32 = nullptr, *N4 = nullptr, *N51 = nullptr, *N52 = nullptr, *N53 = nullptr;
    QAction *ConnectServerItem = nullptr;    // "Файл → Подключиться к серверу…"
    QAction *UploadToServerItem = nullptr;   // "Файл → Выгрузить на сервер…"
    QAction *BackupsItem = nullptr;          // "Файл → Резервные копии…"
    QAction *CheckDatabaseItem = nullptr;    // "Файл → Проверить базу данных…"
};

// Fills `bar` with the menu; the first mode item and the template list item are captioned per window.
ModeMenu BuildModeMenu(QMenuBar *bar, const QString &otherModeCaption, const QString &templatesCaption);
