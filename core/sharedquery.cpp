#include "core/sharedquery.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"

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

void SharedQuery::close()
{
    const bool wasOpen = m_open;
    // Assigning a fresh query (not clear()) drops every reference to the driver, which is gone once the
    // connection is removed.
    finishCursor();
    m_record = QSqlRecord();
    m_pages.clear();
    m_pageReader = nullptr;
    m_open = false;
    m_current = -1;
    m_cursorRow = 0;
    m_rowsKnown = 0;
    m_allRead = false;
    if (wasOpen)
        Q_EMIT rowsReplaced();
}

void SharedQuery::finishCursor()
{
    m_cursor.finish();
    m_cursor = QSqlQuery();
}

QList<QVariantList> SharedQuery::readAll(const QString &text, const QVariantList &values)
{
    open(text, values);
    QList<QVariantList> rows;
    rows.reserve(m_rowsKnown);
    for (int index = 0; index < m_rowsKnown; ++index)
        rows << *row(index);
    close();
    return rows;
}

void SharedQuery::open()
{
    close();
    // A server answers one statement at a time on a connection: there a lazy query reads its first rows
    // and then page by page, instead of keeping its statement pending.
    const bool pageByPage = m_lazy && m_module->engine() != EngineKind::File;
    m_cursor = QSqlQuery(m_module->database());
    m_cursor.setForwardOnly(true);
    if (!Engine::Run(m_cursor, pageByPage ? sql() + QLatin1String(" LIMIT ?") : sql(),
                     pageByPage ? m_values + QVariantList{FirstServerRows} : m_values)) {
        const QSqlError error = m_cursor.lastError();
        finishCursor();
        throw DbError(EngineErrorText(error));
    }
    m_record = m_cursor.record();
    m_open = true;
    if (pageByPage) {
        readFromCursor(FirstServerRows);
        finishCursor();
    } else if (m_lazy) {
        readRows(1);
    } else {
        recordCount();
    }
    m_current = 0;
    Q_EMIT rowsReplaced();
}

void SharedQuery::execSql()
{
    close();
    QSqlQuery query(m_module->database());
    if (!Engine::Run(query, sql(), m_values))
        throw DbError(EngineErrorText(query.lastError()));
    m_module->NoteWrite(sql());
}

void SharedQuery::storeRow(int index, QVariantList values)
{
    Page &page = m_pages[index / PageSize];
    page.lastUse = ++m_useClock;
    const int offset = index % PageSize;
    if (offset < page.rows.size())
        page.rows[offset] = std::move(values);
    else if (offset == page.rows.size())
        page.rows.append(std::move(values));
}

void SharedQuery::learnRows(int firstRow, int count, bool reachedEnd)
{
    m_rowsKnown = std::max(m_rowsKnown, firstRow + count);
    if (reachedEnd) {
        m_rowsKnown = firstRow + count;
        m_allRead = true;
        // Nothing left to read: the statement must not stay pending on the connection.
        finishCursor();
    }
}

bool SharedQuery::readFromCursor(int rowCount)
{
    if (!m_cursor.isActive())
        return false;
    const int columns = m_record.count();
    while (m_cursorRow < rowCount) {
        if (!m_cursor.next()) {
            if (m_cursor.lastError().isValid())
                throw DbError(EngineErrorText(m_cursor.lastError()));
            learnRows(m_cursorRow, 0, true);
            return true;
        }
        QVariantList values;
        values.reserve(columns);
        for (int column = 0; column < columns; ++column)
            values << m_cursor.value(column);
        storeRow(m_cursorRow++, std::move(values));
        learnRows(m_cursorRow - 1, 1, false);
        if (m_cursorRow % PageSize == 0)
            dropPagesBeyondLimit();
    }
    dropPagesBeyondLimit();
    return true;
}

QList<QVariantList> SharedQuery::readByOffset(int firstRow, int count) const
{
    QSqlQuery query(m_module->database());
    query.setForwardOnly(true);
    QVariantList values = m_values;
    values << count << firstRow;
    if (!Engine::Run(query, sql() + QLatin1String(" LIMIT ? OFFSET ?"), values))
        throw DbError(EngineErrorText(query.lastError()));
    return RowsOf(query);
}

QList<QVariantList> SharedQuery::RowsOf(QSqlQuery &query)
{
    QList<QVariantList> rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int column = 0; column < columns; ++column)
            row << query.value(column);
        rows << std::move(row);
    }
    if (query.lastError().isValid())
        throw DbError(EngineErrorText(query.lastError()));
    return rows;
}

void SharedQuery::readPage(int page)
{
    const int firstRow = page * PageSize;
    // Reading on from the cursor is cheapest when it stands within reach.
    if (m_cursor.isActive() && m_cursorRow >= firstRow && m_cursorRow - firstRow < PageSize) {
        readFromCursor(firstRow + PageSize);
        return;
    }
    if (m_cursor.isActive() && m_cursorRow < firstRow && firstRow - m_cursorRow <= 2 * PageSize) {
        readFromCursor(firstRow + PageSize);
        return;
    }
    // Reading on past all that is known is most likely to go on: there several pages come in one statement.
    const int count = !m_allRead && page == m_rowsKnown / PageSize ? ReadAheadPages * PageSize : PageSize;
    std::optional<QList<QVariantList>> rows;
    if (m_pageReader)
        rows = m_pageReader(firstRow, count);
    placeRows(firstRow, rows ? *rows : readByOffset(firstRow, count));
}

void SharedQuery::placeRows(int firstRow, const QList<QVariantList> &rows)
{
    if (!m_open || firstRow < 0 || firstRow % PageSize)
        return;
    for (int offset = 0; offset < rows.size(); ++offset)
        storeRow(firstRow + offset, rows[offset]);
    learnRows(firstRow, int(rows.size()), rows.size() % PageSize != 0 || rows.isEmpty());
    dropPagesBeyondLimit();
}

void SharedQuery::dropPagesBeyondLimit()
{
    if (!m_lazy || m_pages.size() <= MaxCachedPages)
        return;
    // The page of the current row and the one the cursor fills stay.
    const int keepCurrent = m_current >= 0 ? m_current / PageSize : -1;
    const int keepCursor = m_cursorRow / PageSize;
    while (m_pages.size() > MaxCachedPages) {
        auto oldest = m_pages.end();
        for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
            if (it.key() != keepCurrent && it.key() != keepCursor
                && (oldest == m_pages.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        }
        if (oldest == m_pages.end())
            return;
        m_pages.erase(oldest);
    }
}

const QVariantList *SharedQuery::row(int index) const
{
    if (!m_open || index < 0)
        return nullptr;
    auto *self = const_cast<SharedQuery *>(this);
    const int page = index / PageSize;
    auto found = self->m_pages.find(page);
    if (found == self->m_pages.end() || index % PageSize >= found->rows.size()) {
        if (m_allRead && index >= m_rowsKnown)
            return nullptr;
        self->readPage(page);
        found = self->m_pages.find(page);
        if (found == self->m_pages.end() || index % PageSize >= found->rows.size())
            return nullptr;
    }
    found->lastUse = ++self->m_useClock;
    return &found->rows[index % PageSize];
}

int SharedQuery::readRows(int count)
{
    while (m_open && !m_allRead && m_rowsKnown < count) {
        const int before = m_rowsKnown;
        if (m_cursor.isActive() && m_cursorRow == m_rowsKnown)
            readFromCursor(count);
        else
            readPage(m_rowsKnown / PageSize);
        if (m_rowsKnown == before && !m_allRead)
            break;
    }
    return m_rowsKnown;
}

int SharedQuery::recordCount()
{
    while (!m_allRead && m_open)
        readRows(m_rowsKnown + 4 * PageSize);
    return m_rowsKnown;
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
    if (m_current < m_rowsKnown)
        return false;
    const_cast<SharedQuery *>(this)->readRows(m_current + 1);
    return m_current >= m_rowsKnown;
}

bool SharedQuery::isEmpty() const
{
    if (!m_open)
        return true;
    const_cast<SharedQuery *>(this)->readRows(1);
    return m_rowsKnown == 0;
}

bool SharedQuery::setRecNo(int rowNumber)
{
    if (!m_open || rowNumber < 1)
        return false;
    readRows(rowNumber);
    if (rowNumber > m_rowsKnown)
        return false;
    moveTo(rowNumber - 1);
    return true;
}

QStringList SharedQuery::columnNames() const
{
    QStringList names;
    for (int i = 0; i < m_record.count(); ++i)
        names << m_record.fieldName(i);
    return names;
}

int SharedQuery::columnIndex(const QString &column) const
{
    return m_record.indexOf(column);
}

QVariant SharedQuery::value(const QString &column) const
{
    const QVariantList *values = eof() ? nullptr : row(m_current);
    if (!values)
        throw DbError(QStringLiteral("Нет текущей записи (%1)").arg(m_name));
    const int index = columnIndex(column);
    if (index < 0)
        throw DbError(QStringLiteral("Поле %1 не найдено").arg(column));
    return values->value(index);
}

QVariant SharedQuery::valueAt(int rowIndex, int columnIndex) const
{
    const QVariantList *values = row(rowIndex);
    return values ? values->value(columnIndex) : QVariant();
}

QVariant SharedQuery::cachedValueAt(int rowIndex, int columnIndex) const
{
    const auto found = m_pages.constFind(rowIndex / PageSize);
    if (rowIndex < 0 || found == m_pages.cend() || rowIndex % PageSize >= found->rows.size())
        return {};
    return found->rows[rowIndex % PageSize].value(columnIndex);
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
