#pragma once

// What the find tests share: the fields the grid shows and files written whole.
#include "core/dmodule.h"
#include "objects/objectlist.h"

#include <QFile>
#include <gtest/gtest.h>

inline QList<DescriptionField> GridFields(TDModule &module)
{
    QList<DescriptionField> shown;
    for (const DescriptionField &field : ReadDescriptionFields(module))
        if (field.hasGridColumn())
            shown << field;
    return shown;
}

inline void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}
