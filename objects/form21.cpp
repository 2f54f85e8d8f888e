#include "objects/form21.h"

#include "app/forms.h"
#include "objects/form2.h"
#include "objects/objectgridmodel.h"

TForm21::TForm21(QWidget *parent)
    : ColumnChooser(QStringLiteral("Form21"), 320, parent)
{
}

GridColumns TForm21::gridColumns() const { return Form2->gridColumns(); }
void TForm21::columnsChanged() { Form2->ShownColumnsChanged(); }
