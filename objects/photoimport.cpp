#include "objects/photoimport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/picturefiles.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objects/thumbnails.h"

#include <QBuffer>
#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QThreadPool>

#include <algorithm>
#include <deque>
#include <future>
#include <memory>

namespace {

// Runs `work(i)` for i = 0 .. count-1 on threads of its own, a few at a time, and hands the results to
// `take` on the calling thread in the order of i; `take` answering false stops. Nothing started is left
// running on return. An exception of `work` reaches the caller when its result is taken. Returns whether
// every result was taken.
template <typename Result>
bool RunBesideInOrder(int count, const std::function<Result(int)> &work, const std::function<bool(int, Result &&)> &take)
{
    // A pool of its own: work queued on the shared one (pictures made in the background) must not hold
    // the user's action up. Its end waits for every thread.
    QThreadPool pool;
    // Enough to keep every thread busy while the caller takes one result; few, since each result may
    // hold a whole picture.
    const int ahead = pool.maxThreadCount() + 1;
    std::deque<std::future<Result>> running;
    int started = 0;
    const auto startNext = [&] {
        auto promise = std::make_shared<std::promise<Result>>();
        running.push_back(promise->get_future());
        pool.start([promise, item = started++, &work] {
            try {
                promise->set_value(work(item));
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
    };
    for (int item = 0; item < count; ++item) {
        while (started < count && int(running.size()) < ahead)
            startNext();
        std::future<Result> next = std::move(running.front());
        running.pop_front();
        if (!take(item, next.get()))
            return false;
    }
    return true;
}

// The picture kinds a folder of photographs holds; other files are not looked into further.
bool looksLikePicture(const QByteArray &head)
{
    // HEIF pictures (HEIC from phones, AVIF) name their brand in the file's first box.
    if (head.size() >= 12 && head.mid(4, 4) == "ftyp") {
        static const QList<QByteArray> brands{"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif"};
        return brands.contains(head.mid(8, 4));
    }
    QBuffer buffer;
    buffer.setData(head);
    buffer.open(QIODevice::ReadOnly);
    static const QList<QByteArray> kinds{"jpeg", "png", "bmp", "tiff", "webp", "gif"};
    return kinds.contains(QImageReader::imageFormat(&buffer));
}

constexpr qint64 HeadBytes = 64;

struct ScannedFile
{
    std::optional<PictureFile> picture;
    QString reason;   // why it is skipped
};

ScannedFile scanFile(const QFileInfo &info)
{
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("файл не читается: ") + file.errorString()};
    if (file.size() == 0)
        return {std::nullopt, QStringLiteral("пустой файл")};
    if (!looksLikePicture(file.peek(HeadBytes)))
        return {std::nullopt, QStringLiteral("не рисунок")};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("файл не читается: ") + file.errorString()};
    // A JPEG cut short is told by its missing end marker, a BMP by its size; other kinds by a small decode.
    if (!IsReadablePicture(bytes))
        return {std::nullopt, QStringLiteral("рисунок поврежден (например, файл обрывается) или записан в виде, "
                                             "который программа не читает")};
    return {PictureFile{info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()}, QString()};
}

// Files in the order a person numbering photographs expects: "снимок 9" before "снимок 10".
QCollator folderOrder()
{
    QCollator order{QLocale(QLocale::Russian, QLocale::Russia)};
    order.setNumericMode(true);
    order.setCaseSensitivity(Qt::CaseInsensitive);
    return order;
}
}

FolderScan ScanPictureFolder(const QString &folder, const std::function<bool(int done, int total)> &progress)
{
    FolderScan scan;
    scan.folder = QDir(folder).absolutePath();
    // Regular files only (a pipe would never end), hidden ones left out as the file dialogs leave them out;
    // unreadable ones are listed, so that the user hears of them.
    QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    const QCollator order = folderOrder();
    std::sort(files.begin(), files.end(), [&](const QFileInfo &a, const QFileInfo &b) {
        const int compared = order.compare(a.fileName(), b.fileName());
        return compared != 0 ? compared < 0 : a.fileName() < b.fileName();
    });
    scan.files = int(files.size());
    const std::function<ScannedFile(int)> look = [&](int i) { return scanFile(files[i]); };
    scan.cancelled = !RunBesideInOrder<ScannedFile>(scan.files, look, [&](int i, ScannedFile &&found) {
        if (found.picture)
            scan.pictures << *found.picture;
        else
            scan.skipped << SkippedFile{files[i].fileName(), found.reason};
        return !progress || progress(i + 1, scan.files);
    });
    return scan;
}

namespace {
QList<DescriptionField> fieldsOfKinds(const QList<DescriptionField> &fields, std::initializer_list<FieldKind> kinds)
{
    QList<DescriptionField> fitting;
    for (const DescriptionField &field : fields) {
        if (std::find(kinds.begin(), kinds.end(), field.kind()) != kinds.end())
            fitting << field;
    }
    return fitting;
}
}

QList<DescriptionField> PictureFieldsOf(const QList<DescriptionField> &fields)
{
    return fieldsOfKinds(fields, {FieldKind::Image});
}

QList<DescriptionField> NameFieldsOf(const QList<DescriptionField> &fields)
{
    return fieldsOfKinds(fields, {FieldKind::String, FieldKind::LongText});
}

QList<DescriptionField> DateFieldsOf(const QList<DescriptionField> &fields)
{
    return fieldsOfKinds(fields, {FieldKind::Date});
}

QList<DescriptionField> RequiredFieldsLeftEmpty(const QList<DescriptionField> &fields, const PhotoImportFields &chosen)
{
    QList<DescriptionField> empty;
    for (const DescriptionField &field : fields) {
        const bool filled = (chosen.name && chosen.name->id == field.id) || (chosen.date && chosen.date->id == field.id)
                            || chosen.picture.id == field.id;
        if (!filled && FieldKinds::Info(field.kind()).required)
            empty << field;
    }
    return empty;
}

QString NameFromFile(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

PhotoImportPlan PlanPhotoImport(const FolderScan &scan, const PhotoImportFields &fields)
{
    PhotoImportPlan plan;
    plan.folder = scan.folder;
    QList<SkippedFile> refused;
    for (const PictureFile &picture : scan.pictures) {
        const QString name = NameFromFile(picture.path);
        QString reason;
        if (fields.name && fields.name->kind() == FieldKind::String) {
            if (TextLength(name) > StringLengthLimit)
                reason = QStringLiteral("имя файла без расширения длиннее %1 символов (%2), а поле \"%3\" больше не вмещает: "
                                        "переименуйте файл или выберите для имени поле длинного текста")
                             .arg(StringLengthLimit)
                             .arg(TextLength(name))
                             .arg(fields.name->name);
            else if (name.isEmpty())
                reason = QStringLiteral("у файла нет имени без расширения, а поле \"%1\" нельзя оставить пустым").arg(fields.name->name);
        }
        if (reason.isEmpty())
            plan.adding << picture;
        else
            refused << SkippedFile{QFileInfo(picture.path).fileName(), reason};
    }
    // One list in the order of the folder's files.
    const QCollator order = folderOrder();
    plan.skipped = scan.skipped + refused;
    std::stable_sort(plan.skipped.begin(), plan.skipped.end(), [&](const SkippedFile &a, const SkippedFile &b) {
        return order.compare(a.fileName, b.fileName) < 0;
    });
    return plan;
}

QDate DayTaken(const QByteArray &bytes, qint64 modified)
{
    const QDate taken = ExifDayTaken(bytes);
    return taken.isValid() ? taken : QDateTime::fromMSecsSinceEpoch(modified).date();
}

namespace {
// A picture of the plan read and made ready for storing, beside the interface thread.
struct PreparedPicture
{
    QByteArray original;
    QByteArray stored;
    QByteArray thumbnail;
};

PreparedPicture preparePicture(const PictureFile &picture, const Options::PictureStoring &rule)
{
    const QString name = QFileInfo(picture.path).fileName();
    QFile file(picture.path);
    QFileInfo now(picture.path);
    now.setCaching(false);
    if (!now.exists())
        throw DbError(QStringLiteral("Файл %1 удален из папки после просмотра: ни один объект не добавлен.").arg(name));
    if (now.size() != picture.size || now.lastModified().toMSecsSinceEpoch() != picture.modified)
        throw DbError(QStringLiteral("Файл %1 изменился после просмотра папки: ни один объект не добавлен. "
                                     "Начните добавление снова.").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Файл %1 не читается: %2. Ни один объект не добавлен.").arg(name, file.errorString()));
    PreparedPicture prepared;
    prepared.original = file.readAll();
    if (file.error() != QFileDevice::NoError || prepared.original.size() != picture.size)
        throw DbError(QStringLiteral("Файл %1 не читается: %2. Ни один объект не добавлен.").arg(name, file.errorString()));
    prepared.stored = PictureAsStored(prepared.original, rule);
    prepared.thumbnail = Thumbnails::Make(prepared.stored);
    return prepared;
}
}

int AddPhotoObjects(TDModule &module, const PhotoImportPlan &plan, const PhotoImportFields &fields,
                    const Options::PictureStoring &storing, const std::function<bool(int done, int total)> &progress)
{
    const int total = int(plan.adding.size());
    // Lists keep every object at an entry: the empty one for the lists the import does not fill.
    QList<FieldInput> unchosenLookups;
    for (const DescriptionField &field : ReadDescriptionFields(module)) {
        if (field.kind() == FieldKind::Lookup)
            unchosenLookups << FieldInput{field, EmptyLookupText};
    }
    int added = 0;
    const std::function<PreparedPicture(int)> prepare = [&](int i) { return preparePicture(plan.adding[i], storing); };
    const bool whole = AddObjectsAsOne(
        module,
        [&](ObjectRowBatch &batch, qint64 first) {
            return RunBesideInOrder<PreparedPicture>(total, prepare, [&](int i, PreparedPicture &&picture) {
                const PictureFile &file = plan.adding[i];
                QList<FieldInput> inputs{FieldInput{fields.picture, picture.stored, true, picture.thumbnail}};
                if (fields.name)
                    inputs << FieldInput{*fields.name, NameFromFile(file.path)};
                if (fields.date)
                    inputs << FieldInput{*fields.date, DayTaken(picture.original, file.modified)};
                batch.insert(first + i, inputs + unchosenLookups);
                added = i + 1;
                return !progress || progress(added, total);
            });
        },
        // The new objects' sort keys, with the window kept alive.
        [&](qint64, qint64) {
            if (progress)
                progress(added, total);
        });
    return whole ? added : 0;
}
