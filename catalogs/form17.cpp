#include "catalogs/form17.h"

#include "objects/objectgridmodel.h"

#include "app/forms.h"
#include "catalogs/form11.h"

// Its window is 16 pixels wider than the view/fill mode's chooser.
TForm17::TForm17(QWidget *parent)
    : ColumnChooser(QStringLiteral("Form17"), 336, parent)
{
}

GridColumns TForm17::gridColumns() const { return Form11->gridColumns(); }
