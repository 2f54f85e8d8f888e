#include "objects/paramspanel.h"

#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/form8.h"
#include "objects/objectlinks.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int LinkIdRole = Qt::UserRole;
const QString LeafOnlyText = QStringLiteral("Ссылки возможны только на младшие подклассы!");
}

ParamsPanel::ParamsPanel(QWidget *parent)
    : BookPanel(QStringLiteral(" Укажите параметры объекта "), QStringLiteral("GroupBox2"), parent)
{
    AddParam = new QPushButton(QStringLiteral("Добавить выделенный параметр"), this);
    AddParam->setObjectName(QStringLiteral("AddParam"));
    ParamsList = new QListWidget(this);
    ParamsList->setObjectName(QStringLiteral("ParamsList"));
    DeleteParam = new QPushButton(QStringLiteral("Удалить выделенный параметр"), this);
    DeleteParam->setObjectName(QStringLiteral("DeleteParam"));
    for (QWidget *control : {static_cast<QWidget *>(AddParam), static_cast<QWidget *>(ParamsList),
                             static_cast<QWidget *>(DeleteParam)})
        addControl(control);
    connect(AddParam, &QPushButton::clicked, this, &ParamsPanel::AddParamClick);
    connect(DeleteParam, &QPushButton::clicked, this, &ParamsPanel::DeleteParamClick);
}

TForm8 *ParamsPanel::valueDialog()
{
    if (Form8)
        return Form8;
    if (!m_ownDialog)
        m_ownDialog = new TForm8(this);
    return m_ownDialog;
}

void ParamsPanel::fill(const QString &objectId, LinkedObject object)
{
    ObjectId = objectId;
    Object = object;
    const bool anyBook = fillBookBox();
    AddParam->setEnabled(anyBook);
    DeleteParam->setEnabled(anyBook);
    listParams();
}

void ParamsPanel::bookChosen()
{
    ReferId = bookId();
}

void ParamsPanel::AddParamClick()
{
    QTreeWidgetItem *item = selectedEntry();
    if (!item)
        return;
    if (Settings::LeafLinksOnly() && LazyTree::hasChildren(item)) {
        ShowMessage(LeafOnlyText, this);
        return;
    }
    QStringList captionTexts{ComboBox->currentText()};
    QList<qint64> captionIds{0};
    for (QTreeWidgetItem *ancestor = item->parent(); ancestor; ancestor = ancestor->parent()) {
        captionTexts << ancestor->text(0);
        captionIds << LazyTree::itemId(ancestor);
    }
    TForm8 *dialog = valueDialog();
    QPointer<ParamsPanel> panel(this);
    dialog->Prepare({ObjectId, ReferId.toLongLong(), LazyTree::itemId(item), Object}, captionTexts, captionIds, [panel] {
        if (panel)
            panel->ClassesFill();
    });
    dialog->adjustSize();
    CentreOnScreen(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void ParamsPanel::listParams()
{
    const QList<ObjectLink> links = ObjectId.isEmpty() ? QList<ObjectLink>() : ReadObjectLinks(*DModule, ObjectId);
    ParamsList->clear();
    for (const ObjectLink &link : links) {
        auto *item = new QListWidgetItem(ObjectLinkText(link), ParamsList);
        item->setData(LinkIdRole, link.id);
    }
}

void ParamsPanel::ClassesFill()
{
    Guarded([this] { listParams(); });
}

void ParamsPanel::DeleteParamClick()
{
    QListWidgetItem *item = ParamsList->currentItem();
    if (!item || !item->isSelected())
        return;
    // Each item keeps its own link, so the row deleted is the one the user sees selected.
    const qint64 linkId = item->data(LinkIdRole).toLongLong();
    Guarded([&] {
        DeleteObjectLink(*DModule, linkId);
        listParams();
    });
}
