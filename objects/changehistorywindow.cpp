#include "objects/changehistorywindow.h"

#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "app/named.h"
#include "core/dmodule.h"
#include "objects/objecthistory.h"
#include "objects/objectstore.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QTableWidget *newList(const char *name, const QStringList &titles, QWidget *parent)
{
    QTableWidget *list = NewReadOnlyTable(name, titles, QAbstractItemView::SingleSelection, parent);
    list->horizontalHeader()->setStretchLastSection(true);
    return list;
}
}

ChangeHistoryWindow::ChangeHistoryWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ChangeHistoryWindow"));
    setWindowTitle(QStringLiteral("История изменений"));
    setModal(true);
    resize(720, 460);
    ObjectLabel = Named<QLabel>("ObjectLabel", this);
    VersionList = newList("VersionList", {QStringLiteral("Изменён"), QStringLiteral("Кем"), QStringLiteral("Объект до изменения")}, this);
    VersionValues = newList("VersionValues", {QStringLiteral("Поле"), QStringLiteral("Значение")}, this);
    RestoreVersionBtn = Named<QPushButton>("RestoreVersionBtn", QStringLiteral("Восстановить эту версию"), this);
    CloseBtn = Named<QPushButton>("CloseBtn", QStringLiteral("Закрыть"), this);
    for (QPushButton *button : {RestoreVersionBtn, CloseBtn})
        button->setAutoDefault(false);
    connect(RestoreVersionBtn, &QPushButton::clicked, this, &ChangeHistoryWindow::RestoreVersionBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
    connect(VersionList, &QTableWidget::itemSelectionChanged, this, &ChangeHistoryWindow::showVersion);
    auto *lists = new QHBoxLayout;
    lists->addWidget(VersionList, 3);
    lists->addWidget(VersionValues, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RestoreVersionBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ObjectLabel);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
}

void ChangeHistoryWindow::LoadVersions(qint64 objectId)
{
    m_objectId = objectId;
    m_versions.clear();
    VersionList->setRowCount(0);
    GuardedRead([this] { m_versions = ChangeHistory::Versions(*DModule, m_objectId); });
    ObjectLabel->setText(m_versions.isEmpty() ? QStringLiteral("Объект %1 не изменялся.").arg(objectId)
                                              : QStringLiteral("Сохранённые версии объекта %1, последняя вверху:").arg(objectId));
    VersionList->setRowCount(int(m_versions.size()));
    for (int row = 0; row < m_versions.size(); ++row) {
        VersionList->setItem(row, 0, new QTableWidgetItem(m_versions[row].changed.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        VersionList->setItem(row, 1, new QTableWidgetItem(m_versions[row].user));
        VersionList->setItem(row, 2, new QTableWidgetItem(m_versions[row].image.title()));
    }
    VersionList->resizeColumnsToContents();
    if (!m_versions.isEmpty())
        VersionList->selectRow(0);
    showVersion();
}

void ChangeHistoryWindow::showVersion()
{
    const int row = VersionList->currentRow();
    const bool chosen = row >= 0 && row < m_versions.size() && !VersionList->selectedItems().isEmpty();
    RestoreVersionBtn->setEnabled(chosen);
    VersionValues->setRowCount(0);
    if (!chosen)
        return;
    const ObjectImage &image = m_versions[row].image;
    for (const ObjectImage::Value &value : image.values) {
        const int at = VersionValues->rowCount();
        VersionValues->insertRow(at);
        VersionValues->setItem(at, 0, new QTableWidgetItem(value.fieldName));
        VersionValues->setItem(at, 1, new QTableWidgetItem(value.shownText()));
    }
    for (const ObjectImage::Link &link : image.links) {
        const int at = VersionValues->rowCount();
        VersionValues->insertRow(at);
        VersionValues->setItem(at, 0, new QTableWidgetItem(QStringLiteral("Параметр")));
        VersionValues->setItem(at, 1, new QTableWidgetItem(link.shownText()));
    }
}

void ChangeHistoryWindow::RestoreVersionBtnClick()
{
    const int row = VersionList->currentRow();
    if (row < 0 || row >= m_versions.size())
        return;
    const ObjectImage version = m_versions[row].image;
    bool done = false;
    QString refused;
    Guarded([&] {
        const QStringList misfits = ImageMisfits(*DModule, version);
        if (!misfits.isEmpty()
            && !AskYesNo(QStringLiteral("Описание базы данных изменилось после этой версии, и часть её значений "
                                        "восстановить нельзя:")
                             + MessageLineBreak + misfits.join(MessageLineBreak) + MessageLineBreak
                             + QStringLiteral("Восстановить версию без них?"),
                         this))
            return;
        try {
            const auto [before, after] = ChangeHistory::RestoreVersion(*DModule, version);
            ObjectHistory::Of(*DModule).recordChanged(before, after);
            done = true;
        } catch (const ObjectChangedElsewhere &elsewhere) {
            refused = elsewhere.message();
        }
    });
    if (!refused.isEmpty())
        ShowMessage(refused, this);
    if (!done)
        return;
    LoadVersions(m_objectId);
    Q_EMIT restored(m_objectId);
}
