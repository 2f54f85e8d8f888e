#include "objects/objectimport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/searchindex.h"

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

ImportPlan ConvertCsvRecords(const CsvDocument &document, const QList<DescriptionField> &fields, const QList<int> &mapping,
                             const std::function<void(int done)> &progress)
{
    // The file column of each field, -1 when the file has none.
    QList<int> fileColumn(fields.size(), -1);
    for (int column = 0; column < mapping.size(); ++column) {
        if (mapping[column] >= 0 && mapping[column] < fields.size())
            fileColumn[mapping[column]] = column;
    }
    ImportPlan plan;
    const int count = int(document.records.size()) - 1;
    plan.rows.reserve(count);
    for (int r = 1; r <= count; ++r) {
        const CsvRecord &record = document.records[r];
        QList<FieldInput> inputs;
        bool fails = false;
        for (int f = 0; f < fields.size(); ++f) {
            const DescriptionField &field = fields[f];
            if (field.kind() == FieldKind::Image)
                continue;
            const int column = fileColumn[f];
            const QString text = ReadBackSpreadsheetText(column >= 0 ? record.fields.value(column) : QString());
            FieldInput input{field, text};
            try {
                // A byte the chosen reading could not read would be stored as a replacement mark.
                if (!document.encodingSure && text.contains(QChar::ReplacementCharacter))
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
            } catch (const DbError &error) {
                plan.problems << ImportProblem{record.line, column + 1, error.message()};
                fails = true;
            }
            inputs << input;
        }
        plan.rows << inputs;
        plan.lines << record.line;
        plan.rowFails << fails;
        if (progress && r % 1000 == 0)
            progress(r);
    }
    return plan;
}

int WriteImportedObjects(TDModule &module, const ImportPlan &plan, bool skipFailing, const std::function<bool(int done)> &progress)
{
    if (plan.failingRows() > 0 && !skipFailing)
        throw DbError(QStringLiteral("Строки с ошибками не загружены: ни один объект не добавлен"));
    Transaction tx(module);
    const qint64 first = module.GenID(QStringLiteral("GENER")).toLongLong();
    // Links an abandoned addition left under the identifiers about to be used would join the new objects.
    module.exec(QStringLiteral("DELETE FROM LINKS WHERE L_OBJECT >= ?"), {first});
    int added = 0;
    for (int i = 0; i < plan.rows.size(); ++i) {
        if (plan.rowFails[i])
            continue;
        InsertObjectRow(module, first + added, plan.rows[i]);
        ++added;
        if (progress && added % 1000 == 0 && !progress(added))
            return 0;   // the transaction rolls back
    }
    RefreshSearchIndex(module);
    tx.commit();
    return added;
}
