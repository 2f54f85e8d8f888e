#pragma once

#include <QGroupBox>

class LazyTree;
class QComboBox;
class QListWidget;
class QPushButton;
class QTreeWidget;
class TForm8;

// The object editor's right half, " Укажите параметры объекта ": the object's links to reference-book
// entries, written at once.
class ParamsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ParamsPanel(QWidget *parent = nullptr);

    QComboBox *ComboBox = nullptr;
    QTreeWidget *ClassesView = nullptr;
    QPushButton *AddParam = nullptr, *DeleteParam = nullptr;
    QListWidget *ParamsList = nullptr;

    QString ObjectId;   // the object whose parameters are shown (set by GenForm)
    QString ReferId;    // the book chosen in ComboBox (the editor's own)

    // GenForm step 4: fills the book box, loads the first book's tree and lists the object's parameters.
    // Throws DbError; the editor's action shows it.
    void fill(const QString &objectId);

    // The value dialog this panel uses: the program's Form8, or one of its own when there is none.
    TForm8 *valueDialog();

public Q_SLOTS:
    void ComboBoxChange();
    void AddParamClick();
    void ClassesFill();
    void DeleteParamClick();

private:
    void loadBook();
    void listParams();

    LazyTree *m_tree = nullptr;
    TForm8 *m_ownDialog = nullptr;
};
