#include "classifier/classstore.h"

#include "classifier/descendants.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/sqltext.h"
#include "core/typednumber.h"

#include <QLocale>
#include <cmath>

namespace {
ClassRow currentRow(const SharedQuery &q)
{
    return ClassRow{q.asInteger(QStringLiteral("C_ID")), q.asString(QStringLiteral("C_NAME")),
                    q.asString(QStringLiteral("C_CODE")), q.asInteger(QStringLiteral("C_LINK")),
                    q.asFloat(QStringLiteral("C_COEFF"))};
}
}

std::optional<ClassRow> ReadClass(TDModule &module, qint64 id)
{
    SharedQuery &q = *module.QRWork;
    q.open(QStringLiteral("SELECT * FROM CLASSES WHERE C_ID = ?"), {id});
    if (q.isEmpty())
        return std::nullopt;
    return currentRow(q);
}

bool ClassNameTaken(TDModule &module, const QString &name, qint64 except)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT C_ID FROM CLASSES WHERE C_NAME = ? AND C_ID <> ? LIMIT 1"),
                                   {name, except})
                .isEmpty();
}

ChildList ReadChildren(TDModule &module, qint64 parent)
{
    SharedQuery &q = *module.QRWork;
    q.open(QStringLiteral("SELECT C_ID, C_NAME, C_COEFF FROM CLASSES WHERE C_LINK = ?"), {parent});
    ChildList children;
    const int count = q.recordCount();
    children.ids.reserve(count);
    children.names.reserve(count);
    for (int row = 0; row < count; ++row) {
        children.ids << q.valueAt(row, 0).toLongLong();
        children.names << q.valueAt(row, 1).toString();
    }
    if (count > 0)
        children.lastCoeff = q.valueAt(count - 1, 2).toDouble();
    return children;
}

double ParseRatio(const QString &text)
{
    const TypedReal ratio = ReadTypedReal(text, RatioFieldName);
    if (!ratio.ok)
        throw DbError(ratio.error);
    if (std::fabs(ratio.value) > RatioLimit)
        throw DbError(QStringLiteral("Значение \"%1\" поля \"%2\" вне допустимых пределов: от -1000000000 до 1000000000.")
                          .arg(text, RatioFieldName));
    return ratio.value;
}

qint64 AddClass(TDModule &module, const QString &name, const QString &code, qint64 parent, double ratio,
                qint64 insertAbove)
{
    if (parent == 0)
        ratio = 0;
    Transaction tx(module);
    const QString id = module.GenID(QStringLiteral("CLASSES"));
    module.QRClasses->execSql(QStringLiteral("INSERT INTO CLASSES VALUES (?,?,?,?,?)"),
                              {id.toLongLong(), name, code, parent, ratio});
    if (insertAbove != 0) {
        const std::optional<ClassRow> child = ReadClass(module, insertAbove);
        if (!child || child->link != parent)
            throw DbError(QStringLiteral("Класс для вставки не найден под родительским классом"));
        // One parent = ratio new classes = b children, so one new class = b / ratio children.
        const double restated = ratio == 0 ? 0 : child->coeff / ratio;
        module.QRClasses->execSql(QStringLiteral("UPDATE CLASSES SET C_LINK = ?, C_COEFF = ? WHERE C_ID = ?"),
                                  {id.toLongLong(), restated, insertAbove});
    }
    tx.commit();
    return id.toLongLong();
}

void RenameClass(TDModule &module, qint64 id, const QString &name, const QString &code)
{
    module.QRClasses->execSql(QStringLiteral("UPDATE CLASSES SET C_NAME = ?, C_CODE = ? WHERE C_ID = ?"),
                              {name, code, id});
}

void ChangeClass(TDModule &module, qint64 id, const QString &name, const QString &code, double ratio)
{
    SharedQuery &q = *module.QRClasses;
    q.setSql(QStringLiteral("UPDATE CLASSES SET"));
    if (!name.isEmpty())
        q.addLine(QStringLiteral(" C_NAME = ?, C_CODE = ?,"), {name, code});
    q.addLine(QStringLiteral(" C_COEFF = ? WHERE C_ID = ?"), {ratio, id});
    q.execSql();
}

void DeleteClassWithSubtree(TDModule &module, qint64 id)
{
    Transaction tx(module);
    module.QRClasses->execSql(QLatin1String("DELETE FROM CLASSES WHERE C_ID IN (")
                              + DescendantsSelect(QStringLiteral("CLASSES"), QString(), id, true) + QLatin1Char(')'));
    tx.commit();
}

bool SubtreeHasLinks(TDModule &module, qint64 id)
{
    return !module.QRWork
                ->readAll(QLatin1String("SELECT L_ID FROM LINKS WHERE L_CLASS IN (")
                              + DescendantsSelect(QStringLiteral("CLASSES"), QString(), id, true) + QLatin1String(") LIMIT 1"))
                .isEmpty();
}

QString RatioDescription(TDModule &module, qint64 id)
{
    const std::optional<ClassRow> row = ReadClass(module, id);
    if (!row || row->link == 0 || row->coeff == 0)
        return QString();
    const std::optional<ClassRow> parent = ReadClass(module, row->link);
    if (!parent)
        return QString();
    QString ratio = SqlNumber(row->coeff);
    ratio.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return QLatin1String("1 ") + parent->name + QLatin1String(" = ") + ratio + QLatin1Char(' ') + row->name;
}
