#pragma once

#include "catalogs/catalogobject.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/layouttext.h"

#include <QMainWindow>
#include <functional>

class FilterPanel;
class ObjectGridModel;
class QFrame;
class QLineEdit;
class QMenu;
class QTableView;
class QTimer;
class GridRowSync;
class IdleReset;
class ListFollower;
class ScreenKeeper;

// The running catalog: a full-screen browser of the objects through a saved layout. The layout panel
// shows the current object of the grid; the filter and the quick search on the left narrow the list.
// While the exit password is on, only the password window (Form23) lets the user leave.
class TForm22 : public QMainWindow, public PanelElementLists
{
    Q_OBJECT
public:
    explicit TForm22(QWidget *parent = nullptr);

    // The elements on the panel (PanelElementLists), in the order of the layout.

    // The layout text of the open catalog.
    QString CatalogMemo;
    QString catalogName() const { return m_catalogName; }
    // Times the panel was filled for a current object (a rebuild count for checks and the benchmark).
    int shownObjects() const { return m_shownObjects; }
    // While the exit password guards the run, the window comes back whenever it is taken away.
    ScreenKeeper *keeper() const { return m_keeper; }
    // Brings the catalog back to its start when nobody uses it (and then shows the objects by itself).
    IdleReset *idleReset() const { return m_idle; }

    // The designer's run item: lays the window out, lists the objects, opens the catalog and shows it
    // full screen in place of the designer. False (the designer stays) when the catalog cannot be opened.
    // `whenLeft`, when given, is done in place of showing the designer once the user has left the run.
    bool RunCatalog(const QString &Name, std::function<void()> whenLeft = {});

public Q_SLOTS:
    void FormCreate();
    void FormResize();
    void LoadGeneral();
    // First: the catalog starts (elements built, background and caption set). Otherwise the panel
    // shows the list's current object; the elements are kept and only their contents change.
    bool OpenCatalog(const QString &Name, bool First);
    void ClearPanel();
    void ComboBoxChange();
    void AddFilterClick();
    void DeleteFilterClick();
    void MakeFClass();
    void DBGridTitleClick(int column);
    void SearchEditChanged();
    void ApplySearch();
    void SaveScreenClick();
    // Another program changed objects: the list is read again keeping the current object, the filter,
    // the search and the order, and the panel shows the current object again.
    void ObjectsChangedElsewhere();
    // Another program changed the design: the list and the catalog are opened again and the user told;
    // when the catalog cannot be opened again the run ends.
    void DesignChangedElsewhere();
    // Nobody used the catalog for a while: no search, no filter, no order, the first object shown and the
    // password window, left open, cancelled. The list is opened once.
    void ReturnToStart();
    // The next (at the end, with `wrap`, the first) or the previous object of the list; false when there
    // is none to move to.
    bool ShowNextObject(bool wrap = false);
    bool ShowPreviousObject();

protected:
    // The exit check: every way of closing the window comes here.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool openCatalog(const QString &Name, bool First, QStringList &problems);
    FilterPanel *filterPanel = nullptr;
    QLineEdit *SearchEdit = nullptr;
    QTimer *SearchTimer = nullptr;
    QFrame *Panel = nullptr;
    PictureElement *Background = nullptr;
    QTableView *DBGrid = nullptr;
    ObjectGridModel *gridModel = nullptr;
    QMenu *PanelMenu = nullptr;

    bool FormCloseQuery();
    bool buildPanel(bool First);
    void showCurrentObject();
    // Shows the list's current object on the panel while the catalog runs.
    void followCurrentObject();
    void listReopened();
    void finishRun();

    GridRowSync *m_rowSync = nullptr;
    ListFollower *m_follower = nullptr;
    ScreenKeeper *m_keeper = nullptr;
    IdleReset *m_idle = nullptr;
    QString m_catalogName;
    std::function<void()> m_whenLeft;
    CatalogObject::BoundFields m_fields;
    QStringList m_imageFields;   // the field of each field image, parallel to Images
    bool m_built = false;
    bool m_running = false;     // between a run's start and its end
    bool m_following = false;   // showing the current object
    bool m_showErrorReported = false;
    int m_shownObjects = 0;
};
