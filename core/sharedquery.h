#pragma once

#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

// One of the data module's shared queries: a statement kept as lines, opened (rows, read lazily
// and cached, so any row can be revisited) or executed (no rows), and a current row read by column name.
// Every failure throws DbError with the engine's text.
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

    // Rows of an open statement; row numbers count from 1.
    bool first();
    bool next();
    bool eof() const;
    bool isEmpty() const;
    int recNo() const { return m_current + 1; }
    bool setRecNo(int rowNumber);
    int recordCount();            // reads every remaining row
    bool allRowsRead() const { return m_allRead; }
    int rowsRead() const { return m_rowsRead; }
    // Reads rows until at least `count` rows are cached (or the end); returns the rows now known.
    int readRows(int count);

    QStringList columnNames() const;
    int columnIndex(const QString &column) const;
    QVariant value(const QString &column) const;
    QVariant valueAt(int row, int columnIndex) const;   // 0-based row, does not move the current row
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
    void failIfError(bool ok, const char *what);
    bool run(QSqlQuery &query) const;
    bool seekRow(int row) const;
    void moveTo(int row);

    TDModule *m_module;
    QString m_name;
    QStringList m_lines;
    QVariantList m_values;
    mutable QSqlQuery m_query;
    bool m_open = false;
    bool m_lazy = false;
    int m_current = -1;
    int m_rowsRead = 0;
    bool m_allRead = false;
    QString m_editTable, m_editKey;
    QVariantMap m_pending;
};
