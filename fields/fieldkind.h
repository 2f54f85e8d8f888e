#pragma once

#include "core/fieldkinds.h"

#include <QDate>
#include <QList>
#include <QTime>
#include <QString>
#include <QVariant>

// One description field as the field query lists it.
struct DescriptionField
{
    qint64 id = 0;
    QString name;
    QString typeName;
    bool lookup = false;

    FieldKind kind() const { return lookup ? FieldKind::Lookup : FieldKinds::OfTypeName(typeName); }
    // The column of GENER that holds the field.
    QString column() const;
    // The column of the object list that shows the field: the lookup text or the stored value.
    QString listColumn() const;
    // Pictures and long texts are fetched with the list but have no grid column.
    bool hasGridColumn() const { return FieldKinds::Info(kind()).gridColumn; }
};

// Numbers of both number kinds are kept within this limit either way.
constexpr qint64 StoredNumberLimit = 1000000000;
// The most characters a string field (and a lookup entry) holds, on every way in.
constexpr int StringLengthLimit = 50;
// Why `text` cannot be stored in the string field `field` (too long); empty when it can.
QString TooLongText(const DescriptionField &field, const QString &text);
int TextLength(const QString &text);
// The first StringLengthLimit characters of `text`.
QString ShortenedText(const QString &text);

// Dates and times as a person types them (and as files made by hand hold them). A date is day, month
// and year in the interface's order with ".", "/" or "-" between them (15.03.2019, 15/3/19), or year
// first (2019-03-15); a two-digit year is the latest such year not after the current one (19 -> 2019,
// 45 -> 1945). A time is H:mm or H:mm:ss. An empty text is no value (`ok` set, an invalid date).
QDate ReadTypedDate(const QString &text, bool *ok);
QTime ReadTypedTime(const QString &text, bool *ok);
// How the editor writes a date or a time for the user to read and type again.
QString TypedDateText(const QDate &date);
QString TypedTimeText(const QTime &time);

// The value the column of a (not lookup-backed) field receives for what its input holds: text for
// numbers and strings (long texts with "\n" between lines), QDate or typed text for dates, QTime or
// typed text for times, bool, and for pictures the file's bytes (NULL unless `pictureChosen`). Numbers
// are read by the typed-number rule. Throws DbError naming the field for a text that is no number in
// range, no date or time, or a string longer than the field holds.
QVariant StoredValue(const DescriptionField &field, const QVariant &value, bool pictureChosen);

// A long text as stored: every line followed by a carriage return; an empty text stays empty.
QString LongTextForStorage(const QString &text);
// The stored long text as lines for the editor.
QString LongTextForEditor(const QString &stored);

// Times as the user's locale writes them, without a time zone (the stored times have none).
QString TimeDisplayFormat();

// A stored value as the user reads it, in the user's locale: dates and times localized, yes/no as
// "Да"/"Нет", reals with the locale's decimal sign, long texts with their line breaks; pictures have none.
QString DisplayText(const DescriptionField &field, const QVariant &stored);
// The same for grids: numbers stay numbers so that the view formats and aligns them.
QVariant DisplayValue(const DescriptionField &field, const QVariant &stored);

// A stored value as files exchange it (CSV): dates and times in ISO form, numbers with a point and no
// thousands separator, yes/no as "Да"/"Нет", long texts with their line breaks; pictures have none.
QString ExchangeText(const DescriptionField &field, const QVariant &stored);
// A value read from a file as the input StoredValue takes: dates and times as typed ones, numbers as
// typed ones (StoredValue reads them), yes/no as Да/Нет, 1/0/-1, true/false. Throws DbError naming the
// field for a value that is none of these.
QVariant ExchangeInput(const DescriptionField &field, const QString &text);
