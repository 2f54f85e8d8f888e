#pragma once

#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/layouttext.h"

#include <QMainWindow>
#include <QPointer>

class GridColumns;
class ObjectGridModel;
class QAction;
class QFrame;
class QMenu;
class QTableView;
class DesignerBookPanel;

// The catalog design mode: the layout panel with its background and elements above the object grid,
// the reference-book box and tree on the left. What a click places is chosen on the palette (Form12).
class TForm11 : public QMainWindow, public PanelElementLists
{
    Q_OBJECT
public:
    explicit TForm11(QWidget *parent = nullptr);

    // The element lists (PanelElementLists): a deleted element stays hidden in its list.

    // The name of the last save or open; empty for a new layout.
    QString CatalogName;

    // The layout as it would be saved: visible elements only, and the pictures it names.
    Layout::Catalog currentLayout(CatalogStore::Pictures *pictures = nullptr) const;

    // The pop-up menu of an element, made to act on it (what a right click on the element opens).
    QMenu *PopupMenuFor(QWidget *element);

    // The grid's columns as the column chooser sees them.
    GridColumns gridColumns() const;

public Q_SLOTS:
    void FormCreate();
    void FormResize();
    void ClearPanel();
    void LoadGeneral();
    void ComboBoxChange();
    void BackgroundMouseMove(const QPoint &position);
    void BackgroundClick();
    void ComponentMouseMove(const QPoint &position);
    // Puts a dragged element down at the screen point where it was dropped.
    void ComponentDock(QWidget *element, const QPoint &screenPoint);
    void ShapePopup(FrameElement *frame, const QPoint &position);
    // Each returns false when it failed; the user has been told why.
    bool SaveCatalog(const QString &Name);
    bool OpenCatalog(const QString &Name);
    // Another program on the same server database changed objects, or the design.
    void ObjectsChangedElsewhere();
    void DesignChangedElsewhere();

    void N0Click();
    void N11Click();
    void N12Click();
    void N13Click();
    void N14Click();
    void N21Click();
    void N22Click();
    void N3Click();
    void N41Click();
    void N42Click();
    void N43Click();
    void N5Click();
    void PublishSiteClick();

    // Pop-up items: each acts on the element its menu was opened on.
    void ChangeFontClick();
    void ChangeColorClick();
    void ChangeSizeClick();
    void ChangeTextClick();
    void FrameParametersClick();
    void LoadOtherImageClick();
    void DeleteElementClick();
    void SetBackgroundClick();
    void DeleteBackgroundClick();
    void ColumnsClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    DesignerBookPanel *bookPanel = nullptr;
    QFrame *Panel = nullptr;
    PictureElement *Background = nullptr;
    QTableView *DBGrid = nullptr;
    ObjectGridModel *gridModel = nullptr;
    QMenu *N1 = nullptr, *N2 = nullptr, *N4 = nullptr;
    QAction *N0 = nullptr, *N11 = nullptr, *N12 = nullptr, *N13 = nullptr, *N14 = nullptr, *N21 = nullptr,
            *N22 = nullptr, *N3 = nullptr, *N41 = nullptr, *N42 = nullptr, *N43 = nullptr, *N5 = nullptr,
            *PublishSiteItem = nullptr;
    QMenu *LabelMenu = nullptr, *TextLabelMenu = nullptr, *MemoMenu = nullptr, *ImageMenu = nullptr,
          *TextImageMenu = nullptr, *ShapeMenu = nullptr, *PanelMenu = nullptr, *DBGridMenu = nullptr;
    QAction *DeleteBackgroundItem = nullptr;

    void buildMenus();
    void buildPopupMenus();
    void setCatalogCaption();
    void clearElements();
    // Gives a new element its menu, dragging and place on top of the panel.
    void adopt(QWidget *element);
    void createElements(const Layout::Catalog &layout, const CatalogStore::Pictures &pictures);
    QString choosePicture();
    QWidget *elementOf(QObject *watched) const;
    bool handleElementEvent(QWidget *element, QObject *watched, QEvent *event);

    QPoint m_backgroundPoint;   // the last mouse position over the background
    QPoint m_grab;              // where inside an element the mouse last was (the grab offset)
    QPoint m_pressPoint;
    bool m_pressed = false, m_dragging = false;
    QPointer<QWidget> m_popupComponent;
    // The layout and its pictures as the panel holds them, to tell unsaved changes from the last save or open.
    QByteArray designKey() const;
    QByteArray m_savedDesign;
};
