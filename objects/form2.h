#pragma once

#include "app/modemenu.h"

#include <QMainWindow>

class FilterPanel;
class ObjectGridModel;
class QAction;
class QMenu;
class QPushButton;
class QTableView;

// The view/fill mode: the object list with its filter.
class TForm2 : public QMainWindow, public ModeMenu
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    QTableView *DBGrid = nullptr;
    ObjectGridModel *gridModel = nullptr;
    QPushButton *AddRecordBtn = nullptr, *EditRecordBtn = nullptr, *DeleteRecordBtn = nullptr;
    QPushButton *BackBth = nullptr, *GoToCatalogBtn = nullptr;
    FilterPanel *filterPanel = nullptr;

    QMenu *DBGridMenu = nullptr;
    QAction *DBGridMenuN1 = nullptr, *DBGridMenuN2 = nullptr;

    // The grid's columns as the column chooser sees them.
    int gridColumnCount() const;
    QString gridColumnCaption(int column) const;
    bool isGridColumnVisible(int column) const;
    void setGridColumnVisible(int column, bool visible);

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void openEditor(bool editMode);
    void followQueryRow();
    void followGridRow(int row);
    bool m_syncingRow = false;
};
