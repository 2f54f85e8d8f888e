#pragma once

#include "objects/columnchooser.h"

// The column chooser of the view/fill window's grid.
class TForm21 : public ColumnChooser
{
    Q_OBJECT
public:
    explicit TForm21(QWidget *parent = nullptr);

protected:
    GridColumns gridColumns() const override;
    void columnsChanged() override;
};
