#include "objects/recyclebinwindow.h"

#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/snapshotbeforechange.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "objects/objecthistory.h"
#include "objects/recyclebin.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

RecycleBinWindow::RecycleBinWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RecycleBinWindow"));
    setWindowTitle(QStringLiteral("Корзина"));
    setModal(true);
    resize(560, 400);
    BinList = NewReadOnlyTable("BinList", {QStringLiteral("Объект"), QStringLiteral("Удалён")}, QAbstractItemView::ExtendedSelection, this);
    BinList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    BinList->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    RestoreBtn = Named<QPushButton>("RestoreBtn", QStringLiteral("Восстановить"), this);
    EmptyBinBtn = Named<QPushButton>("EmptyBinBtn", QStringLiteral("Очистить корзину"), this);
    CloseBtn = Named<QPushButton>("CloseBtn", QStringLiteral("Закрыть"), this);
    for (QPushButton *button : {RestoreBtn, EmptyBinBtn, CloseBtn})
        button->setAutoDefault(false);
    connect(RestoreBtn, &QPushButton::clicked, this, &RecycleBinWindow::RestoreBtnClick);
    connect(EmptyBinBtn, &QPushButton::clicked, this, &RecycleBinWindow::EmptyBinBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
    connect(BinList, &QTableWidget::itemSelectionChanged, this, &RecycleBinWindow::enableButtons);
    connect(BinList, &QTableWidget::itemDoubleClicked, this, &RecycleBinWindow::RestoreBtnClick);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RestoreBtn);
    buttons->addWidget(EmptyBinBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(BinList, 1);
    layout->addLayout(buttons);
}

void RecycleBinWindow::LoadEntries()
{
    BinList->setRowCount(0);
    GuardedRead([this] {
        const QList<RecycleBin::Entry> entries = RecycleBin::Entries(*DModule);
        BinList->setRowCount(int(entries.size()));
        for (int row = 0; row < entries.size(); ++row) {
            auto *name = new QTableWidgetItem(entries[row].name);
            name->setData(Qt::UserRole, entries[row].id);
            BinList->setItem(row, 0, name);
            BinList->setItem(row, 1, new QTableWidgetItem(entries[row].deleted.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        }
    });
    if (BinList->rowCount() > 0)
        BinList->selectRow(0);
    enableButtons();
}

void RecycleBinWindow::enableButtons()
{
    RestoreBtn->setEnabled(!BinList->selectionModel()->selectedRows().isEmpty());
    EmptyBinBtn->setEnabled(BinList->rowCount() > 0);
}

void RecycleBinWindow::RestoreBtnClick()
{
    QList<qint64> entryIds;
    for (const QModelIndex &index : BinList->selectionModel()->selectedRows())
        entryIds << BinList->item(index.row(), 0)->data(Qt::UserRole).toLongLong();
    if (entryIds.isEmpty())
        return;
    std::sort(entryIds.begin(), entryIds.end());
    QList<RecycleBin::Restored> restored;
    const bool done = Guarded([&] {
        const QStringList misfits = RecycleBin::RestoreMisfits(*DModule, entryIds);
        if (!misfits.isEmpty()
            && !AskYesNo(QStringLiteral("Описание базы данных изменилось после удаления, и часть значений восстановить "
                                        "нельзя:")
                             + MessageLineBreak + misfits.join(MessageLineBreak) + MessageLineBreak
                             + QStringLiteral("Восстановить объекты без них?"),
                         this))
            return;
        QList<ObjectHistory::Change> changes;
        for (const qint64 entryId : std::as_const(entryIds))
            changes << ObjectHistory::Change{std::nullopt, RecycleBin::Image(*DModule, entryId), 0, true};
        restored = RecycleBin::Restore(*DModule, entryIds);
        // Undone, the objects go back into the bin.
        for (int i = 0; i < changes.size(); ++i) {
            changes[i].after = ReadObjectImage(*DModule, restored[i].objectId);
        }
        ObjectHistory::Of(*DModule).record(restored.size() == 1
                                               ? QStringLiteral("восстановление объекта «%1»").arg(changes.first().after->title())
                                               : QStringLiteral("восстановление объектов (%1)").arg(restored.size()),
                                           changes);
    });
    LoadEntries();
    if (!done || restored.isEmpty())
        return;
    QStringList renumbered;
    for (const RecycleBin::Restored &one : std::as_const(restored)) {
        if (one.renumbered)
            renumbered << QString::number(one.objectId);
    }
    Q_EMIT this->restored(restored.first().objectId);
    if (!renumbered.isEmpty())
        ShowMessage(QStringLiteral("Номер объекта был занят другим объектом; объект восстановлен под новым номером: %1.")
                        .arg(renumbered.join(QLatin1String(", "))),
                    this);
}

void RecycleBinWindow::EmptyBinBtnClick()
{
    if (BinList->rowCount() == 0)
        return;
    if (!AskYesNo(QStringLiteral("Удалить все объекты из корзины навсегда? Восстановить их будет нельзя."), this))
        return;
    Guarded([this] {
        RecycleBin::Empty(*DModule, [this] { return SnapshotBeforeChange(this, SnapshotCause::BinEmptied()); });
    });
    LoadEntries();
}
