#include "core/changenotice.h"

#include <QRegularExpression>
#include <QStringList>

namespace ChangeNotice {

namespace {

const QLatin1String ObjectsText("objects");
const QLatin1String DesignText("design");

bool isTemporary(const QString &table)
{
    return table.startsWith(QLatin1String("TEMP.")) || table.startsWith(QLatin1String("PG_TEMP."));
}

bool isObjectTable(const QString &table)
{
    return table == QLatin1String("GENER") || table == QLatin1String("LINKS");
}

bool isDesignTable(const QString &table)
{
    static const QStringList fixed = {QStringLiteral("CLASSES"), QStringLiteral("FIELDS"),  QStringLiteral("TYPES"),
                                      QStringLiteral("BOOLEAN"), QStringLiteral("REFERS"), QStringLiteral("KATALOGS")};
    static const QRegularExpression generated(QStringLiteral("^(REFER|LOOKUP)[0-9]+$"));
    return fixed.contains(table) || generated.match(table).hasMatch();
}

// Rows written to a table.
int rowsChange(const QString &table)
{
    if (table.isEmpty() || isTemporary(table))
        return None;
    return isDesignTable(table) ? Design : Objects;
}

// A table made, altered or dropped: only the program's own tables are its design.
int tableChange(const QString &table)
{
    if (isObjectTable(table) || isDesignTable(table))
        return Design;
    return None;
}

}

QString Channel()
{
    return QStringLiteral("virandel_changes");
}

int ChangeMadeBy(const QString &statement)
{
    // Only the head matters: the verb and the table.
    static const QRegularExpression separators(QStringLiteral("[\\s(]+"));
    const QStringList words = statement.left(200).toUpper().split(separators, Qt::SkipEmptyParts);
    const auto word = [&](qsizetype index) { return index < words.size() ? words.at(index) : QString(); };
    const QString verb = word(0);
    if (verb == QLatin1String("INSERT") || verb == QLatin1String("DELETE"))
        return rowsChange(word(2));
    if (verb == QLatin1String("UPDATE"))
        return rowsChange(word(1));
    if (verb == QLatin1String("CREATE") || verb == QLatin1String("ALTER") || verb == QLatin1String("DROP")) {
        if (word(1) != QLatin1String("TABLE"))
            return None;   // indexes, temporary tables, functions, triggers
        qsizetype at = 2;
        if (word(at) == QLatin1String("IF"))
            at += word(at + 1) == QLatin1String("NOT") ? 3 : 2;
        return tableChange(word(at));
    }
    return None;
}

QString Payload(int changes)
{
    if (changes & Design)
        return DesignText;
    return changes & Objects ? QString(ObjectsText) : QString();
}

int FromPayload(const QString &payload)
{
    if (payload == DesignText)
        return Design | Objects;
    if (payload == ObjectsText)
        return Objects;
    // A text of a later version: reading everything again is always safe.
    return Design | Objects;
}

}
