#include "app/backupswindow.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/named.h"
#include "app/snapshotbeforechange.h"
#include "core/dmodule.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString DateFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
}

QString ReadableSize(qint64 bytes)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    constexpr double KiB = 1024.0, MiB = KiB * 1024, GiB = MiB * 1024;
    if (bytes >= GiB)
        return russian.toString(bytes / GiB, 'f', 1) + QStringLiteral(" ГБ");
    if (bytes >= MiB)
        return russian.toString(bytes / MiB, 'f', 1) + QStringLiteral(" МБ");
    return russian.toString(qMax<qint64>(1, qRound64(bytes / KiB))) + QStringLiteral(" КБ");
}

TBackupsWindow::TBackupsWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("BackupsWindow"));
    setWindowTitle(QStringLiteral("Резервные копии"));
    setModal(false);
    InfoLabel = Named<QLabel>("InfoLabel", this);
    InfoLabel->setWordWrap(true);
    SnapshotsTable = NewReadOnlyTable("SnapshotsTable", {QStringLiteral("Дата"), QStringLiteral("Причина"), QStringLiteral("Размер")},
                                      QAbstractItemView::SingleSelection, this);
    SnapshotsTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    RestoreBtn = Named<QPushButton>("RestoreBtn", QStringLiteral("Восстановить"), this);
    ViewBtn = Named<QPushButton>("ViewBtn", QStringLiteral("Открыть для просмотра"), this);
    DeleteBtn = Named<QPushButton>("DeleteBtn", QStringLiteral("Удалить"), this);
    CloseBtn = Named<QPushButton>("CloseBtn", QStringLiteral("Закрыть"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {RestoreBtn, ViewBtn, DeleteBtn})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addWidget(SnapshotsTable, 1);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(RestoreBtn, &QPushButton::clicked, this, &TBackupsWindow::RestoreBtnClick);
    connect(ViewBtn, &QPushButton::clicked, this, &TBackupsWindow::ViewBtnClick);
    connect(DeleteBtn, &QPushButton::clicked, this, &TBackupsWindow::DeleteBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
    connect(SnapshotsTable, &QTableWidget::itemSelectionChanged, this, &TBackupsWindow::enableButtons);
}

void TBackupsWindow::ShowSnapshots()
{
    m_snapshots.clear();
    m_databasePath.clear();
    SnapshotsTable->setRowCount(0);
    const bool file = DModule->connected() && DModule->engine() == EngineKind::File;
    SnapshotsTable->setEnabled(file);
    if (!DModule->connected()) {
        InfoLabel->setText(QStringLiteral("База данных не открыта."));
    } else if (!file) {
        InfoLabel->setText(QStringLiteral("База данных на сервере: программа не делает её резервных копий, "
                                          "их делает сам сервер баз данных (программа pg_dump). Как это сделать, "
                                          "сказано в справке, в разделе \"Резервные копии\"."));
    } else {
        m_databasePath = DModule->database().databaseName();
        InfoLabel->setText(QStringLiteral("Копии базы данных хранятся в папке %1")
                               .arg(QDir::toNativeSeparators(Snapshots::FolderOf(m_databasePath))));
        GuardedRead([&] { m_snapshots = Snapshots::List(m_databasePath); });
        SnapshotsTable->setRowCount(int(m_snapshots.size()));
        for (int row = 0; row < m_snapshots.size(); ++row) {
            const Snapshots::Snapshot &snapshot = m_snapshots[row];
            SnapshotsTable->setItem(row, 0, new QTableWidgetItem(snapshot.made.toString(DateFormat)));
            SnapshotsTable->setItem(row, 1, new QTableWidgetItem(snapshot.cause));
            auto *size = new QTableWidgetItem(ReadableSize(snapshot.size));
            size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            SnapshotsTable->setItem(row, 2, size);
        }
        SnapshotsTable->resizeColumnToContents(0);
        SnapshotsTable->resizeColumnToContents(2);
    }
    enableButtons();
}

const Snapshots::Snapshot *TBackupsWindow::chosen() const
{
    const QList<QTableWidgetItem *> selected = SnapshotsTable->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int row = selected.first()->row();
    return row >= 0 && row < m_snapshots.size() ? &m_snapshots[row] : nullptr;
}

void TBackupsWindow::enableButtons()
{
    const bool any = chosen() != nullptr;
    for (QPushButton *button : {RestoreBtn, ViewBtn, DeleteBtn})
        button->setEnabled(any);
}

void TBackupsWindow::RestoreBtnClick()
{
    const Snapshots::Snapshot *snapshot = chosen();
    if (!snapshot)
        return;
    const Snapshots::Snapshot restored = *snapshot;
    if (!AskYesNo(QStringLiteral("Восстановить базу данных в том виде, в каком она была %1?").arg(restored.made.toString(DateFormat))
                      + MessageLineBreak
                      + QStringLiteral("Нынешнее состояние базы данных будет сохранено в новой резервной копии."),
                  this))
        return;
    Form1->RestoreSnapshot(restored);
    ShowSnapshots();
}

void TBackupsWindow::ViewBtnClick()
{
    if (const Snapshots::Snapshot *snapshot = chosen()) {
        const Snapshots::Snapshot viewed = *snapshot;
        if (Form1->OpenSnapshotForViewing(viewed))
            close();
    }
}

void TBackupsWindow::DeleteBtnClick()
{
    const Snapshots::Snapshot *snapshot = chosen();
    if (!snapshot)
        return;
    const QString path = snapshot->path;
    if (!AskYesNo(QStringLiteral("Удалить резервную копию от %1?").arg(snapshot->made.toString(DateFormat)), this))
        return;
    Guarded([&] { Snapshots::Remove(m_databasePath, path); });
    ShowSnapshots();
}
