#include "objects/objectprint.h"
#include "fields/picturefiles.h"

#include "core/dberror.h"
#include "core/sharedquery.h"
#include "objects/objectlinks.h"
#include "objects/objectlist.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QPdfWriter>

ListPrintout ObjectListPrintout(SharedQuery &list, const QList<DescriptionField> &columns, const QString &title)
{
    ListPrintout printout;
    printout.title = title;
    printout.date = PrintoutDate();
    QList<int> listColumns;
    for (const DescriptionField &field : columns) {
        printout.headers << field.name;
        listColumns << list.columnIndex(field.listColumn());
    }
    printout.rowCount = list.isOpen() ? list.recordCount() : 0;
    printout.row = [&list, columns, listColumns](int row) {
        QStringList texts;
        for (int i = 0; i < columns.size(); ++i)
            texts << (listColumns[i] < 0 ? QString() : DisplayText(columns[i], list.valueAt(row, listColumns[i])));
        return texts;
    };
    return printout;
}

CardPrintout ObjectCardPrintout(TDModule &module, SharedQuery &list, const QList<DescriptionField> &fields, const QString &title)
{
    if (!list.isOpen() || list.eof())
        throw DbError(QStringLiteral("Не выбран объект"));
    CardPrintout card;
    card.title = title;
    card.date = PrintoutDate();
    for (const DescriptionField &field : fields) {
        if (field.kind() == FieldKind::Image) {
            const QByteArray picture = ReadObjectPicture(module, list.asInteger(QStringLiteral("G_ID")), field);
            card.pictures << CardPrintout::Picture{field.name, ShownPicture(picture)};
        } else {
            card.lines << CardPrintout::Line{field.name, DisplayText(field, list.value(field.listColumn()))};
        }
    }
    for (const ObjectLink &link : ReadObjectLinks(module, list.asString(QStringLiteral("G_ID"))))
        card.parameters << ObjectLinkText(link);
    return card;
}

QString PrintoutDate()
{
    return QStringLiteral("Дата печати: ") + QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

int WritePdf(const QString &path, const QString &title, const std::function<int(QPagedPaintDevice &)> &paint)
{
    int pages = 0;
    {
        QPdfWriter writer(path);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Вирандел"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pages = paint(writer);
    }
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        throw DbError(QStringLiteral("Не удается записать файл %1").arg(path));
    return pages;
}
