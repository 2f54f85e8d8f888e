#pragma once

#include "objects/objectlinks.h"

#include <QDialog>
#include <QList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Значение параметра": the value and caption of a parameter about to be linked.
class TForm8 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm8(QWidget *parent = nullptr);

    // What "Готово" links. Taken when the dialog is prepared, so a later change of the editor's
    // selection cannot pair a caption with an entry it does not belong to.
    struct PendingLink
    {
        QString objectId;
        qint64 referId = 0;
        qint64 entryId = 0;
        LinkedObject object = LinkedObject::Reserved;
    };

    // Empties the value, lists the captions (item 0 the book's name, then the entry's ancestors from its
    // parent upwards; captionIds parallel, 0 for the book) and remembers what to link. `afterInsert`
    // runs once the link is stored.
    void Prepare(const PendingLink &link, const QStringList &captionTexts, const QList<qint64> &captionIds,
                 std::function<void()> afterInsert);

public Q_SLOTS:
    void Button1Click();
    void Button2Click();

private:
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QComboBox *ComboBox = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

    PendingLink m_link;
    QList<qint64> m_captionIds;
    std::function<void()> m_afterInsert;
    bool m_prepared = false;
};
