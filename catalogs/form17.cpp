#include "catalogs/form17.h"

#include "app/forms.h"
#include "catalogs/form11.h"

// Its window is 16 pixels wider than the view/fill mode's chooser.
TForm17::TForm17(QWidget *parent)
    : ColumnChooser(QStringLiteral("Form17"), 336, parent)
{
}

int TForm17::gridColumnCount() const { return Form11->gridColumnCount(); }
QString TForm17::gridColumnCaption(int column) const { return Form11->gridColumnCaption(column); }
bool TForm17::isGridColumnVisible(int column) const { return Form11->isGridColumnVisible(column); }
void TForm17::setGridColumnVisible(int column, bool visible) { Form11->setGridColumnVisible(column, visible); }
