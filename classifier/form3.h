#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

class InsertChoiceModel;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QKeyEvent;
class QListView;
class QPushButton;

// The ratio window "Связь с другими классами": how many of a class make one of its parent, and, when a
// class is added, the child of the parent that the new class is inserted above. Not modal; the class
// tree stays disabled while it is open. The main window's class page prepares it and performs "Готово".
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

    // False while the window serves adding a class, true while it serves changing one.
    bool RatioEditMode = false;

    // Adding a class `className` under `parentName`, whose children are listed for insertion; the ratio
    // box starts unused when no sibling uses a ratio (`siblingsUseRatio` false).
    void PrepareAdding(const QString &parentName, const QString &className, const QStringList &childNames,
                       const QList<qint64> &childIds, bool siblingsUseRatio);
    // Changing the ratio of `className` under `parentName`; `ratioText` is its stored ratio.
    void PrepareChanging(const QString &parentName, const QString &className, const QString &ratioText, bool usesRatio);

    // The choice group: one item per child (with its id) and, when adding, "Добавить без вставки" last.
    // One item is checked at a time, as in a radio group; a list view, so that thousands of children
    // cost no more than the rows on screen.
    QStringList radioItems() const;
    int radioIndex() const;
    void setRadioIndex(int index);
    // The child chosen to be moved under the new class; 0 for "Добавить без вставки".
    qint64 chosenChild() const;

    // What "Готово" performs, given by whoever prepared the window: false keeps the window open (a user
    // error was shown); a refused statement throws.
    void SetDoneAction(std::function<bool()> done);
    // The ratio as typed in its box.
    QString ratioText() const;

    // Whether the ratio box holds another text than the window was prepared with (or "no ratio" was
    // ticked): an untouched ratio keeps its stored value to the last digit.
    bool ratioChanged() const;

    // The key filter of Edit1: true when the typed key is kept.
    bool Edit1KeyPress(const QKeyEvent &event) const;

Q_SIGNALS:
    // The window was closed in any way (or "Готово" performed while it was not shown).
    void Closed();

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void FormClose();
    void CheckBox1Click();
    void FormResize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QGroupBox *GroupBox1;
    QLabel *Label1, *Label2, *Label3;
    QLineEdit *Edit1;
    QCheckBox *CheckBox1;
    QGroupBox *RadioGroup1;
    QPushButton *Button1, *Button2;
    QListView *RadioList = nullptr;

    void setInsertChoices(const QStringList &names, const QList<qint64> &ids);
    InsertChoiceModel *m_choices;
    std::function<bool()> m_done;
    QString m_preparedRatio;
    bool m_preparedWithoutRatio = false;
};
