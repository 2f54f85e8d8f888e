#pragma once

#include "fields/fieldkind.h"

#include <QVariant>
#include <optional>

// What the values of a field become when the field takes another type: what converts is kept, nothing
// is rounded or cut. Integers and reals convert both ways when the number stays exactly the same;
// numbers, dates, times and yes/no become the texts the object list shows; texts become numbers, dates,
// times or yes/no when the whole text reads as one. Pictures convert to nothing and nothing to pictures.
namespace TypeConversion {

// The value `to` stores for the value `stored` of `from`. Lookup fields give and take the entry's text
// (a null value for the empty entry). A null QVariant stands for no value; nullopt for a value that cannot
// be kept.
std::optional<QVariant> Converted(const DescriptionField &from, const DescriptionField &to, const QVariant &stored);

}
