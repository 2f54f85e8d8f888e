#pragma once

#include <QVariant>

// Header data of a grid column title: the caption, centred and bold, as every grid of the program shows it.
QVariant GridTitleData(const QString &caption, int role);
