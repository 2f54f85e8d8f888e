#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

#include "fields/fieldkind.h"
#include "objects/listorder.h"

class PageStatements;
class SharedQuery;
class TDModule;

// Runs the field query on QRFields and walks its rows from the first.
QList<DescriptionField> ReadDescriptionFields(TDModule &module);

// The stored picture of an image field of one object; empty when it has none.
QByteArray ReadObjectPicture(TDModule &module, qint64 objectId, const DescriptionField &field);

// The 1-based row of `list` whose G_ID is `objectId`, by reading the list from the top; 0 when it does not
// hold it (`progress`, told the rows read so far, may give up by returning false).
int FindObjectRow(SharedQuery &list, qint64 objectId, const std::function<bool(int rowsRead)> &progress = {});

// The objects of the open `list` in its order (its filter and search applied); the current row stays.
QList<qint64> ListedObjectIds(SharedQuery &list);

// The first words of every message about another user's change of the design.
extern const QString DesignChangedElsewhereText;

struct FilterEvaluation;

// The object list: the one statement the view/fill mode, the object editor, the catalog designer and the
// running catalog read on QRGeneral, and the one place that composes it. It is made of five pieces (the
// columns, the lookup lists joined, their join conditions, the filter, the order) and the quick search's
// condition with its values. Every change goes through an operation here; the windows follow the signals.
class ObjectList : public QObject
{
    Q_OBJECT
public:
    explicit ObjectList(TDModule &module, QObject *parent = nullptr);
    ~ObjectList() override;

    // The list of the module's connection, shared by every window working on it (made on first use).
    static ObjectList &Of(TDModule &module);

    TDModule &module() const { return m_module; }
    SharedQuery &rows() const;

    // The statement that reads one object with the list's columns (its G_ID bound as the only value).
    static QString OneObjectStatement(const QList<DescriptionField> &fields);

    // Composes the list anew for these fields (read from the database when none are given): every
    // object in the order of addition, no filter, no search. Does not open it.
    void compose(const QList<DescriptionField> &fields);
    void compose();
    // Every object, unsorted, with the columns composed last; opens the list. Throws DbError.
    void openWhole();
    // Opens the list with its filter, search and order at its first row. Throws DbError.
    void open();
    // Opens it again with everything kept, the current object staying current; when it is no longer
    // listed, the row that took its place (or the last). After the connection was opened again, the
    // object current before is current again. Throws DbError.
    void reopenKeepingCurrent();
    // Another user changed the design: composed anew for the fields now, every object, unsorted, the
    // current object kept. Returns the names of the fields the list showed before that are gone.
    // Throws DbError.
    QStringList reloadAfterDesignChange();

    // Sorts by the field captioned `caption`, ascending, or descending when sorted ascending by it
    // already, and opens the list. False (nothing changed) when no field has that name. When the opening
    // fails the order stays as it was and DbError is thrown.
    bool sortByTitle(const QString &caption);
    // Sorts by an order made elsewhere (the objects' numbers) and opens the list. Throws DbError.
    void sortBy(const ListOrder &order);
    // Evaluates the filter entries' conditions (objects/objectfilter.h) and opens the list with the
    // objects that pass; the filter changes only when the evaluation succeeds. Throws DbError.
    FilterEvaluation applyFilter(const QStringList &conditions);
    // Shows only the objects whose shown text in one of `fields` contains `text` (empty: all) and opens
    // the list. Throws DbError.
    void applySearch(const QList<DescriptionField> &fields, const QString &text);

    // The 1-based row of the object in the open list, 0 when not listed. The objects before it are
    // counted by the engine and the rows around it read, so it takes the same time wherever the object
    // stands; only a list whose order cannot be sought is read from the top (see FindObjectRow).
    int locate(qint64 objectId, const std::function<bool(int rowsRead)> &progress = {});
    // Makes the object current when listed; false when not.
    bool makeCurrent(qint64 objectId, const std::function<bool(int rowsRead)> &progress = {});

    // The whole statement, as the list runs it (its search values bound).
    QString statement() const;
    // The columns and tables of the list without filter, search and order.
    QString unfilteredStatement() const { return SelectPart + FromPart + WherePart; }
    // The names of the fields composed last.
    const QList<DescriptionField> &fields() const { return m_fields; }
    // Whether the list was ever composed: before that there is nothing to open.
    bool composed() const { return !SelectPart.isEmpty(); }
    bool filtered() const { return !FilterPart.isEmpty(); }
    bool searched() const { return !SearchPart.isEmpty(); }
    // The order the list is in, when it can seek by it.
    std::optional<ListOrder> order() const;
    // The order of the last title click, while the list is still sorted by it.
    std::optional<ListOrder> titleOrder() const;

Q_SIGNALS:
    // The list was opened again (or closed): every row read before is gone.
    void reopened();
    // Another object is current.
    void currentChanged(qint64 objectId);

private:
    QString listRows(const QString &select, const QString &condition = QString()) const;
    void remember();
    void resetChoices();
    std::optional<QVariantList> objectKeys(const ListOrder &order, qint64 objectId, PageStatements *statements = nullptr) const;
    QList<QVariantList> readAfter(const ListOrder &order, const QVariantList &keys, int count, PageStatements *statements = nullptr) const;
    qint64 countBefore(const ListOrder &order, const QVariantList &keys) const;
    bool lookupValuesIntact() const;
    std::optional<QList<QVariantList>> readPageByKeys(const ListOrder &order, int firstRow, int count, PageStatements &statements) const;

    TDModule &m_module;
    QString SelectPart;
    QString FromPart;
    QString WherePart;
    QString FilterPart;
    QString OrderPart;
    // The quick search: a bare condition joined before OrderPart, and the values bound to it.
    QString SearchPart;
    QVariantList SearchValues;
    ListOrder SortedBy;   // the order OrderPart stands for
    QStringList m_joinedLookups;   // the lookup lists FromPart joins
    QList<DescriptionField> m_fields;
    // The object current last and its row, kept while the list is closed (a lost connection).
    qint64 m_lastCurrent = 0;
    int m_lastRow = 0;
    // Learnt once per opened database, forgotten as its connection closes.
    mutable std::optional<bool> m_lookupValuesIntact;
    friend void ForgetLookupValuesIntact(TDModule &module);
};

// Forgets what the list learnt about the module's database (whether its lookup values are intact);
// called as its connection closes.
void ForgetLookupValuesIntact(TDModule &module);
