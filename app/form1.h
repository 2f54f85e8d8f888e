#pragma once

#include "app/modemenu.h"
#include "core/engine.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class ClassifierPage;

class TBackupsWindow;
namespace Snapshots {
struct Snapshot;
}
class FieldsPage;
class ReferencesPage;
class StartPage;
class TServerDialog;
class THelpWindow;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidgetItem;
class TDModule;
class UpdateCheck;

// The editing-mode window, the main window: the menu, the database files and the three tabs.
class TForm1 : public QMainWindow, public ModeMenu
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    QString CurrentDbPath;   // the current database path, kept even when opening it failed

    // Opens a database on a server (first making it, when asked) and shows it as OpenDataBase shows a
    // file. When that fails the reason is shown and the program goes on with the database open before.
    bool OpenServerDataBase(const ServerConnection &server, bool createNew = false);
    // Copies the open database file into the new server database `server`, showing progress, and offers
    // to open the copy. False when the copy was not made (the reason was shown).
    bool UploadToServer(const ServerConnection &server);

    // Puts a snapshot of the open database file in its place, after a snapshot of the present state, and
    // opens it through the ordinary opening. False when it was not restored (the reason was shown).
    bool RestoreSnapshot(const Snapshots::Snapshot &snapshot);
    // Opens a copy of a snapshot made in a temporary folder; the snapshot itself stays untouched.
    bool OpenSnapshotForViewing(const Snapshots::Snapshot &snapshot);

    // After the database was opened again while the view/fill window is on screen: the window lists
    // the file now open, or closes when it cannot.
    void RefreshViewFillMode();

    // The update server as host or host:port; the product's own server unless pointed elsewhere.
    Q_INVOKABLE void SetUpdateServer(const QString &hostAndPort);

Q_SIGNALS:
    // An update check started or ended: every window's "Обновления" entry follows it.
    void UpdateCheckRunning(bool running);

public Q_SLOTS:
    void FormCreate();
    void FormActivate();
    void OpenDataBase(const QString &path);
    void ConnectServerItemClick();
    void UploadToServerItemClick();
    void BackupsItemClick();
    void CheckDatabaseItemClick();
    void ClearForm();
    // Another program on the same server database changed fields, lookup lists, books or classes.
    void DesignChangedElsewhere();
    void N11Click();
    void N12Click();
    void N13Click();
    void N15Click();
    void N22Click();
    void N23Click();
    void N31Click();
    void N32Click();
    void N4Click();
    void N51Click();
    void N52Click();
    void N53Click();
    void OpenExampleClick();
    void GoToDBBtnClick();
    void TimerTimer();

    // Handlers of the tabs, forwarded to their pages.
    void ClassesViewExpand(QTreeWidgetItem *node = nullptr);
    void ClassesViewClick();
    void ComboBox2Change();
    void AddMeasureBtnClick();
    void EditMeasureBtnClick();
    void DeleteMeasureBtnClick();
    void MoreClick();
    void AddFieldBtnClick();
    void EditFieldBtnClick();
    void DeleteFieldBtnClick();
    void OKBtnClick();
    void CancelBtnClick();
    void ComboBox1Change();
    void DBGridCellClick();
    void LookupBtnClick();
    void ComponentsFill();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QTabWidget *TabbedNotebook;
    QPushButton *GoToDBBtn;
    QLineEdit *VersionInfo;
    QTimer *Timer;
    ReferencesPage *referencesPage;
    ClassifierPage *classifierPage;
    FieldsPage *fieldsPage;
    StartPage *startPage;   // in place of the tabs while no database is open
    TServerDialog *ServerDialog;
    THelpWindow *HelpWindow = nullptr;   // made when help is first asked for
    TBackupsWindow *BackupsWindow = nullptr;   // made when first asked for
    std::unique_ptr<QTemporaryDir> m_viewedCopy;   // the folder of the snapshot copy opened for a look

    void prepareSearchIndex();
    // Opens a database file and reads the design into the tabs; false (the reason shown) when it failed.
    bool openDatabaseFile(const QString &path);
    void prepareSortKeys();
    void setDatabaseState(bool open);
    void showOpenedDatabase();
    // "Сохранить как..." on a server database: a database file copy at `path`.
    void saveServerCopy(const QString &path);
    // After a copy into another engine: the catalogs' pictures follow into the copy opened by `openTarget`.
    void carryCatalogPictures(const std::function<void(TDModule &target)> &openTarget, QWidget *owner);
    bool m_shownOnce = false;
    QString m_updateServer;
    UpdateCheck *m_updateCheck = nullptr;   // the check running now, if any
};
