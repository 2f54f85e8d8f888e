#include "objects/objectexport.h"

#include "core/dberror.h"
#include "core/sharedquery.h"
#include "objects/csvfile.h"
#include "objects/objectlinks.h"

#include <QDate>
#include <QSaveFile>

namespace {
constexpr int RowsPerBlock = 1024;

QString parametersText(TDModule &module, const QVariant &objectId)
{
    QStringList texts;
    for (const ObjectLink &link : ReadObjectLinks(module, objectId.toString()))
        texts << ObjectLinkText(link);
    return texts.join(QLatin1String("; "));
}
}

int ExportObjectList(TDModule &module, SharedQuery &list, const QList<DescriptionField> &columns,
                     const CsvExportOptions &options, const QString &path, const std::function<bool(int rows)> &progress)
{
    if (!list.isOpen())
        throw DbError(QStringLiteral("Список объектов не открыт"));
    QList<int> listColumns;
    QStringList titles;
    for (const DescriptionField &field : columns) {
        listColumns << list.columnIndex(field.listColumn());
        titles << field.name;
    }
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    if (options.withParameters)
        titles << ParametersColumnTitle;

    // The ";" file is the one for Russian spreadsheets, which read "12.5" and "2019-03-15" as texts or
    // other dates: it gets the decimal comma and dd.MM.yyyy, which the import reads back as well.
    const bool russian = options.delimiter == ';';
    // A negative number is no formula and stays a number for the spreadsheet; texts are made safe.
    const auto exportedText = [russian](const DescriptionField &field, const QVariant &stored) {
        QString text = ExchangeText(field, stored);
        switch (field.kind()) {
        case FieldKind::Integer:
            return text;
        case FieldKind::Real:
            return russian ? text.replace(QLatin1Char('.'), QLatin1Char(',')) : text;
        case FieldKind::Date:
            return russian && !text.isEmpty() ? QDate::fromString(text, Qt::ISODate).toString(QStringLiteral("dd.MM.yyyy")) : text;
        default:
            return SpreadsheetSafeText(text);
        }
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("Не удается записать файл %1: %2").arg(path, file.errorString()));
    QByteArray block = CsvByteOrderMark + CsvRecordText(titles, options.delimiter);
    const int currentRow = list.recNo();
    int row = 0;
    for (;; ++row) {
        if (row >= list.rowsRead() && list.readRows(row + RowsPerBlock) <= row)
            break;
        QStringList values;
        for (int i = 0; i < columns.size(); ++i)
            values << (listColumns[i] < 0 ? QString() : exportedText(columns[i], list.valueAt(row, listColumns[i])));
        if (options.withParameters)
            values << parametersText(module, list.valueAt(row, idColumn));
        block += CsvRecordText(values, options.delimiter);
        if ((row + 1) % RowsPerBlock == 0) {
            file.write(block);
            block.clear();
            if (progress && !progress(row + 1)) {
                file.cancelWriting();
                return 0;
            }
        }
    }
    file.write(block);
    list.setRecNo(currentRow);
    if (!file.commit())
        throw DbError(QStringLiteral("Не удается записать файл %1: %2").arg(path, file.errorString()));
    return row;
}
