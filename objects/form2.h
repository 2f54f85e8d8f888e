#pragma once

#include <QMainWindow>

class QPushButton;

// The view/fill mode: the object list with its filter.
class TForm2 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    QPushButton *GoToCatalogBtn = nullptr;

public Q_SLOTS:
    void LoadGeneral();
    void ClearForm();
    // The display format changed: the filter's reference-book tree is read again from the top.
    void RebuildFilterTree();
};
