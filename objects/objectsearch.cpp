// The parts of the quick search every engine shares: what a text looks for, and the hits in the index's texts.
#include "objects/searchengine.h"

#include "core/collation.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <cstring>

namespace {
// Whether a value of this kind can show the text at all: numbers and yes/no have a small alphabet,
// dates and times too unless the locale writes them with names. Columns that cannot are not read.
bool kindCanShow(FieldKind kind, const QString &folded)
{
    const auto onlyOf = [&](const QString &alphabet) {
        for (const QChar ch : folded) {
            if (!alphabet.contains(ch))
                return false;
        }
        return true;
    };
    const auto shownAlphabet = [](const QString &sample) {
        QString alphabet = QStringLiteral("0123456789");
        for (const QChar ch : QString::fromUtf8(FoldForMatching(sample)))
            if (!ch.isDigit())
                alphabet += ch;
        return alphabet;
    };
    const QLocale locale;
    switch (kind) {
    case FieldKind::Integer:
        return onlyOf(QStringLiteral("-0123456789"));
    case FieldKind::Real:
        return onlyOf(QStringLiteral("-+0123456789e") + locale.decimalPoint() + locale.exponential().toLower());
    case FieldKind::Boolean:
        return QString::fromUtf8(FoldForMatching(QStringLiteral("Да"))).contains(folded)
               || QString::fromUtf8(FoldForMatching(QStringLiteral("Нет"))).contains(folded);
    case FieldKind::Date: {
        const QString sample = locale.toString(QDate(2000, 12, 31), QLocale::ShortFormat);
        return std::any_of(sample.cbegin(), sample.cend(), [](QChar ch) { return ch.isLetter(); })
               || onlyOf(shownAlphabet(sample));
    }
    case FieldKind::Time: {
        const QString sample = locale.toString(QTime(23, 59, 59), QLocale::LongFormat);
        return std::any_of(sample.cbegin(), sample.cend(), [](QChar ch) { return ch.isLetter(); })
               || onlyOf(shownAlphabet(sample));
    }
    default:
        return true;
    }
}

}

void ScanBlockText(qint64 block, const char *text, int length, const QByteArray &needle, HitSet &hits)
{
    const char *p = text, *end = text + length;
    while (end - p >= needle.size()) {
        const auto *hit = static_cast<const char *>(memmem(p, size_t(end - p), needle.constData(), size_t(needle.size())));
        if (!hit)
            return;
        const auto *record = static_cast<const char *>(memrchr(text, '\x1F', size_t(hit - text)));
        const auto *textStart = record ? static_cast<const char *>(memchr(record, '\x1E', size_t(hit - record))) : nullptr;
        if (!textStart) {
            p = hit + 1;   // inside an object number
            continue;
        }
        hits.mark((block << SearchBlockShift) + QByteArray::fromRawData(record + 1, int(textStart - record - 1)).toLongLong());
        const auto *next = static_cast<const char *>(memchr(hit, '\x1F', size_t(end - hit)));
        p = next ? next : end;
    }
}

QList<DescriptionField> FieldsOfList(const QByteArray &fieldList)
{
    QList<DescriptionField> fields;
    for (const QByteArray &part : fieldList.split(',')) {
        const int colon = part.indexOf(':');
        if (colon < 0)
            continue;
        DescriptionField field;
        field.id = part.left(colon).toLongLong();
        field.typeName = FieldKinds::Info(FieldKind(part.mid(colon + 1).toInt())).typeName;
        fields << field;
    }
    return fields;
}

SearchTerms MakeSearchTerms(const QList<DescriptionField> &fields, const QString &text)
{
    SearchTerms terms;
    QByteArray folded = FoldForMatching(text);
    // The index separates its records with these two; a text holding them is read with spaces, as the index is.
    folded.replace('\x1E', ' ').replace('\x1F', ' ');
    terms.needle = QString::fromUtf8(folded);
    QStringList indexed;
    for (const DescriptionField &field : fields) {
        if (field.kind() == FieldKind::Lookup)
            terms.lookups << field;
        else if (IsSearchIndexed(field) && kindCanShow(field.kind(), terms.needle))
            indexed << QStringLiteral("%1:%2").arg(field.id).arg(int(field.kind()));
    }
    terms.fieldList = indexed.join(QLatin1Char(','));
    return terms;
}
