#pragma once

// What the tests of objects share: objects added by their values, the fields the grid shows, and the Russian
// locale while a test runs.
#include "core/dmodule.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"

#include <QLocale>

// Adds object `id` holding `values` for the description fields in their order; a picture given is one chosen.
inline void InsertValues(TDModule &module, qint64 id, const QVariantList &values)
{
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    QList<FieldInput> inputs;
    for (int i = 0; i < values.size(); ++i)
        inputs << FieldInput{fields[i], values[i], values[i].typeId() == QMetaType::QByteArray};
    InsertObject(module, id, inputs);
}

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
