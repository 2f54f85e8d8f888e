#pragma once

// What the find tests share: the fields the grid shows, and the Russian locale while a test runs.
#include "core/dmodule.h"
#include "objects/objectlist.h"

#include <QLocale>

inline QList<DescriptionField> GridFields(TDModule &module)
{
    QList<DescriptionField> shown;
    for (const DescriptionField &field : ReadDescriptionFields(module))
        if (field.hasGridColumn())
            shown << field;
    return shown;
}

// Makes the Russian locale the default while it lives (decimal comma, dd.MM.yyyy), then restores the one before.
struct RussianLocale
{
    RussianLocale() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    ~RussianLocale() { QLocale::setDefault(saved); }
    const QLocale saved;
};
