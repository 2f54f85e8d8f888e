#pragma once

#include "core/dmodule.h"
#include "core/sqltext.h"

#include <QString>

// Schema changes fail while a statement still reads the table; the editing mode changes fields only
// while no object list is open.
inline void closeQueries(TDModule &module)
{
    for (SharedQuery *query : {module.QRWork, module.QRFields, module.QRGeneral, module.QRClasses})
        query->close();
}

// Field types by their place in the type list.
enum TestFieldType { IntegerType = 0, RealType = 1, TimeType = 2, DateType = 3, BooleanType = 4, StringType = 5,
                     LongTextType = 6, ImageType = 7 };

// Adds a description field the way the editing mode does: its FIELDS row, its column, and for a lookup
// list the table with the empty entry.
inline qint64 addField(TDModule &module, const QString &name, int type, bool lookup = false)
{
    const qint64 id = module.GenID(QStringLiteral("FIELDS")).toLongLong();
    module.exec(QStringLiteral("INSERT INTO FIELDS VALUES(%1,%2,%3,%4)").arg(id).arg(Quoted(name)).arg(type).arg(lookup ? -1 : 0));
    module.QRWork->open(QStringLiteral("SELECT T_ENG FROM TYPES WHERE T_ID = %1").arg(type));
    const QString columnType = lookup ? QStringLiteral("INTEGER") : module.QRWork->asString(QStringLiteral("T_ENG"));
    closeQueries(module);
    module.exec(QStringLiteral("ALTER TABLE GENER ADD G%1 %2").arg(id).arg(columnType));
    if (lookup) {
        module.exec(QStringLiteral("CREATE TABLE LOOKUP%1(L%1_ID INTEGER NOT NULL PRIMARY KEY,L%1_DATA VARCHAR(50))").arg(id));
        module.exec(QStringLiteral("INSERT INTO LOOKUP%1 VALUES(0,'< пустое значение >')").arg(id));
        module.exec(QStringLiteral("UPDATE GENER SET G%1 = 0").arg(id));
    }
    return id;
}

inline qint64 addLookupEntry(TDModule &module, qint64 fieldId, const QString &text)
{
    const qint64 id = module.GenID(QStringLiteral("LOOKUP%1").arg(fieldId), QString::number(fieldId)).toLongLong();
    module.exec(QStringLiteral("INSERT INTO LOOKUP%1 VALUES(%2,%3)").arg(fieldId).arg(id).arg(Quoted(text)));
    return id;
}

// A change of a field's type: the column is dropped and added again, so it stands last in GENER.
inline void changeFieldType(TDModule &module, qint64 fieldId, int type)
{
    module.QRWork->open(QStringLiteral("SELECT T_ENG FROM TYPES WHERE T_ID = %1").arg(type));
    const QString columnType = module.QRWork->asString(QStringLiteral("T_ENG"));
    closeQueries(module);
    module.exec(QStringLiteral("UPDATE FIELDS SET F_TYPE = %1 WHERE F_ID = %2").arg(type).arg(fieldId));
    module.exec(QStringLiteral("ALTER TABLE GENER DROP G%1").arg(fieldId));
    module.exec(QStringLiteral("ALTER TABLE GENER ADD G%1 %2").arg(fieldId).arg(columnType));
}
