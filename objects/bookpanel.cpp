#include "objects/bookpanel.h"

#include "app/generalerror.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QComboBox>
#include <QTreeWidget>
#include <QVBoxLayout>

BookPanel::BookPanel(const QString &title, const QString &name, QWidget *parent)
    : QGroupBox(title, parent)
{
    setObjectName(name);
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    ClassesView->setHeaderHidden(true);
    ClassesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ComboBox);
    layout->addWidget(ClassesView);
    m_tree = new LazyTree(ClassesView, [this] { return TreeSource::referenceBook(m_bookId, Settings::DisplayFormat()); },
                          [] { return Settings::DisplayFormat(); });
    connect(ComboBox, &QComboBox::activated, this, &BookPanel::ComboBoxChange);
}

void BookPanel::addControl(QWidget *control)
{
    layout()->addWidget(control);
}

QString BookPanel::bookName() const
{
    return ComboBox->currentText();
}

QTreeWidgetItem *BookPanel::selectedEntry() const
{
    QTreeWidgetItem *item = ClassesView->currentItem();
    if (!item || !item->isSelected() || LazyTree::isPlaceholder(item) || m_bookId.isEmpty())
        return nullptr;
    return item;
}

bool BookPanel::fillBookBox()
{
    const QList<ReferenceStore::Book> books = ReferenceStore::Books(*DModule);
    ComboBox->clear();
    m_tree->clear();
    m_bookId.clear();
    for (const ReferenceStore::Book &book : books)
        ComboBox->addItem(book.name, book.id);
    if (ComboBox->count() == 0) {
        bookChosen();
        return false;
    }
    ComboBox->setCurrentIndex(0);
    loadBook();
    return true;
}

void BookPanel::loadBook()
{
    const int index = ComboBox->currentIndex();
    if (index < 0)
        return;
    m_bookId = QString::number(ComboBox->itemData(index).toLongLong());
    bookChosen();
    m_tree->rebuild();
}

void BookPanel::ComboBoxChange()
{
    Guarded([this] { loadBook(); });
}

void BookPanel::rebuildTree()
{
    if (!m_bookId.isEmpty())
        Guarded([this] { m_tree->rebuild(); });
}
