#include "classifier/classifierpage.h"

#include "classifier/lazytree.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

ClassifierPage::ClassifierPage(QWidget *parent)
    : QWidget(parent)
{
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    ClassesView->setHeaderHidden(true);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("Сортировать по названию"), QStringLiteral("Сортировать по коду"),
                         QStringLiteral("Сортировать по времени добавления")});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ComboBox2);
    layout->addWidget(ClassesView);
    m_tree = new LazyTree(ClassesView, [this] { return TreeSource::classes(ComboBox2->currentIndex()); },
                          [] { return Settings::DisplayFormat(); });
}

void ClassifierPage::resetSortChoice()
{
    const QSignalBlocker blocker(ComboBox2);
    ComboBox2->setCurrentIndex(0);
}

void ClassifierPage::clearInputs() {}
void ClassifierPage::ClassesViewExpand(QTreeWidgetItem *node) { m_tree->expand(node); }
void ClassifierPage::ClassesViewClick() {}
void ClassifierPage::ComboBox2Change() {}
void ClassifierPage::AddMeasureBtnClick() {}
void ClassifierPage::EditMeasureBtnClick() {}
void ClassifierPage::DeleteMeasureBtnClick() {}
void ClassifierPage::MoreClick() {}
