#pragma once

#include "objects/bookpanel.h"
#include "objects/objectlinks.h"

class QListWidget;
class QPushButton;
class TForm8;

// The object editor's right half, " Укажите параметры объекта ": the object's links to reference-book
// entries, written at once.
class ParamsPanel : public BookPanel
{
    Q_OBJECT
public:
    explicit ParamsPanel(QWidget *parent = nullptr);

    QString ObjectId;   // the object whose parameters are shown (set by GenForm)
    LinkedObject Object = LinkedObject::Reserved;   // whether it is stored or being added
    QString ReferId;    // the book chosen in ComboBox (the editor's own)

    // GenForm step 4: fills the book box, loads the first book's tree and lists the object's parameters.
    // Throws DbError; the editor's action shows it.
    void fill(const QString &objectId, LinkedObject object = LinkedObject::Reserved);

    // The value dialog this panel uses: the program's Form8, or one of its own when there is none.
    TForm8 *valueDialog();

public Q_SLOTS:
    void AddParamClick();
    void ClassesFill();
    void DeleteParamClick();

protected:
    void bookChosen() override;

private:
    QPushButton *AddParam = nullptr, *DeleteParam = nullptr;
    QListWidget *ParamsList = nullptr;

    void listParams();

    TForm8 *m_ownDialog = nullptr;
};
