#include "objects/form21.h"

#include "app/forms.h"
#include "objects/form2.h"

TForm21::TForm21(QWidget *parent)
    : ColumnChooser(QStringLiteral("Form21"), 320, parent)
{
}

int TForm21::gridColumnCount() const { return Form2->gridColumnCount(); }
QString TForm21::gridColumnCaption(int column) const { return Form2->gridColumnCaption(column); }
bool TForm21::isGridColumnVisible(int column) const { return Form2->isGridColumnVisible(column); }
void TForm21::setGridColumnVisible(int column, bool visible) { Form2->setGridColumnVisible(column, visible); }
