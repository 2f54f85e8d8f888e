#pragma once

#include <QWidget>
#include <functional>

class QListWidget;
class QPushButton;
class QGroupBox;

namespace ReferenceStore {
struct TopClass;
struct Book;
}

// The tab "Справочная система" of the editing-mode window: top-level classes and generated
// reference books. TForm1 forwards its handlers of this tab here.
class ReferencesPage : public QWidget
{
    Q_OBJECT
public:
    explicit ReferencesPage(QWidget *parent = nullptr);

    // Fills both lists again, the chosen class and book staying chosen while they exist.
    void refillKeepingChoice();

public Q_SLOTS:
    void ComponentsFill();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

private:
    QGroupBox *GroupBox1 = nullptr;
    QListWidget *ComponentsList1 = nullptr, *ComponentsList2 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;

    // The questions asked for a book that exists already (when the setting allows regenerating at all)
    // and for a book that objects link to.
    bool confirmRegenerate(const ReferenceStore::TopClass &topClass);
    bool confirmRemove(const ReferenceStore::Book &book);
    // The snapshot before a book is made again or removed.
    std::function<bool(const QString &cause)> snapshotStep();
};
