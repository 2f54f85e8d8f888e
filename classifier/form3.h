#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QKeyEvent;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// The ratio window "Связь с другими классами": how many of a class make one of its parent, and, when a
// class is added, the child of the parent that the new class is inserted above. Not modal; the class
// tree stays disabled while it is open. The main window's class page prepares it and performs "Готово".
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

    QGroupBox *GroupBox1;
    QLabel *Label1, *Label2, *Label3;
    QLineEdit *Edit1;
    QCheckBox *CheckBox1;
    QGroupBox *RadioGroup1;
    QPushButton *Button1, *Button2;

    // False while the window serves adding a class, true while it serves changing one.
    bool RatioEditMode = false;

    // The radio group: one item per child (with its id) and, when adding, "Добавить без вставки" last.
    void setInsertChoices(const QStringList &names, const QList<qint64> &ids);
    void clearInsertChoices();
    QStringList radioItems() const;
    int radioIndex() const;
    void setRadioIndex(int index);
    // The child chosen to be moved under the new class; 0 for "Добавить без вставки".
    qint64 chosenChild() const;

    // The key filter of Edit1: true when the typed key is kept.
    bool Edit1KeyPress(const QKeyEvent &event) const;

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
    QScrollArea *m_choicesArea;
    QWidget *m_choicesBox;
    QVBoxLayout *m_choicesLayout;
    QButtonGroup *m_choices;
    QList<qint64> m_choiceIds;
};
