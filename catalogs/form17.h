#pragma once

#include "objects/columnchooser.h"

// The column chooser of the catalog designer's grid; what it shows is what the layout's column lines store.
class TForm17 : public ColumnChooser
{
    Q_OBJECT
public:
    explicit TForm17(QWidget *parent = nullptr);

protected:
    GridColumns gridColumns() const override;
};
