#include "catalogs/website.h"

#include "catalogs/catalogobject.h"
#include "catalogs/catalogstore.h"
#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "objects/objectlist.h"

#include <QStringBuilder>

namespace WebSite {

namespace {
QString Escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString PageName(int position)
{
    return QStringLiteral("o%1.html").arg(position + 1);
}
}

Result Generate(TDModule &module, const QString &catalogName, const QList<qint64> &objectIds, const Options &,
                Sink &sink, const std::function<bool(int done, int total)> &progress)
{
    Result result;
    try {
        const std::optional<CatalogStore::Stored> stored = CatalogStore::Open(module, catalogName);
        if (!stored) {
            result.error = QStringLiteral("Каталог \"%1\" не найден.").arg(catalogName);
            return result;
        }
        const Layout::Catalog layout = Layout::Read(stored->layoutText).catalog;
        const QList<DescriptionField> fields = ReadDescriptionFields(module);
        const CatalogObject::BoundFields bound = CatalogObject::ResolveFields(fields, layout);
        SharedQuery row(QStringLiteral("WebSiteRow"), &module);
        QString index = QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>")
                        + Escaped(catalogName) + QStringLiteral("</title></head><body><ol>\n");
        const int total = int(objectIds.size());
        for (int k = 0; k < total; ++k) {
            if (progress && !progress(k, total)) {
                result.stopped = true;
                return result;
            }
            row.open(ObjectList::OneObjectStatement(fields), {objectIds[k]});
            QString body;
            for (const Layout::FieldLabel &label : layout.fieldLabels) {
                if (!row.isEmpty() && bound.knows(label.text))
                    body += QStringLiteral("<p>") + Escaped(CatalogObject::ShownText(row, bound.byName.value(label.text)))
                            + QStringLiteral("</p>\n");
            }
            sink.put(PageName(k), (QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>")
                                   + Escaped(catalogName) + QStringLiteral("</title></head><body>\n") + body
                                   + QStringLiteral("</body></html>\n"))
                                      .toUtf8());
            index += QStringLiteral("<li><a href=\"%1\">%2</a></li>\n").arg(PageName(k)).arg(k + 1);
            ++result.objects;
        }
        index += QStringLiteral("</ol></body></html>\n");
        sink.put(QStringLiteral("index.html"), index.toUtf8());
        if (progress)
            progress(total, total);
    } catch (const std::exception &error) {
        result.error = QString::fromUtf8(error.what());
    }
    return result;
}

}
