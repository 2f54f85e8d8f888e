#pragma once

#include <QString>

class QLineEdit;
class QTimer;
class QWidget;

// The quick search box above an object grid: the box SearchEdit and the pause SearchTimer, which runs
// one search when typing stops rather than one per key. The window connects both to its handlers.
struct SearchBox
{
    QLineEdit *edit;
    QTimer *timer;
};
SearchBox NewSearchBox(QWidget *parent, const QString &placeholder, const QString &toolTip);
// Empties the box without starting a search, as every new entry into a list does.
void ResetSearchBox(const SearchBox &box);
