#include "objects/objectstore.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/sqltext.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

namespace {
const QString IsoDate = QStringLiteral("yyyy-MM-dd");
const QString IsoTime = QStringLiteral("HH:mm:ss");
constexpr qint64 NumberLimit = 1000000000;

// The value a field's column receives. Numbers are checked here, since a pasted text passes the key
// filters and the engine would store a non-number as text without complaint.
QVariant storedValue(TDModule &module, const FieldInput &input)
{
    const QString text = input.value.toString();
    switch (KindOf(input.field)) {
    case FieldKind::Lookup:
        return LookupEntryId(module, input.field.id, text);
    case FieldKind::Integer: {
        bool ok = false;
        const qint64 number = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является целым числом").arg(text, input.field.name));
        return number;
    }
    case FieldKind::Real: {
        bool ok = false;
        const double number = QLocale::c().toDouble(text.trimmed(), &ok);
        if (!ok)
            throw DbError(QStringLiteral("Значение \"%1\" поля \"%2\" не является числом").arg(text, input.field.name));
        return number;
    }
    case FieldKind::String:
        return text;
    case FieldKind::Date: {
        const QDate date = input.value.toDate();
        return date.isValid() ? QVariant(date.toString(IsoDate)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Time: {
        const QTime time = input.value.toTime();
        return time.isValid() ? QVariant(time.toString(IsoTime)) : QVariant(QMetaType::fromType<QString>());
    }
    case FieldKind::Boolean:
        return input.value.toBool() ? -1 : 0;
    case FieldKind::LongText:
        return LongTextForStorage(text);
    case FieldKind::Image:
        return input.pictureChosen ? QVariant(input.value.toByteArray()) : QVariant(QMetaType::fromType<QByteArray>());
    }
    return {};
}
}

FieldKind KindOf(const DescriptionField &field)
{
    if (field.lookup)
        return FieldKind::Lookup;
    const QString &type = field.typeName;
    if (type == TypeName::Integer)
        return FieldKind::Integer;
    if (type == TypeName::Real)
        return FieldKind::Real;
    if (type == TypeName::Time)
        return FieldKind::Time;
    if (type == TypeName::Date)
        return FieldKind::Date;
    if (type == TypeName::Boolean)
        return FieldKind::Boolean;
    if (type == TypeName::LongText)
        return FieldKind::LongText;
    if (type == TypeName::Image)
        return FieldKind::Image;
    return FieldKind::String;
}

int FirstMissingField(const QList<FieldInput> &inputs)
{
    for (int i = 0; i < inputs.size(); ++i) {
        switch (KindOf(inputs[i].field)) {
        case FieldKind::Lookup:
        case FieldKind::Integer:
        case FieldKind::Real:
        case FieldKind::String:
            if (inputs[i].value.toString().isEmpty())
                return i;
            break;
        default:
            break;
        }
    }
    return -1;
}

qint64 ReserveObjectId(TDModule &module)
{
    const qint64 id = module.GenID(QStringLiteral("GENER")).toLongLong();
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = %1").arg(id));
    return id;
}

QStringList LookupTexts(TDModule &module, qint64 fieldId)
{
    SharedQuery &work = *module.QRWork;
    work.open(QStringLiteral("SELECT * FROM LOOKUP%1 WHERE (L%1_ID > 0) ORDER BY L%1_DATA").arg(fieldId));
    QStringList texts;
    const QString column = QStringLiteral("L%1_DATA").arg(fieldId);
    for (bool more = work.first(); more; more = work.next())
        texts << work.asString(column);
    return texts;
}

qint64 LookupEntryId(TDModule &module, qint64 fieldId, const QString &text)
{
    SharedQuery &work = *module.QRWork;
    work.open(QStringLiteral("SELECT * FROM LOOKUP%1 WHERE L%1_DATA = ").arg(fieldId) + Quoted(text));
    if (!work.isEmpty())
        return work.asInteger(QStringLiteral("L%1_ID").arg(fieldId));
    const QString table = QStringLiteral("LOOKUP%1").arg(fieldId);
    const qint64 id = module.GenID(table, QString::number(fieldId)).toLongLong();
    module.exec(QStringLiteral("INSERT INTO %1 VALUES(%2,").arg(table).arg(id) + Quoted(text) + QLatin1Char(')'));
    return id;
}

void InsertObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
    QStringList columns{QStringLiteral("G_ID")};
    QStringList marks{QStringLiteral("?")};
    QVariantList values{objectId};
    for (const FieldInput &input : inputs) {
        columns << input.field.column();
        marks << QStringLiteral("?");
        values << storedValue(module, input);
    }
    module.exec(QStringLiteral("INSERT INTO GENER (%1) VALUES(%2)").arg(columns.join(QLatin1String(", ")), marks.join(QLatin1Char(','))),
                values);
    tx.commit();
}

void UpdateObject(TDModule &module, qint64 objectId, const QList<FieldInput> &inputs)
{
    Transaction tx(module);
    QStringList assignments;
    QVariantList values;
    for (const FieldInput &input : inputs) {
        if (KindOf(input.field) == FieldKind::Image)
            continue;
        assignments << input.field.column() + QLatin1String(" = ?");
        values << storedValue(module, input);
    }
    if (!assignments.isEmpty()) {
        values << objectId;
        module.exec(QStringLiteral("UPDATE GENER SET ") + assignments.join(QLatin1String(", ")) + QLatin1String(" WHERE G_ID = ?"),
                  values);
    }
    for (const FieldInput &input : inputs) {
        if (KindOf(input.field) != FieldKind::Image || !input.pictureChosen)
            continue;
        module.exec(QStringLiteral("UPDATE GENER SET %1 = ? WHERE G_ID = ?").arg(input.field.column()),
                  {storedValue(module, input), objectId});
    }
    tx.commit();
}

void DeleteObject(TDModule &module, qint64 objectId)
{
    Transaction tx(module);
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT = %1").arg(objectId));
    module.exec(QStringLiteral("DELETE FROM GENER WHERE G_ID = %1").arg(objectId));
    tx.commit();
}

QString LongTextForStorage(const QString &text)
{
    if (text.isEmpty())
        return QString();
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = plain.split(QLatin1Char('\n'));
    // A break after the last line ends that line; it does not start another.
    if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    QString stored;
    for (const QString &line : lines)
        stored += line + QLatin1Char('\r');
    return stored;
}

QString LongTextForEditor(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

namespace {
bool numberKeyAccepted(const QString &text, QChar key, bool real)
{
    const bool admitted = key.isDigit() && key.unicode() < 128;
    if (key == QChar(8))
        return true;
    if (!admitted && key != QLatin1Char('-') && !(real && key == QLatin1Char('.')))
        return false;
    const QString candidate = text + key;
    static const QRegularExpression digitsOnly(QStringLiteral("^-?[0-9]+$"));
    if (real) {
        bool ok = false;
        const double value = QLocale::c().toDouble(candidate, &ok);
        if (ok)
            return qAbs(value) <= double(NumberLimit);
    } else {
        bool ok = false;
        const qint64 value = candidate.toLongLong(&ok);
        if (ok)
            return qAbs(value) <= NumberLimit;
    }
    // Digits too many for any integer are beyond the limit as well.
    return !digitsOnly.match(candidate).hasMatch();
}
}

bool IntegerKeyAccepted(const QString &text, QChar key)
{
    return numberKeyAccepted(text, key, false);
}

bool RealKeyAccepted(const QString &text, QChar key)
{
    return numberKeyAccepted(text, key, true);
}
