#include "catalogs/layouttext.h"

#include <QRegularExpression>

namespace Layout {

namespace {
const QString BackgroundMarker = QStringLiteral("%Background%");
const QString ColumnsMarker = QStringLiteral("%Columns%");
const QString LabelsMarker = QStringLiteral("%Labels%");
const QString TextLabelsMarker = QStringLiteral("%TextLabels%");
const QString MemosMarker = QStringLiteral("%Memos%");
const QString ImagesMarker = QStringLiteral("%Images%");
const QString TextImagesMarker = QStringLiteral("%TextImages%");
const QString ShapesMarker = QStringLiteral("%Shapes%");
const QString GroupBoxesMarker = QStringLiteral("%GroupBoxes%");
const QString EndMarker = QStringLiteral("%End%");

// A text has no escaping: a line break inside it would split the record.
QString OneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

class Writer
{
public:
    void text(const QString &value) { m_lines << OneLine(value); }
    void number(int value) { m_lines << QString::number(value); }
    void color(Color value) { m_lines << ColorText(value); }
    QString result() const
    {
        QString all;
        for (const QString &line : m_lines)
            all += line + QLatin1String("\r\n");
        return all;
    }

private:
    QStringList m_lines;
};

struct ReadFailure
{
    QString message;
};

// Lines by index from 0; a line past the end reads as empty text, but a number or colour expected there
// means the text ends before its next marker.
class Reader
{
public:
    explicit Reader(const QString &text) : m_lines(text.split(QRegularExpression(QStringLiteral("\r?\n")))) {}

    int count() const { return int(m_lines.size()); }
    QString text(int i) const { return i < count() ? m_lines[i] : QString(); }

    // The marker that ends the section now read, named when the text breaks off before it.
    void expect(const QString &marker) { m_expected = marker; }
    void failIfPastEnd(int i) const
    {
        if (i >= count())
            throw ReadFailure{QStringLiteral("Описание каталога оборвано: не найдена строка «%1».").arg(m_expected)};
    }

    int number(int i) const
    {
        failIfPastEnd(i);
        bool ok = false;
        const QString line = text(i);
        const qint64 value = line.startsWith(QLatin1Char('$')) ? line.mid(1).toLongLong(&ok, 16) : line.toLongLong(&ok, 10);
        if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()
            || (line.startsWith(QLatin1Char('$')) && line.size() == 1))
            throw ReadFailure{QStringLiteral("Ошибка в описании каталога: строка %1 «%2» не является целым числом.")
                                  .arg(i + 1).arg(line)};
        return int(value);
    }

    Color color(int i) const
    {
        failIfPastEnd(i);
        const std::optional<Color> value = ParseColor(text(i));
        if (!value)
            throw ReadFailure{QStringLiteral("Ошибка в описании каталога: строка %1 «%2» не является цветом.")
                                  .arg(i + 1).arg(text(i))};
        return *value;
    }

    // Reads the records of one section, starting at the marker line `p`, until `next` stands on the
    // following line; returns the index of `next`.
    template <typename Record, typename ReadOne>
    int section(int p, const QString &next, QList<Record> &into, int lineCount, ReadOne readOne)
    {
        expect(next);
        for (;;) {
            failIfPastEnd(p + 1);
            if (text(p + 1) == next)
                return p + 1;
            into << readOne(p + 1);
            p += lineCount;
        }
    }

private:
    QStringList m_lines;
    QString m_expected;
};
}

const QStringList &Markers()
{
    static const QStringList markers{BackgroundMarker, ColumnsMarker, LabelsMarker, TextLabelsMarker, MemosMarker,
                                     ImagesMarker, TextImagesMarker, ShapesMarker, GroupBoxesMarker, EndMarker};
    return markers;
}

bool IsMarker(const QString &line)
{
    return Markers().contains(line);
}

QString TextImageFile(int k)
{
    return QStringLiteral("Image%1.jpg").arg(k);
}

QString CatalogFolder(const QString &databasePath, const QString &name)
{
    QString folder = databasePath;
    if (folder.size() >= 4)
        folder[folder.size() - 4] = QLatin1Char('_');
    return folder + QLatin1Char('_') + name;
}

QString Write(const Catalog &catalog)
{
    Writer w;
    w.text(BackgroundMarker);
    if (!catalog.backgroundFile.isEmpty())
        w.text(BackgroundFile);
    w.text(ColumnsMarker);
    for (bool shown : catalog.columns)
        w.text(shown ? QStringLiteral("-1") : QStringLiteral("0"));

    const auto label = [&w](const Label &l) {
        w.text(l.text);
        w.color(l.fontColor);
        w.number(l.fontSize);
        w.text(l.fontName);
        w.number(l.left);
        w.number(l.top);
    };
    w.text(LabelsMarker);
    for (const FieldLabel &l : catalog.fieldLabels) {
        if (!l.text.isEmpty())
            label(l);
    }
    w.text(TextLabelsMarker);
    for (const TextLabel &l : catalog.textLabels)
        label(l);

    w.text(MemosMarker);
    for (const FieldMemo &m : catalog.memos) {
        w.text(m.text);
        w.color(m.background);
        w.color(m.fontColor);
        w.number(m.fontSize);
        w.text(m.fontName);
        for (int v : {m.width, m.height, m.left, m.top})
            w.number(v);
    }
    w.text(ImagesMarker);
    for (const FieldImage &i : catalog.fieldImages) {
        w.text(i.fieldName);
        for (int v : {i.width, i.height, i.left, i.top})
            w.number(v);
    }
    w.text(TextImagesMarker);
    for (int k = 0; k < catalog.textImages.size(); ++k) {
        const TextImage &i = catalog.textImages[k];
        w.text(QStringLiteral("TextImage%1.jpg").arg(k));
        for (int v : {i.width, i.height, i.left, i.top})
            w.number(v);
    }
    w.text(ShapesMarker);
    for (const Frame &f : catalog.frames) {
        w.color(f.penColor);
        for (int v : {f.penWidth, f.width, f.height, f.left, f.top})
            w.number(v);
    }
    w.text(GroupBoxesMarker);
    for (const ReferenceList &r : catalog.referenceLists) {
        w.color(r.background);
        w.color(r.fontColor);
        w.number(r.fontSize);
        w.text(r.fontName);
        for (int v : {r.width, r.height, r.left, r.top})
            w.number(v);
    }
    w.text(EndMarker);
    return w.result();
}

ReadResult Read(const QString &text)
{
    ReadResult result;
    Catalog &c = result.catalog;
    Reader r(text);
    try {
        // Line 0 is the background marker; line 1 names the picture unless the columns follow at once.
        int p = 1;
        r.expect(ColumnsMarker);
        r.failIfPastEnd(1);
        if (r.text(1) != ColumnsMarker) {
            c.backgroundFile = r.text(1);
            p = 2;
            r.failIfPastEnd(p);
            if (r.text(p) != ColumnsMarker)
                throw ReadFailure{QStringLiteral("Описание каталога повреждено: не найдена строка «%1».").arg(ColumnsMarker)};
        }
        r.expect(LabelsMarker);
        for (int k = 1;; ++k) {
            r.failIfPastEnd(p + k);
            if (r.text(p + k) == LabelsMarker) {
                p += k;
                break;
            }
            c.columns << (r.number(p + k) != 0);
        }

        const auto label = [&r](int i) {
            return Label{r.text(i), r.color(i + 1), r.number(i + 2), r.text(i + 3), r.number(i + 4), r.number(i + 5)};
        };
        p = r.section(p, TextLabelsMarker, c.fieldLabels, 6, label);
        p = r.section(p, MemosMarker, c.textLabels, 6, label);
        p = r.section(p, ImagesMarker, c.memos, 9, [&r](int i) {
            return FieldMemo{r.text(i), r.color(i + 1), r.color(i + 2), r.number(i + 3), r.text(i + 4),
                             r.number(i + 5), r.number(i + 6), r.number(i + 7), r.number(i + 8)};
        });
        p = r.section(p, TextImagesMarker, c.fieldImages, 5, [&r](int i) {
            return FieldImage{r.text(i), r.number(i + 1), r.number(i + 2), r.number(i + 3), r.number(i + 4)};
        });
        p = r.section(p, ShapesMarker, c.textImages, 5, [&r](int i) {
            return TextImage{r.number(i + 1), r.number(i + 2), r.number(i + 3), r.number(i + 4)};
        });
        p = r.section(p, GroupBoxesMarker, c.frames, 6, [&r](int i) {
            return Frame{r.color(i), r.number(i + 1), r.number(i + 2), r.number(i + 3), r.number(i + 4), r.number(i + 5)};
        });
        r.section(p, EndMarker, c.referenceLists, 8, [&r](int i) {
            return ReferenceList{r.color(i), r.color(i + 1), r.number(i + 2), r.text(i + 3),
                                 r.number(i + 4), r.number(i + 5), r.number(i + 6), r.number(i + 7)};
        });
    } catch (const ReadFailure &failure) {
        result.error = failure.message;
    }
    return result;
}

}
