#pragma once

#include "support/testsupport.h"

#include "core/dmodule.h"

// Every table of a database file, read through a module of its own that only reads it, after the
// engine's check of every page.
inline QMap<QString, QStringList> ContentsOf(const QString &path)
{
    TDModule reader;
    reader.OpenReadOnly(path);
    EXPECT_EQ(reader.QRWork->readAll(QStringLiteral("PRAGMA integrity_check")), (QList<QVariantList>{{QStringLiteral("ok")}}))
        << path.toStdString();
    return TableContents(reader);
}
