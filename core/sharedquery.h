#pragma once

#include <QHash>
#include <QObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <optional>

// One of the data module's shared queries: a statement kept as lines, opened (rows) or executed (no
// rows), and a current row read by column name. Every failure throws DbError with the engine's text.
//
// Rows are kept in pages of PageSize. A lazy query (the object list) reads pages as they are asked for
// and keeps a bounded number of them, so a list of any length costs the same memory; a page it let go
// of, or one far from where reading stopped, is read again by the page reader (by default the
// statement with LIMIT and OFFSET).
class TDModule;

class SharedQuery : public QObject
{
    Q_OBJECT
public:
    SharedQuery(const QString &name, TDModule *module);

    // The statement: replaced as a whole or extended by a further line. User texts never stand in the
    // statement: they are values bound, in order, to its "?" placeholders.
    void setSql(const QString &text, const QVariantList &values = {});
    void addLine(const QString &line, const QVariantList &values = {});
    QString sql() const { return m_lines.join(QLatin1Char('\n')); }

    void open();                  // runs the statement and moves to the first row
    void execSql();               // runs a statement without rows
    void execSql(const QString &text, const QVariantList &values = {}) { setSql(text, values); execSql(); }
    void open(const QString &text, const QVariantList &values = {}) { setSql(text, values); open(); }
    void close();
    // Runs a statement, copies every row and closes again: nothing stays pending on the connection (a
    // pending read locks its tables against DROP TABLE), and the rows outlive any later statement here.
    QList<QVariantList> readAll(const QString &text, const QVariantList &values = {});
    bool isOpen() const { return m_open; }
    // A lazy query reads its rows as they are asked for (the object list); any other reads every row when
    // opened, so it holds no statement open that would lock its tables against DROP TABLE.
    void setLazy(bool lazy) { m_lazy = lazy; }

    static constexpr int PageSize = 512;
    // What a lazy query on a server reads when opened: more than any screen shows, less than a page, as
    // every row given costs the list's view too; the page's rest is read when scrolled to.
    static constexpr int FirstServerRows = 128;
    static constexpr int MaxCachedPages = 128;
    static constexpr int ReadAheadPages = 4;

    // Every row an executed query gives, as values. Throws DbError when reading fails.
    static QList<QVariantList> RowsOf(QSqlQuery &query);
    // Reads `count` rows of the open statement from the 0-based row `firstRow` (fewer only at the end),
    // or nothing when it cannot tell them faster than LIMIT and OFFSET would.
    using PageReader = std::function<std::optional<QList<QVariantList>>(int firstRow, int count)>;
    // Replaces the default page reader for the statement now open; opening again forgets it.
    void setPageReader(PageReader reader) { m_pageReader = std::move(reader); }
    // Rows known by other means (a located object's neighbourhood), from a page's first row: whole
    // pages, or the last page of the statement when fewer than PageSize.
    void placeRows(int firstRow, const QList<QVariantList> &rows);
    int pagesHeld() const { return int(m_pages.size()); }

    // Rows of an open statement; row numbers count from 1.
    bool first();
    bool next();
    bool eof() const;
    bool isEmpty() const;
    int recNo() const { return m_current + 1; }
    bool setRecNo(int rowNumber);
    int recordCount();            // reads every remaining row
    bool allRowsRead() const { return m_allRead; }
    int rowsRead() const { return m_rowsKnown; }   // rows known to exist, read or not
    // Reads rows until at least `count` rows are known (or the end); returns the rows now known.
    int readRows(int count);

    QStringList columnNames() const;
    TDModule *module() const { return m_module; }
    int columnIndex(const QString &column) const;
    QVariant value(const QString &column) const;
    QVariant valueAt(int row, int columnIndex) const;   // 0-based row, does not move the current row
    // The same, for a row already at hand; invalid when it would have to be read.
    QVariant cachedValueAt(int row, int columnIndex) const;
    QString asString(const QString &column) const;
    qint64 asInteger(const QString &column) const;
    double asFloat(const QString &column) const;
    bool asBoolean(const QString &column) const;

    // Writing columns of the current row back to its table (pictures): edit, set values, post.
    void edit(const QString &table, const QString &keyColumn);
    void setFieldValue(const QString &column, const QVariant &value);
    void post();

Q_SIGNALS:
    void rowsReplaced();          // opened again or closed: every cached row is gone
    void afterScroll();           // the current row moved to another row

private:
    struct Page
    {
        QVector<QVariantList> rows;   // from the page's first row on
        quint64 lastUse = 0;
    };

    void moveTo(int row);
    const QVariantList *row(int row) const;
    bool readFromCursor(int rowCount);
    void readPage(int page);
    QList<QVariantList> readByOffset(int firstRow, int count) const;
    void storeRow(int row, QVariantList values);
    void learnRows(int firstRow, int count, bool reachedEnd);
    void finishCursor();
    void dropPagesBeyondLimit();

    TDModule *m_module;
    QString m_name;
    QStringList m_lines;
    QVariantList m_values;
    QSqlQuery m_cursor;           // forward only; pending while rows remain unread
    QSqlRecord m_record;
    bool m_open = false;
    bool m_lazy = false;
    int m_current = -1;
    int m_cursorRow = 0;          // rows taken from the cursor so far
    int m_rowsKnown = 0;
    bool m_allRead = false;
    QHash<int, Page> m_pages;
    quint64 m_useClock = 0;
    PageReader m_pageReader;
    QString m_editTable, m_editKey;
    QVariantMap m_pending;
};
