#pragma once

#include "objects/columnchooser.h"

// The column chooser of the view/fill window's grid.
class TForm21 : public ColumnChooser
{
    Q_OBJECT
public:
    explicit TForm21(QWidget *parent = nullptr);

protected:
    int gridColumnCount() const override;
    QString gridColumnCaption(int column) const override;
    bool isGridColumnVisible(int column) const override;
    void setGridColumnVisible(int column, bool visible) override;
};
