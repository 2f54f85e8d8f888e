#pragma once

// The quick search's parts that differ by engine, behind one interface: objects/filesearch.cpp for a
// database file (the engine's own functions, called on its handle), objects/serversearch.cpp for a server
// database (its own SQL). The object list and the index's upkeep call them without asking which engine
// the connection has; the implementation is chosen once for each connection the module opens.

#include "objects/objectsearch.h"
#include "objects/searchindex.h"

#include <QSet>
#include <memory>
#include <vector>

class TDModule;

// The objects found for one search text in some fields: a bit per object number, numbers far beyond
// those the program gives (or below zero, which a file written by hand may hold) in a set of their own.
struct HitSet
{
    static constexpr qint64 BitLimit = qint64(1) << 28;
    std::vector<quint64> bits;
    QSet<qint64> others;
    qint64 count = 0;

    void mark(qint64 id)
    {
        if (id < 0 || id >= BitLimit) {
            if (!others.contains(id)) {
                others.insert(id);
                ++count;
            }
            return;
        }
        const auto word = size_t(id >> 6);
        if (word >= bits.size())
            bits.resize(word + 1 + word / 4);
        const quint64 bit = quint64(1) << (id & 63);
        if (!(bits[word] & bit)) {
            bits[word] |= bit;
            ++count;
        }
    }
    bool holds(qint64 id) const
    {
        if (id < 0 || id >= BitLimit)
            return others.contains(id);
        const auto word = size_t(id >> 6);
        return word < bits.size() && (bits[word] >> (id & 63) & 1);
    }
};


// Marks every object of a block's text ("\x1F<place in the block>\x1E<text>"...) that contains the needle.
void ScanBlockText(qint64 block, const char *text, int length, const QByteArray &needle, HitSet &hits);

// The fields of a search as the condition names them: "id:kind,id:kind".
QList<DescriptionField> FieldsOfList(const QByteArray &fieldList);

// What a search looks for: the folded text, the indexed fields that can show it ("id:kind,..."), and the
// lookup fields, whose lists are searched directly.
struct SearchTerms
{
    QString needle;
    QString fieldList;
    QList<DescriptionField> lookups;

    QString lookupList() const
    {
        QStringList ids;
        for (const DescriptionField &field : lookups)
            ids << QString::number(field.id);
        return ids.join(QLatin1Char(','));
    }
};

SearchTerms MakeSearchTerms(const QList<DescriptionField> &fields, const QString &text);

// What the index's upkeep needs of a connection, written once for both engines: the file's own handle
// (its bulk reads and writes go faster that way), or the server's connection.
class IndexConnection
{
public:
    virtual ~IndexConnection() = default;
    virtual void exec(const QString &sql, const QVariantList &values = {}) = 0;
    virtual QList<QVariantList> rows(const QString &sql, const QVariantList &values = {}) = 0;
    virtual void readBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take) = 0;
    // Writes a block's texts, one per field (an empty one is not written).
    virtual void insertBlock(qint64 block, const QList<DescriptionField> &fields, const QList<QByteArray> &texts) = 0;
};

// Gathers the folded texts of objects read in the order of their numbers into blocks.
class BlockCollector
{
public:
    BlockCollector(const QList<DescriptionField> &fields, const TakeBlock &take, ShownTextFolder &folder)
        : m_fields(fields)
        , m_take(take)
        , m_folder(folder)
        , m_texts(fields.size())
    {
    }
    // `value(i)` is the stored value of field i, as the engine gives it.
    template <typename Value>
    void add(qint64 id, const Value &value)
    {
        if (!m_holding || (id >> SearchBlockShift) != m_block) {
            finish();
            m_block = id >> SearchBlockShift;
            m_holding = true;
        }
        // Numbered within the block: shorter than the object's own number.
        const QByteArray prefix = '\x1F' + QByteArray::number(id & ((1 << SearchBlockShift) - 1)) + '\x1E';
        for (int i = 0; i < m_fields.size(); ++i) {
            QByteArray &text = m_texts[i];
            const qsizetype start = text.size();
            text += prefix;
            m_folder.append(m_fields[i].kind(), value(i), text);
            if (text.size() == start + prefix.size())
                text.truncate(start);   // no value, or one that shows nothing
        }
    }
    // Hands over the block being gathered.
    void finish()
    {
        if (m_holding)
            m_take(m_block, m_texts);
        forget();
    }
    // Forgets the block being gathered (its objects may go on beyond what was read) and tells which it was.
    qint64 forgetLast()
    {
        forget();
        return m_block;
    }

private:
    void forget()
    {
        m_holding = false;
        for (QByteArray &text : m_texts)
            text.clear();
    }
    const QList<DescriptionField> &m_fields;
    const TakeBlock &m_take;
    ShownTextFolder &m_folder;
    QList<QByteArray> m_texts;
    qint64 m_block = 0;
    bool m_holding = false;
};

// The blocks marked since they were last built.
QList<qint64> StaleBlocks(IndexConnection &index);

// The objects from number `from` to `last` (numbers, or placeholders) with the fields' columns.
QString BlockRowsStatement(const QList<DescriptionField> &fields, const QString &from, const QString &last);

class SearchEngine
{
public:
    explicit SearchEngine(TDModule &module) : m_module(module) {}
    virtual ~SearchEngine() = default;
    // The implementation for the connection the module has open, made when first asked after it opened.
    static SearchEngine &Of(TDModule &module);

    // The index's tables for one piece of upkeep.
    virtual std::unique_ptr<IndexConnection> index() = 0;
    virtual bool indexExists() = 0;
    // Makes the index's tables when missing and runs `upkeep` on them in one transaction; where the
    // engine cannot (a file that cannot be written, a user who may not make tables) the search reads the
    // objects themselves.
    virtual void ensureIndex(const std::function<void(IndexConnection &index, bool existed)> &upkeep) = 0;
    virtual void withoutTracking(const std::function<void()> &change) = 0;
    virtual void readShownBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock,
                                 const TakeBlock &take, ShownTextFolder *folder) = 0;

    // The object list's condition for `text` over `fields` (none for an empty text or no field).
    virtual SearchCondition find(const QList<DescriptionField> &fields, const QString &text) = 0;
    // Before the list with the condition `current` is opened again: the condition to open it with, so
    // that what this program and others changed since is found.
    virtual SearchCondition refreshed(const SearchCondition &current) = 0;

protected:
    TDModule &m_module;
};

std::unique_ptr<SearchEngine> MakeFileSearchEngine(TDModule &module);
std::unique_ptr<SearchEngine> MakeServerSearchEngine(TDModule &module);
