// The view/fill window's menu "Правка": undo and redo of the session's object actions and the recycle bin.
#include "objects/form2.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "core/dmodule.h"
#include "objects/changehistorywindow.h"
#include "objects/objecthistory.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objects/recyclebinwindow.h"

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

void TForm2::buildEditMenu()
{
    EditMenu = new QMenu(QStringLiteral("Правка"), this);
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    // Right after "Файл", as menus of this kind stand.
    menuBar()->insertMenu(N2->menuAction(), EditMenu);
    const auto item = [this](const char *name, const QString &caption, void (TForm2::*slot)()) {
        QAction *action = EditMenu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    UndoItem = item("UndoItem", QStringLiteral("Отменить"), &TForm2::UndoItemClick);
    RedoItem = item("RedoItem", QStringLiteral("Повторить"), &TForm2::RedoItemClick);
    EditMenu->addSeparator();
    RecycleBinItem = item("RecycleBinItem", QStringLiteral("Корзина…"), &TForm2::RecycleBinItemClick);
    HistoryItem = item("HistoryItem", QStringLiteral("История изменений…"), &TForm2::HistoryItemClick);
    UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(&ObjectHistory::Of(*DModule), &ObjectHistory::changed, this, &TForm2::enableEditItems);
    connect(EditMenu, &QMenu::aboutToShow, this, &TForm2::enableEditItems);
    enableEditItems();
}

void TForm2::enableEditItems()
{
    // Only a server database keeps the versions of its objects.
    HistoryItem->setVisible(DModule->connected() && DModule->engine() == EngineKind::Server);
    HistoryItem->setEnabled(DModule->QRGeneral->isOpen() && !DModule->QRGeneral->isEmpty());
    const ObjectHistory &history = ObjectHistory::Of(*DModule);
    UndoItem->setEnabled(history.canUndo());
    RedoItem->setEnabled(history.canRedo());
    // What the step is shows beside the item, as the status tip and in the tool tip.
    UndoItem->setStatusTip(history.canUndo() ? QStringLiteral("Отменить: ") + history.undoText() : QString());
    RedoItem->setStatusTip(history.canRedo() ? QStringLiteral("Повторить: ") + history.redoText() : QString());
    UndoItem->setToolTip(UndoItem->statusTip());
    RedoItem->setToolTip(RedoItem->statusTip());
}

void TForm2::UndoItemClick()
{
    applyHistoryStep(true);
}

void TForm2::RedoItemClick()
{
    applyHistoryStep(false);
}

void TForm2::applyHistoryStep(bool undo)
{
    ObjectHistory &history = ObjectHistory::Of(*DModule);
    if (!isEnabled() || !(undo ? history.canUndo() : history.canRedo()))
        return;
    qint64 shown = 0;
    QString refused;
    const bool done = Guarded([&] {
        try {
            shown = undo ? history.undo() : history.redo();
        } catch (const ObjectChangedElsewhere &elsewhere) {
            refused = elsewhere.message();
        } catch (const HistoryDropped &dropped) {
            refused = dropped.message();
        }
    });
    if (!refused.isEmpty()) {
        // The list shows what is stored now.
        Guarded([] { ObjectList::Of(*DModule).reopenKeepingCurrent(); });
        ClearForm();
        ShowMessage(refused, this);
        return;
    }
    if (done)
        ShowObject(shown);
    ClearForm();
}

void TForm2::ShowObject(qint64 objectId)
{
    ObjectList &list = ObjectList::Of(*DModule);
    bool listed = true;
    Guarded([&] {
        if (objectId == 0) {
            list.reopenKeepingCurrent();
            return;
        }
        list.open();
        listed = list.makeCurrent(objectId);
    });
    ClearForm();
    if (!listed)
        ShowMessage(list.filtered() || list.searched()
                        ? QStringLiteral("Объект не виден в списке: его скрывает фильтр или поиск. Сбросьте их, "
                                         "чтобы увидеть объект.")
                        : QStringLiteral("Объект не найден в списке."),
                    this);
}

void TForm2::RecycleBinItemClick()
{
    if (!recycleBinWindow) {
        recycleBinWindow = new RecycleBinWindow(this);
        connect(recycleBinWindow, &RecycleBinWindow::restored, this, &TForm2::ShowObject);
    }
    recycleBinWindow->LoadEntries();
    CentreOnScreen(recycleBinWindow);
    recycleBinWindow->show();
    recycleBinWindow->raise();
    recycleBinWindow->activateWindow();
}

void TForm2::HistoryItemClick()
{
    SharedQuery &list = *DModule->QRGeneral;
    if (DModule->engine() != EngineKind::Server || !list.isOpen() || list.eof())
        return;
    if (!changeHistoryWindow) {
        changeHistoryWindow = new ChangeHistoryWindow(this);
        connect(changeHistoryWindow, &ChangeHistoryWindow::restored, this, &TForm2::ShowObject);
    }
    changeHistoryWindow->LoadVersions(list.asInteger(QStringLiteral("G_ID")));
    CentreOnScreen(changeHistoryWindow);
    changeHistoryWindow->show();
    changeHistoryWindow->raise();
    changeHistoryWindow->activateWindow();
}
