#pragma once

#include <QWidget>

class LazyTree;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TForm3;

// The tab "Компоненты справочной системы" of the editing-mode window: the class tree with its sort box
// and the groups that add, change and delete classes. TForm1 forwards its handlers of this tab here.
class ClassifierPage : public QWidget
{
    Q_OBJECT
public:
    explicit ClassifierPage(QWidget *parent = nullptr);

    LazyTree *classTree() const { return m_tree; }
    // Sets the sort box to its first item without rebuilding the tree (opening a database).
    void resetSortChoice();
    // Empties the four edit boxes and unticks CheckBox2 (part of TForm1::ClearForm).
    void clearInputs();
    // The selected class of the tree, or null (a placeholder never counts).
    QTreeWidgetItem *selectedClass() const;
    // "Готово" of the ratio window: adds or changes the class the window was prepared for. False when a
    // user error was shown and the window should stay open; a refused statement throws.
    bool applyRatioWindow(TForm3 &window);

Q_SIGNALS:
    // A class left the tree: the lists of top-level classes follow.
    void classDeleted();

public Q_SLOTS:
    void ClassesViewExpand(QTreeWidgetItem *node);   // null: the whole tree from the top
    void ClassesViewClick();
    void ComboBox2Change();
    void AddMeasureBtnClick();
    void EditMeasureBtnClick();
    void DeleteMeasureBtnClick();
    void MoreClick();

private:
    QTreeWidget *ClassesView = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QPushButton *More = nullptr;
    QLineEdit *AddClassEdit = nullptr, *AddCodeEdit = nullptr, *EditClassEdit = nullptr, *EditCodeEdit = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QPushButton *AddMeasureBtn = nullptr, *EditMeasureBtn = nullptr, *DeleteMeasureBtn = nullptr;

    void ratioWindowClosed();
    void prepareAddingChild(QTreeWidgetItem *parent, const QString &name);
    void prepareChangingChild(QTreeWidgetItem *node, const QString &name);
    void runRatioWindow();
    // Reads the level below `parentId` again, opens it and selects `selectId` in it.
    void rereadLevel(qint64 parentId, qint64 selectId);

    LazyTree *m_tree = nullptr;
    // What the ratio window was prepared for: the class to change, or the parent of the class to add.
    qint64 m_ratioClass = 0;
    qint64 m_ratioParent = 0;
};
