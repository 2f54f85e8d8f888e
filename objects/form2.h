#pragma once

#include "app/modemenu.h"
#include "objects/printlayout.h"

#include <QMainWindow>
#include <optional>

class FilterPanel;
class GridColumns;
class ListFollower;
class ObjectGridModel;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class ChangeHistoryWindow;
class RecycleBinWindow;
struct DescriptionField;

// The view/fill mode: the object list with its filter.
class TForm2 : public QMainWindow, public ModeMenu
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    // Reloads the list when other programs change the server database.
    ListFollower *listFollower = nullptr;

    // The fields of the visible grid columns, in the order shown.
    QList<DescriptionField> visibleFields() const;

    // The grid's columns as the column chooser sees them.
    GridColumns gridColumns() const;

public Q_SLOTS:
    void FormCreate();
    void LoadGeneral();
    void ClearForm();
    void AddRecordBtnClick();
    void EditRecordBtnClick();
    void DeleteRecordBtnClick();
    void DBGridTitleClick(int column);
    void DBGridMenuN1Click();
    void BackBthClick();
    void GoToCatalogBtnClick();
    // Filter handlers, forwarded to the filter panel.
    void ComboBoxChange();
    void AddFilterClick();
    void DeleteFilterClick();
    void MakeFClass();
    // The display format changed: the filter's reference-book tree is read again from the top.
    void RebuildFilterTree();
    void SearchEditChanged();
    // The user showed or hid columns: the search looks at the columns shown.
    void ShownColumnsChanged();
    void ApplySearch();
    void FocusSearch();
    void ClearSearch();
    void ExportCsvItemClick();
    void ImportCsvItemClick();
    void AddFromFolderItemClick();
    void PrintListItemClick();
    void SaveListPdfItemClick();
    void PrintCardItemClick();
    void SaveCardPdfItemClick();
    // Another program changed objects: the list is read again, the current object, the filter, the search
    // and the order kept.
    void ObjectsChangedElsewhere();
    // Another program changed the design: the list is read again with the new fields and the user told.
    void DesignChangedElsewhere();
    // Menu items: the same items of the editing-mode window.
    void N11Click();
    void N12Click();
    void N13Click();
    void N14Click();
    void N21Click();
    void N22Click();
    void N31Click();
    void N32Click();
    void N4Click();
    void N51Click();
    void N52Click();
    void N53Click();
    void ConnectServerItemClick();
    void UploadToServerItemClick();
    // The menu "Правка": undo and redo of the session's object actions, the recycle bin.
    void UndoItemClick();
    void RedoItemClick();
    void RecycleBinItemClick();
    // The current object's earlier versions (a server database only).
    void HistoryItemClick();
    // Makes the object current in the list as it is filtered, searched and sorted now; tells the user
    // when the filter or the search hides it (they are kept).
    void ShowObject(qint64 objectId);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QTableView *DBGrid = nullptr;
    ObjectGridModel *gridModel = nullptr;
    QPushButton *AddRecordBtn = nullptr, *EditRecordBtn = nullptr, *DeleteRecordBtn = nullptr;
    QPushButton *BackBth = nullptr, *GoToCatalogBtn = nullptr;
    FilterPanel *filterPanel = nullptr;
    QMenu *DBGridMenu = nullptr;
    QAction *DBGridMenuN1 = nullptr, *DBGridMenuN2 = nullptr;
    // Quick search above the grid: narrows the list as the user types (after a short pause).
    QLineEdit *SearchEdit = nullptr;
    QTimer *SearchTimer = nullptr;
    // The menu "Список": the list and the current object to CSV, from CSV, to paper and PDF.
    QMenu *ListMenu = nullptr;
    QMenu *EditMenu = nullptr;
    QAction *UndoItem = nullptr, *RedoItem = nullptr, *RecycleBinItem = nullptr, *HistoryItem = nullptr;
    RecycleBinWindow *recycleBinWindow = nullptr;
    ChangeHistoryWindow *changeHistoryWindow = nullptr;
    QAction *ExportCsvItem = nullptr, *ImportCsvItem = nullptr, *AddFromFolderItem = nullptr, *PrintListItem = nullptr, *SaveListPdfItem = nullptr,
            *PrintCardItem = nullptr, *SaveCardPdfItem = nullptr;

    void openEditor(bool editMode);
    // Enter and a double click change the current object, Delete deletes it (asking first).
    void buildGridKeys();
    // A double click on a picture column looks at that object's picture; false when it has none there.
    bool showPictureAt(const QModelIndex &index);
    void enableRecordButtons();
    void buildSearch(QWidget *central);
    void buildListMenu();
    void buildEditMenu();
    void enableEditItems();
    // Runs an undo or a redo and shows its object, or why it could not be done.
    void applyHistoryStep(bool undo);
    // The card of the current object for printing; nothing (with the reason shown) without one.
    std::optional<CardPrintout> currentObjectCard();
};
