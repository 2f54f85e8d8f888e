#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QGroupBox;
class QTabWidget;
class QPushButton;

// The settings window. Its controls are the settings' only store while the program runs.
class TForm6 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm6(QWidget *parent = nullptr);

    int radioIndex() const;
    void setRadioIndex(int index);

    QString optionsPath() const;
    // The settings as the window holds them: box `number` (1 to 8) ticked, the catalog password.
    bool isBoxChecked(int number) const;
    QString catalogPassword() const;

public Q_SLOTS:
    void FormCreate();      // reads Options.txt
    void FormActivate();    // reads Options.txt again
    void CheckBox5Click();
    void Button1Click();
    void Button2Click();

protected:
    bool event(QEvent *event) override;

private:
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8;
    QLineEdit *Edit1;
    QGroupBox *RadioGroup;
    QTabWidget *PageControl;
    QPushButton *Button1, *Button2;

    // Reads the file into the controls; shows the error of the first bad line.
    void readOptions();

    QRadioButton *m_formats[3];
    QWidget *m_catalogTab = nullptr;
    QStringList m_linesAsRead;
    QString m_displayFormatAsRead;
    bool m_ignoreNextActivation = false;
};

// Settings as the rest of the program reads them: from the controls of Form6.
namespace Settings {
bool RegenerateBooks();        // line 1
bool LeafLinksOnly();          // line 2
bool TemplateDropsBooks();     // line 3
bool TemplateDropsObjects();   // line 4
bool CatalogPasswordOn();      // line 5
QString CatalogPassword();     // line 6
// Line 5 on with a password: only the password lets anyone leave the running catalog.
bool CatalogExitGuarded();
bool XpFrame();                // line 7
bool SplashOff();              // line 8
bool RatioWindowOff();         // line 9
int DisplayFormat();           // line 10
}
