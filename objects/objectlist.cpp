#include "objects/objectlist.h"

#include "core/dmodule.h"
#include "core/schema.h"

QString SelectPart;
QString FromPart;
QString WherePart;
QString FilterPart;
QString OrderPart;

QString ObjectListStatement()
{
    return SelectPart + FromPart + WherePart + FilterPart + OrderPart;
}

void BuildObjectListPieces(TDModule &module)
{
    SelectPart = QStringLiteral("SELECT G_ID");
    FromPart = QStringLiteral(" FROM GENER");
    WherePart.clear();
    FilterPart.clear();
    OrderPart.clear();
    SharedQuery &fields = *module.QRFields;
    fields.open(FieldQuery);
    for (bool more = fields.first(); more; more = fields.next()) {
        const QString id = fields.asString(QStringLiteral("F_ID"));
        if (fields.asBoolean(QStringLiteral("F_LOOKUP"))) {
            SelectPart += QStringLiteral(", L%1_DATA").arg(id);
            FromPart += QStringLiteral(", LOOKUP%1").arg(id);
            WherePart += WherePart.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND ");
            WherePart += QStringLiteral("(G%1=L%1_ID)").arg(id);
        } else {
            SelectPart += QStringLiteral(", G%1").arg(id);
        }
    }
}

void OpenObjectList(TDModule &module)
{
    module.QRGeneral->open(ObjectListStatement());
}
