#include "objects/objectimport.h"

#include "core/dberror.h"
#include "core/dmodule.h"

#include <QDateTime>
#include <QFileInfo>

QList<int> MatchCsvHeader(const QStringList &header, const QList<DescriptionField> &fields)
{
    QList<int> mapping;
    QList<bool> taken(fields.size(), false);
    for (const QString &title : header) {
        int match = -1;
        for (int i = 0; i < fields.size() && match < 0; ++i) {
            if (!taken[i] && fields[i].kind() != FieldKind::Image
                && fields[i].name.trimmed().compare(title.trimmed(), Qt::CaseInsensitive) == 0)
                match = i;
        }
        if (match >= 0)
            taken[match] = true;
        mapping << match;
    }
    return mapping;
}

QString ImportProblem::text() const
{
    if (column == 0)
        return QStringLiteral("Строка %1: %2").arg(line).arg(reason);
    return QStringLiteral("Строка %1, столбец %2: %3").arg(line).arg(column).arg(reason);
}

namespace {
// Reads the records of a source converted to field inputs, one at a time.
class ImportRows
{
public:
    ImportRows(const CsvImportSource &source, const QList<DescriptionField> &fields)
        : m_reader(source.path, source.encoding), m_fields(fields), m_encodingSure(source.encodingSure),
          m_fileColumn(fields.size(), -1)
    {
        for (int column = 0; column < source.mapping.size(); ++column) {
            if (source.mapping[column] >= 0 && source.mapping[column] < fields.size())
                m_fileColumn[source.mapping[column]] = column;
        }
        CsvRecord header;
        m_reader.next(header);
    }

    // The next data record's inputs (pictures left out) and its problems; false after the last.
    bool next(QList<FieldInput> &inputs, QList<ImportProblem> &problems)
    {
        CsvRecord record;
        if (!m_reader.next(record))
            return false;
        inputs.clear();
        problems.clear();
        for (int f = 0; f < m_fields.size(); ++f) {
            const DescriptionField &field = m_fields[f];
            if (field.kind() == FieldKind::Image)
                continue;
            const int column = m_fileColumn[f];
            const QString text = ReadBackSpreadsheetText(column >= 0 ? record.fields.value(column) : QString());
            FieldInput input{field, text};
            try {
                check(field, text, input);
            } catch (const DbError &error) {
                problems << ImportProblem{record.line, column + 1, error.message()};
            }
            inputs << input;
        }
        return true;
    }

private:
    void check(const DescriptionField &field, const QString &text, FieldInput &input) const
    {
        // A byte the chosen reading could not read would be stored as a replacement mark.
        if (!m_encodingSure && text.contains(QChar::ReplacementCharacter))
            throw DbError(QStringLiteral("значение поля \"%1\" не читается в выбранной кодировке файла: "
                                         "выберите другую кодировку").arg(field.name));
        // The editor takes a text of spaces, so the file that exports it takes it back too.
        if (FieldKinds::Info(field.kind()).required && text.isEmpty())
            throw DbError(QStringLiteral("не заполнено поле \"%1\"").arg(field.name));
        if (field.kind() == FieldKind::Lookup) {
            const QString tooLong = TooLongText(field, text);
            if (!tooLong.isEmpty())
                throw DbError(tooLong);
        } else {
            input.value = ExchangeInput(field, text);
            StoredValue(field, input.value, false);
        }
    }

    CsvReader m_reader;
    const QList<DescriptionField> &m_fields;
    bool m_encodingSure;
    QList<int> m_fileColumn;   // per field, the file column that fills it, -1 when none
};

constexpr int KeptProblems = 1000;

QFileInfo fileAsIs(const QString &path)
{
    QFileInfo info(path);
    info.setCaching(false);
    return info;
}
}

ImportCheck CheckCsvImport(const CsvImportSource &source, const QList<DescriptionField> &fields,
                           const std::function<bool(int done)> &progress)
{
    ImportCheck check;
    const QFileInfo file = fileAsIs(source.path);
    check.fileSize = file.size();
    check.fileModified = file.lastModified().toMSecsSinceEpoch();
    ImportRows rows(source, fields);
    QList<FieldInput> inputs;
    QList<ImportProblem> problems;
    while (rows.next(inputs, problems)) {
        ++check.rows;
        if (!problems.isEmpty()) {
            ++check.failingRows;
            check.problemCount += int(problems.size());
            check.problems << problems.mid(0, KeptProblems - check.problems.size());
        }
        if (progress && check.rows % 1000 == 0 && !progress(check.rows)) {
            check.cancelled = true;
            break;
        }
    }
    return check;
}

bool DatabaseHasObjects(TDModule &module)
{
    return !module.QRWork->readAll(QStringLiteral("SELECT G_ID FROM GENER LIMIT 1")).isEmpty();
}

int WriteImportedObjects(TDModule &module, const CsvImportSource &source, const QList<DescriptionField> &fields,
                         const ImportCheck &check, bool skipFailing, const std::function<bool(int done)> &progress)
{
    if (check.cancelled)
        throw DbError(QStringLiteral("Проверка файла была прервана: ни один объект не добавлен"));
    if (check.failingRows > 0 && !skipFailing)
        throw DbError(QStringLiteral("Строки с ошибками не загружены: ни один объект не добавлен"));
    const DbError changed(QStringLiteral("Файл %1 изменился после проверки: ни один объект не добавлен. "
                                         "Начните импорт снова.").arg(QFileInfo(source.path).fileName()));
    const QFileInfo file = fileAsIs(source.path);
    if (file.size() != check.fileSize || file.lastModified().toMSecsSinceEpoch() != check.fileModified)
        throw changed;
    ImportRows rows(source, fields);
    QList<FieldInput> inputs;
    QList<ImportProblem> problems;
    int added = 0, read = 0, failing = 0;
    const bool whole = AddObjectsAsOne(
        module,
        [&](ObjectRowBatch &batch, qint64 first) {
            while (rows.next(inputs, problems)) {
                ++read;
                if (!problems.isEmpty()) {
                    ++failing;
                    continue;
                }
                batch.insert(first + added, inputs);
                ++added;
                if (progress && added % 1000 == 0 && !progress(added))
                    return false;
            }
            // Rows that fail now but passed the check, or the other way round: the file is not the one checked.
            if (read != check.rows || failing != check.failingRows)
                throw changed;
            return true;
        },
        // The new objects' keys, with the import's window kept alive.
        [&](qint64, qint64) {
            if (progress)
                progress(added);
        });
    return whole ? added : 0;
}
