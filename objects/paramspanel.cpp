#include "objects/paramspanel.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

ParamsPanel::ParamsPanel(QWidget *parent)
    : QGroupBox(QStringLiteral(" Укажите параметры объекта "), parent)
{
    setObjectName(QStringLiteral("GroupBox2"));
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    AddParam = new QPushButton(QStringLiteral("Добавить выделенный параметр"), this);
    AddParam->setObjectName(QStringLiteral("AddParam"));
    ParamsList = new QListWidget(this);
    ParamsList->setObjectName(QStringLiteral("ParamsList"));
    DeleteParam = new QPushButton(QStringLiteral("Удалить выделенный параметр"), this);
    DeleteParam->setObjectName(QStringLiteral("DeleteParam"));
    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(ComboBox), static_cast<QWidget *>(ClassesView), static_cast<QWidget *>(AddParam),
                       static_cast<QWidget *>(ParamsList), static_cast<QWidget *>(DeleteParam)})
        layout->addWidget(w);
}

void ParamsPanel::fill(const QString &objectId) { ObjectId = objectId; }
void ParamsPanel::ComboBoxChange() {}
void ParamsPanel::AddParamClick() {}
void ParamsPanel::ClassesFill() {}
void ParamsPanel::DeleteParamClick() {}
