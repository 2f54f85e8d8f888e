#include "app/databasecheck.h"

#include "catalogs/layouttext.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"
#include "core/engineprogress.h"
#include "objects/sortkeys.h"

#include <QDir>
#include <QSet>

namespace DatabaseCheck {

namespace {

using namespace SchemaName;

QList<QVariantList> readAll(TDModule &module, const QString &sql, const QVariantList &values = {})
{
    return module.QRWork->readAll(sql, values);
}

qint64 number(TDModule &module, const QString &sql)
{
    return readAll(module, sql).first().first().toLongLong();
}

QSet<QString> upperNames(TDModule &module, const QString &sql, const QVariantList &values = {})
{
    QSet<QString> names;
    for (const QVariantList &row : readAll(module, sql, values))
        names.insert(row.first().toString().toUpper());
    return names;
}

// Links whose entry or caption names nothing in their book: one condition per book that exists.
QString entryMissing(const QString &column, const QList<qint64> &books)
{
    QStringList known;
    for (const qint64 book : books)
        known << QStringLiteral("(L_REFER = %1 AND %2 IN (SELECT %3 FROM %4))").arg(book).arg(column, BookId(book), BookTable(book));
    return known.isEmpty() ? QStringLiteral("1") : QLatin1String("NOT (") + known.join(QLatin1String(" OR ")) + QLatin1Char(')');
}

QString booksCondition(const QList<qint64> &books)
{
    QStringList ids;
    for (const qint64 book : books)
        ids << QString::number(book);
    return QLatin1String("L_REFER IN (") + ids.join(QLatin1Char(',')) + QLatin1Char(')');
}

QList<qint64> existingBooks(TDModule &module)
{
    const QSet<QString> tables = upperNames(module, Engine::TableNamesQuery(module.engine()));
    QList<qint64> books;
    for (const QVariantList &row : readAll(module, QStringLiteral("SELECT R_ID FROM REFERS ORDER BY R_ID"))) {
        if (tables.contains(BookTable(row.first().toLongLong())))
            books << row.first().toLongLong();
    }
    return books;
}

QString danglingLinksCondition(const QList<qint64> &books)
{
    return QLatin1String("NOT EXISTS (SELECT 1 FROM GENER WHERE G_ID = L_OBJECT) OR NOT ") + booksCondition(books)
           + QLatin1String(" OR ") + entryMissing(QStringLiteral("L_CLASS"), books);
}

QString danglingCaptionsCondition(const QList<qint64> &books)
{
    return QLatin1String("L_CAPTION <> 0 AND ") + booksCondition(books) + QLatin1String(" AND ")
           + entryMissing(QStringLiteral("L_CAPTION"), books);
}

}

QList<Finding> Run(TDModule &module, const QString &databasePath, const std::function<bool(int done, int total)> &progress)
{
    QList<Finding> findings;
    const bool file = module.engine() == EngineKind::File;
    const int steps = 7;
    int step = 0;
    const auto next = [&] { return !progress || progress(++step, steps); };
    if (progress && !progress(0, steps))
        return findings;
    // Each step reads a large file for a while (the engine's check for seconds): the window is kept alive.
    EngineProgress alive(module, progress ? std::function<bool()>([&] { return progress(step, steps); }) : std::function<bool()>());

    if (file) {
        QStringList problems;
        for (const QVariantList &row : readAll(module, QStringLiteral("PRAGMA integrity_check")))
            problems << row.first().toString();
        if (problems != QStringList{QStringLiteral("ok")})
            findings << Finding{QStringLiteral("Проверка файла базы данных нашла повреждения: ") + problems.mid(0, 5).join(QLatin1String("; ")),
                                Mend::None};
        const QStringList needing = SortKeys::NeedingTheProgram(module);
        if (!needing.isEmpty())
            findings << Finding{QStringLiteral("Индексы, которые другие программы не могут проверить: ") + needing.join(QLatin1String(", ")),
                                Mend::SortKeys};
    }
    if (!next())
        return findings;

    // Every field has its column; every lookup field its list, and its values name entries of it.
    const QSet<QString> columns = upperNames(module, Engine::ColumnsOfTableQuery(module.engine()), {QStringLiteral("GENER")});
    const QSet<QString> tables = upperNames(module, Engine::TableNamesQuery(module.engine()));
    for (const QVariantList &row : readAll(module, QStringLiteral("SELECT F_ID, F_NAME, F_LOOKUP FROM FIELDS ORDER BY F_ID"))) {
        const qint64 id = row.at(0).toLongLong();
        const QString name = row.at(1).toString();
        if (!columns.contains(FieldColumn(id))) {
            findings << Finding{QStringLiteral("У поля «%1» нет столбца %2 в таблице объектов.").arg(name, FieldColumn(id)), Mend::None};
            continue;
        }
        if (row.at(2).toLongLong() == 0)
            continue;
        if (!tables.contains(LookupTable(id))) {
            findings << Finding{QStringLiteral("У поля «%1» нет таблицы списка значений %2.").arg(name, LookupTable(id)), Mend::None};
            continue;
        }
        const qint64 dangling = number(module, QStringLiteral("SELECT COUNT(*) FROM GENER WHERE %1 IS NULL OR %1 NOT IN (SELECT %2 FROM %3)")
                                                   .arg(FieldColumn(id), LookupId(id), LookupTable(id)));
        if (dangling > 0)
            findings << Finding{QStringLiteral("Поле «%1»: у объектов (%2) значение, которого нет в списке значений.").arg(name).arg(dangling),
                                Mend::LookupValues, id};
    }
    if (!next())
        return findings;

    // Every book has its table.
    for (const QVariantList &row : readAll(module, QStringLiteral("SELECT R_ID, R_NAME FROM REFERS ORDER BY R_ID"))) {
        if (!tables.contains(BookTable(row.at(0).toLongLong())))
            findings << Finding{QStringLiteral("У справочника «%1» нет таблицы %2.").arg(row.at(1).toString(), BookTable(row.at(0).toLongLong())),
                                Mend::None};
    }
    if (!next())
        return findings;

    // Links name an existing object, a book with its table and an entry of it.
    const QList<qint64> books = existingBooks(module);
    const qint64 links = number(module, QLatin1String("SELECT COUNT(*) FROM LINKS WHERE ") + danglingLinksCondition(books));
    if (links > 0)
        findings << Finding{QStringLiteral("Параметры объектов (%1), которые ссылаются на несуществующий объект, справочник или его элемент.")
                                .arg(links),
                            Mend::DanglingLinks};
    const qint64 captions = number(module, QLatin1String("SELECT COUNT(*) FROM LINKS WHERE ") + danglingCaptionsCondition(books));
    if (captions > 0)
        findings << Finding{QStringLiteral("Подписи параметров (%1), которые ссылаются на несуществующий элемент справочника.").arg(captions),
                            Mend::DanglingCaptions};
    if (!next())
        return findings;

    // Catalogs of a file have their folders beside it.
    if (file && !databasePath.isEmpty()) {
        for (const QVariantList &row : readAll(module, QStringLiteral("SELECT K_NAME FROM KATALOGS ORDER BY K_ID"))) {
            const QString folder = Layout::CatalogFolder(databasePath, row.first().toString());
            if (!QDir(folder).exists())
                findings << Finding{QStringLiteral("Нет папки каталога «%1»: %2").arg(row.first().toString(), QDir::toNativeSeparators(folder)),
                                    Mend::None};
        }
    }
    if (!next())
        return findings;

    if (file) {
        const qint64 amiss = SortKeys::KeysAmiss(module, [&] { return !progress || progress(step, steps); });
        if (amiss < 0)
            findings << Finding{QStringLiteral("В файле нет ключей русского порядка сортировки."), Mend::SortKeys};
        else if (amiss > 0)
            findings << Finding{QStringLiteral("Ключи порядка сортировки устарели у объектов (%1).").arg(amiss), Mend::SortKeys};
    }
    next();
    return findings;
}

QString Report(const QList<Finding> &findings, bool copyBeforeMend)
{
    if (findings.isEmpty())
        return QStringLiteral("Проверка закончена: база данных в порядке.");
    QStringList lines{QStringLiteral("Проверка закончена. Найдено:")};
    for (const Finding &finding : findings)
        lines << QStringLiteral("• ") + finding.text;
    if (CanMend(findings)) {
        // Promised only where the copy before a mend is made.
        lines << QString()
              << (copyBeforeMend ? QStringLiteral("Исправить то, что можно исправить? Перед исправлением будет сделана резервная копия.")
                             : QStringLiteral("Исправить то, что можно исправить?"));
    }
    return lines.join(QLatin1Char('\n'));
}

bool CanMend(const QList<Finding> &findings)
{
    return std::any_of(findings.cbegin(), findings.cend(), [](const Finding &finding) { return finding.mend != Mend::None; });
}

bool MendFindings(TDModule &module, const QList<Finding> &findings, const std::function<bool()> &before)
{
    if (!CanMend(findings))
        return true;
    if (before && !before())
        return false;
    Transaction tx(module);
    module.FinishPendingReads();
    const QList<qint64> books = existingBooks(module);
    bool keys = false;
    for (const Finding &finding : findings) {
        switch (finding.mend) {
        case Mend::LookupValues:
            // The empty entry: the value was lost already, and the object stays listed.
            module.exec(QStringLiteral("UPDATE GENER SET %1 = 0 WHERE %1 IS NULL OR %1 NOT IN (SELECT %2 FROM %3)")
                            .arg(FieldColumn(finding.fieldId), LookupId(finding.fieldId), LookupTable(finding.fieldId)));
            break;
        case Mend::DanglingLinks:
            module.exec(QLatin1String("DELETE FROM LINKS WHERE ") + danglingLinksCondition(books));
            break;
        case Mend::DanglingCaptions:
            module.exec(QLatin1String("UPDATE LINKS SET L_CAPTION = 0 WHERE ") + danglingCaptionsCondition(books));
            break;
        case Mend::SortKeys:
            keys = true;
            break;
        case Mend::None:
            break;
        }
    }
    // Last: the keys of the values mended above are made with the rest.
    if (keys)
        SortKeys::Remake(module);
    tx.commit();
    return true;
}

}
