#include "core/sharedquery.h"

#include "core/dberror.h"
#include "core/dmodule.h"

#include <QSqlError>
#include <QSqlRecord>

SharedQuery::SharedQuery(const QString &name, TDModule *module)
    : QObject(module), m_module(module), m_name(name)
{
    setObjectName(name);
}

void SharedQuery::setSql(const QString &text, const QVariantList &values)
{
    m_lines = QStringList{text};
    m_values = values;
}

void SharedQuery::addLine(const QString &line, const QVariantList &values)
{
    m_lines.append(line);
    m_values.append(values);
}

bool SharedQuery::run(QSqlQuery &query) const
{
    if (m_values.isEmpty())
        return query.exec(sql());
    if (!query.prepare(sql()))
        return false;
    for (const QVariant &value : m_values)
        query.addBindValue(value);
    return query.exec();
}

void SharedQuery::failIfError(bool ok, const char *)
{
    if (!ok)
        throw DbError(EngineErrorText(m_query.lastError()));
}

void SharedQuery::close()
{
    const bool wasOpen = m_open;
    // Assigning a fresh query (not clear()) drops every reference to the driver, which is gone once the
    // connection is removed.
    m_query.finish();
    m_query = QSqlQuery();
    m_open = false;
    m_current = -1;
    m_rowsRead = 0;
    m_allRead = false;
    if (wasOpen)
        Q_EMIT rowsReplaced();
}

QList<QVariantList> SharedQuery::readAll(const QString &text, const QVariantList &values)
{
    open(text, values);
    const int rowCount = recordCount();
    const int columnCount = int(m_query.record().count());
    QList<QVariantList> rows;
    rows.reserve(rowCount);
    for (int row = 0; row < rowCount; ++row) {
        QVariantList rowValues;
        rowValues.reserve(columnCount);
        for (int column = 0; column < columnCount; ++column)
            rowValues << valueAt(row, column);
        rows << rowValues;
    }
    close();
    return rows;
}

void SharedQuery::open()
{
    close();
    m_query = QSqlQuery(m_module->database());
    m_query.setForwardOnly(false);
    failIfError(run(m_query), "open");
    m_open = true;
    m_rowsRead = 0;
    m_allRead = false;
    m_current = -1;
    if (m_lazy)
        readRows(1);
    else
        recordCount();
    m_current = 0;
    if (m_rowsRead > 0)
        seekRow(0);
    Q_EMIT rowsReplaced();
}

void SharedQuery::execSql()
{
    close();
    QSqlQuery query(m_module->database());
    if (!run(query))
        throw DbError(EngineErrorText(query.lastError()));
}

int SharedQuery::readRows(int count)
{
    if (!m_open || m_allRead || count <= m_rowsRead)
        return m_rowsRead;
    if (m_query.seek(count - 1)) {
        m_rowsRead = count;
    } else {
        // Past the end: the cached result knows its last row now.
        if (m_query.last())
            m_rowsRead = m_query.at() + 1;
        m_allRead = true;
    }
    if (m_current >= 0 && m_current < m_rowsRead)
        m_query.seek(m_current);
    return m_rowsRead;
}

int SharedQuery::recordCount()
{
    while (!m_allRead && m_open)
        readRows(m_rowsRead * 2 + 256);
    return m_rowsRead;
}

bool SharedQuery::seekRow(int row) const
{
    if (row < 0)
        return false;
    if (m_query.at() == row)
        return true;
    return m_query.seek(row);
}

void SharedQuery::moveTo(int row)
{
    const int before = m_current;
    m_current = row;
    if (row != before && !eof())
        Q_EMIT afterScroll();
}

bool SharedQuery::first()
{
    if (!m_open)
        return false;
    moveTo(0);
    return !eof();
}

bool SharedQuery::next()
{
    if (!m_open || eof())
        return false;
    moveTo(m_current + 1);
    return !eof();
}

bool SharedQuery::eof() const
{
    if (!m_open)
        return true;
    if (m_current < m_rowsRead)
        return false;
    const_cast<SharedQuery *>(this)->readRows(m_current + 1);
    return m_current >= m_rowsRead;
}

bool SharedQuery::isEmpty() const
{
    if (!m_open)
        return true;
    const_cast<SharedQuery *>(this)->readRows(1);
    return m_rowsRead == 0;
}

bool SharedQuery::setRecNo(int rowNumber)
{
    if (!m_open || rowNumber < 1)
        return false;
    readRows(rowNumber);
    if (rowNumber > m_rowsRead)
        return false;
    moveTo(rowNumber - 1);
    return true;
}

QStringList SharedQuery::columnNames() const
{
    QStringList names;
    const QSqlRecord record = m_query.record();
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

int SharedQuery::columnIndex(const QString &column) const
{
    return m_query.record().indexOf(column);
}

QVariant SharedQuery::value(const QString &column) const
{
    if (eof() || !seekRow(m_current))
        throw DbError(QStringLiteral("Нет текущей записи (%1)").arg(m_name));
    const int index = columnIndex(column);
    if (index < 0)
        throw DbError(QStringLiteral("Поле %1 не найдено").arg(column));
    return m_query.value(index);
}

QVariant SharedQuery::valueAt(int row, int columnIndex) const
{
    if (!m_open || !seekRow(row))
        return {};
    return m_query.value(columnIndex);
}

QString SharedQuery::asString(const QString &column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

qint64 SharedQuery::asInteger(const QString &column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    return v.toLongLong();
}

double SharedQuery::asFloat(const QString &column) const
{
    return value(column).toDouble();
}

bool SharedQuery::asBoolean(const QString &column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return v.toLongLong() != 0;
}

void SharedQuery::edit(const QString &table, const QString &keyColumn)
{
    if (eof())
        throw DbError(QStringLiteral("Нет текущей записи (%1)").arg(m_name));
    m_editTable = table;
    m_editKey = keyColumn;
    m_pending.clear();
}

void SharedQuery::setFieldValue(const QString &column, const QVariant &value)
{
    if (m_editTable.isEmpty())
        throw DbError(QStringLiteral("Набор данных не в режиме редактирования"));
    m_pending.insert(column, value);
}

void SharedQuery::post()
{
    if (m_editTable.isEmpty() || m_pending.isEmpty()) {
        m_editTable.clear();
        return;
    }
    const QVariant key = value(m_editKey);
    QStringList assignments;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        assignments << it.key() + QLatin1String(" = ?");
    QVariantList values(m_pending.cbegin(), m_pending.cend());
    values << key;
    const QString statement = QLatin1String("UPDATE ") + m_editTable + QLatin1String(" SET ")
                              + assignments.join(QLatin1String(", ")) + QLatin1String(" WHERE ") + m_editKey
                              + QLatin1String(" = ?");
    m_editTable.clear();
    m_pending.clear();
    m_module->exec(statement, values);
}
