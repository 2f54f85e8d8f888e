#include "references/referencespage.h"

ReferencesPage::ReferencesPage(QWidget *parent)
    : QWidget(parent)
{
}

void ReferencesPage::ComponentsFill() {}
void ReferencesPage::Button1Click() {}
void ReferencesPage::Button2Click() {}
void ReferencesPage::Button3Click() {}
void ReferencesPage::Button4Click() {}
