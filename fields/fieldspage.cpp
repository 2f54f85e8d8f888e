#include "fields/fieldspage.h"

#include "core/dmodule.h"
#include "core/schema.h"

FieldsPage::FieldsPage(QPushButton *goToDbButton, QWidget *parent)
    : QWidget(parent), m_goToDbButton(goToDbButton)
{
}

void FieldsPage::reloadFieldList()
{
    DModule->QRFields->open(FieldQuery);
}

int FieldsPage::fieldCount() const
{
    return DModule->QRFields->isOpen() ? DModule->QRFields->recordCount() : 0;
}

void FieldsPage::clearInputs() {}
void FieldsPage::AddFieldBtnClick() {}
void FieldsPage::EditFieldBtnClick() {}
void FieldsPage::DeleteFieldBtnClick() {}
void FieldsPage::OKBtnClick() {}
void FieldsPage::CancelBtnClick() {}
void FieldsPage::ComboBox1Change() {}
void FieldsPage::DBGridCellClick() {}
void FieldsPage::LookupBtnClick() {}
