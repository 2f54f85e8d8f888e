#pragma once

#include "settings/options.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QCheckBox;
class QComboBox;
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
    // The keeping settings as last read or saved (not what is being typed).
    const Options::Keeping &keeping() const { return m_keeping; }
    // The kiosk settings as last read or saved.
    const Options::Kiosk &kiosk() const { return m_kiosk; }
    // How chosen pictures are stored, as last read or saved.
    const Options::PictureStoring &pictureStoring() const { return m_pictureStoring; }

public Q_SLOTS:
    void FormCreate();      // reads Options.txt
    void FormActivate();    // reads Options.txt again
    void CheckBox5Click();
    void Button1Click();
    void Button2Click();
    // The file of the catalog started with the program: chosen in the file dialog; its catalogs are listed.
    void StartCatalogFileBtnClick();
    void StartCatalogBoxClick();
    void PictureShrinkBoxClick();

protected:
    bool event(QEvent *event) override;

private:
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8;
    QLineEdit *Edit1;
    QLineEdit *SnapshotsKeptEdit, *SnapshotProgressSizeEdit, *RecycleBinDaysEdit;
    QCheckBox *StartCatalogBox, *KioskPasswordStopsSessionBox;
    QLineEdit *StartCatalogFileEdit, *KioskIdleMinutesEdit, *KioskSlideSecondsEdit;
    QComboBox *StartCatalogNameBox;
    QCheckBox *PictureShrinkBox;
    QLineEdit *PictureLongSideEdit, *PictureQualityEdit;
    QPushButton *StartCatalogFileBtn;
    QGroupBox *RadioGroup;
    QTabWidget *PageControl;
    QPushButton *Button1, *Button2;

    // Reads the file into the controls; shows the error of the first bad line.
    void readOptions();
    // The keeping settings typed in; nullopt (the reason shown, its box focused) when one is not a number
    // within its limits.
    std::optional<Options::Keeping> typedKeeping();
    // Fewer snapshots or fewer days in the bin remove what is kept now: asked first.
    bool agreesToKeepLess(const Options::Keeping &keeping);
    // A whole number typed in `edit` within the limits; nullopt (the reason shown on the tab `tab`, the box
    // focused) otherwise.
    std::optional<int> typedNumber(QLineEdit *edit, int minimum, int maximum, const QString &what, QWidget *tab);
    std::optional<Options::Kiosk> typedKiosk();
    std::optional<Options::PictureStoring> typedPictureStoring();
    void showKiosk(const Options::Kiosk &kiosk);
    // The catalogs of the typed file in the catalog box, what was typed there kept.
    void listStartCatalogs();
    // Refuses with the reason shown on `tab`, `focus` focused.
    void refuse(const QString &reason, QWidget *tab, QWidget *focus);

    QRadioButton *m_formats[3];
    QWidget *m_catalogTab = nullptr;
    QWidget *m_keepingTab = nullptr;
    QWidget *m_kioskTab = nullptr;
    QWidget *m_picturesTab = nullptr;
    Options::Keeping m_keeping;
    Options::Kiosk m_kiosk;
    Options::PictureStoring m_pictureStoring;
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
int SnapshotsKept();           // snapshots kept beside a database file
qint64 SnapshotProgressBytes(); // a larger database file is copied with a progress window
int RecycleBinDays();          // days the recycle bin keeps deleted objects
// How a picture chosen in the editor or imported is stored.
Options::PictureStoring PictureStoring();
// The exhibition kiosk.
QString StartCatalogFile();    // database file the program starts straight into; empty = off
QString StartCatalogName();    // the catalog to run from it
int KioskIdleMinutes();        // minutes without input before the catalog returns to its start; 0 = never
int KioskSlideSeconds();       // after the return, the next object every so many seconds; 0 = no slideshow
// In a kiosk session the right exit password ends the session instead of showing the designer.
bool KioskPasswordStopsSession();
}
