#pragma once

#include <QList>
#include <QString>

// The kinds of description field. A type number (FIELDS.F_TYPE = TYPES.T_ID) is the position of its
// kind in the type list; a lookup-backed string field is a kind of its own wherever values are shown
// or entered.
enum class FieldKind { Integer, Real, Time, Date, Boolean, String, LongText, Image, Lookup };

struct FieldKindInfo
{
    FieldKind kind;
    QString typeName;      // TYPES.T_NAME, by which the field query names the type
    QString caption;       // the entry of the field tab's type list
    QString sqlType;       // TYPES.T_ENG, the column type
    bool required;         // the editor refuses to store the object while the input is empty
    bool gridColumn;       // shown as a column of the object grid
};

namespace FieldKinds {
// The stored types in type-number order (the lookup kind is not a type of its own).
const QList<FieldKindInfo> &Types();
constexpr int StringType = int(FieldKind::String);
int TypeCount();
const FieldKindInfo &Info(FieldKind kind);
// The kind a TYPES.T_NAME stands for; String for an unknown name.
FieldKind OfTypeName(const QString &typeName);
}
