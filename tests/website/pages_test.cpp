// The published website read by a real browser beside the running catalog built offscreen.

#include "support/browser.h"
#include "support/testsupport.h"

#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "catalogs/catalogstore.h"
#include "catalogs/website.h"
#include "core/dmodule.h"
#include "photos/taggedpictures.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

// A site written into a folder, counting the writes of each file.
class FolderSink : public WebSite::Sink
{
public:
    explicit FolderSink(const QString &root) : m_root(root) {}
    bool hasPicture(const QString &path) const override { return QFile::exists(m_root + QLatin1Char('/') + path); }
    void put(const QString &path, const QByteArray &bytes) override
    {
        ++puts[path];
        const QString file = m_root + QLatin1Char('/') + path;
        QDir().mkpath(QFileInfo(file).path());
        WriteFile(file, bytes);
    }
    QMap<QString, int> puts;

private:
    QString m_root;
};

// The page as the browser shows it once `probe` (a script added to a copy of the page) ran; what the
// probe writes into <pre id="probe"> comes back as JSON.
QJsonObject Probe(const QString &page, const QString &probe, QSize window)
{
    QByteArray html = FileBytes(page);
    html.replace("</body>", "<pre id=\"probe\"></pre><script>(function(){var out={};" + probe.toUtf8()
                                + ";document.getElementById('probe').textContent=JSON.stringify(out);})();</script></body>");
    const QString copy = QFileInfo(page).path() + QStringLiteral("/probe-") + QFileInfo(page).fileName();
    WriteFile(copy, html);
    const QString dom = Browser::DumpDom(copy, window);
    QFile::remove(copy);
    const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("<pre id=\"probe\">(.*)</pre>")).match(dom);
    EXPECT_TRUE(found.hasMatch()) << dom.left(2000).toStdString();
    QString json = found.captured(1);
    json.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    json.replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&nbsp;"), QString(QChar(0xA0)));
    json.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

// Each element's rectangle on the page, relative to the panel, in the order of the page.
const char *const ElementRects =
    "var p=document.getElementById('panel').getBoundingClientRect();out.rects=[];"
    "document.querySelectorAll('#panel > .e:not(.bg)').forEach(function(e){var r=e.getBoundingClientRect();"
    "var c=getComputedStyle(e);out.rects.push([e.className,r.left-p.left,r.top-p.top,r.width,r.height,e.textContent,"
    "c.color,c.backgroundColor,c.fontSize,c.overflowY,e.alt||'']);});"
    "out.scripts=document.scripts.length;out.panelWidth=p.width;";

// The texts of the grid's first column as shown, top to bottom.
const char *const ShownRows =
    "function shown(){return Array.prototype.filter.call(document.querySelectorAll('#grid tbody tr'),"
    "function(tr){return !tr.hidden;}).map(function(tr){return tr.cells[0].textContent;});}";

// The texts a grid's delegate is given to paint, by row and column.
class PaintedTexts : public QStyledItemDelegate
{
public:
    mutable QMap<QPair<int, int>, QString> texts;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        texts.insert({index.row(), index.column()}, option->text);
    }
};

const QString Hostile = QStringLiteral("</script><script>document.title='x'</script>\"'&amp;");
const QString ScriptEnd = QStringLiteral("</script><script>document.title='взлом'</script>");

class WebSitePagesTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        if (!Browser::Installed())
            GTEST_SKIP() << "no chromium on this machine";
        name = addField(*module, "Название", StringType);
        price = addField(*module, "Цена", IntegerType);
        colour = addField(*module, "Цвет", StringType, true);
        description = addField(*module, "Описание", LongTextType);
        photo = addField(*module, "Фото", ImageType);
        date = addField(*module, "Дата", DateType);
        secret = addField(*module, "Закупка", StringType);
        weight = addField(*module, "Вес", RealType);
        const qint64 red = addLookupEntry(*module, colour, "Красный");
        makeBook(1, "Города", {{10, "Россия", "", 0}, {11, "Москва", "", 10}, {12, "Казань", "", 10}, {13, "Франция", "", 0},
                               {14, "Париж", "", 13}});
        closeQueries(*module);
        tagged = JpegWithOrientation(StoredFor(Scene(QSize(120, 80)), 6), 6);
        shared = PictureBytes(Qt::cyan, QSize(90, 60), "JPG");
        const QString insert = QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3, G%4, G%5, G%6, G%7, G%8) VALUES(?,?,?,?,?,?,?,?,?)")
                                   .arg(name).arg(price).arg(colour).arg(description).arg(photo).arg(date).arg(secret).arg(weight);
        module->exec(insert, {1, "Ёжик", 18990, red, "Первая строка\rВторая строка\r", tagged, QDate(2024, 3, 5), "тайная цена", 12345.678});
        module->exec(insert, {2, Hostile, 20, red, ScriptEnd, shared, QDate(2023, 12, 2), "тайная цена", 0.5});
        module->exec(insert, {3, "ежевика", 300, red, "", shared, QDate(2024, 1, 9), "тайная цена", QVariant()});
        module->exec(insert, {4, "Лиса", 2490, red, "", QVariant(QMetaType::fromType<QByteArray>()), QDate(2022, 7, 8), "тайная цена", 1500.25});
        exec("INSERT INTO LINKS VALUES(1,1,1,11,'5',0), (2,2,1,14,'',0), (3,4,1,12,'',0)");
        site = QDir::tempPath() + QStringLiteral("/site-") + QString::number(QCoreApplication::applicationPid());
        QDir(site).removeRecursively();
        QDir().mkpath(site);
    }
    void TearDown() override
    {
        Form22->ClearPanel();
        if (!site.isEmpty())
            QDir(site).removeRecursively();
        RussianAppTest::TearDown();
    }

    // Every kind of element; the grid shows Название, Цена, Дата, Вес and the photographs, not Цвет or Закупка.
    static Layout::Catalog EveryKind()
    {
        Layout::Catalog c;
        c.backgroundFile = Layout::BackgroundFile;
        c.columns = {true, true, false, true, false, true};
        c.fieldLabels << Layout::Label{"Название", Layout::Colors::WindowText, 14, "Arial", 20, 12}
                      << Layout::Label{"Цена", 0x000000C0, 10, "Arial", 20, 50};
        c.textLabels << Layout::Label{"Витрина", 0x00FF0000, 12, "Arial", 600, 14};
        c.memos << Layout::FieldMemo{"Описание", 0x00E0FFFF, Layout::Colors::WindowText, 9, "Arial", 260, 90, 20, 90};
        c.fieldImages << Layout::FieldImage{"Фото", 300, 200, 320, 90};
        c.textImages << Layout::TextImage{60, 40, 700, 90};
        c.frames << Layout::Frame{Layout::Colors::Black, 3, 320, 220, 310, 80} << Layout::Frame{0x000000FF, 2, 500, 2, 20, 330};
        c.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8, "Arial", 260, 60, 20, 200};
        return c;
    }
    WebSite::Result publish(FolderSink &sink, const QList<qint64> &ids = {1, 2, 3, 4})
    {
        CatalogStore::Pictures pictures;
        pictures.background = PictureBytes(Qt::green, QSize(200, 100), "JPG");
        pictures.textImages << shared;
        CatalogStore::Save(*module, "Витрина", EveryKind(), pictures);
        int calls = 0;
        const WebSite::Result result = WebSite::Generate(*module, "Витрина", ids, {}, sink, [&](int, int) {
            ++calls;
            return true;
        });
        EXPECT_GE(calls, ids.size());
        return result;
    }

    qint64 name = 0, price = 0, colour = 0, description = 0, photo = 0, date = 0, secret = 0, weight = 0;
    QByteArray tagged, shared;
    QString site;
};

}

TEST_F(WebSitePagesTest, EveryElementStandsWhereTheRunningCatalogsPanelPutsItsWidgetAndScalesInANarrowWindow)
{
    FolderSink sink(site);
    const WebSite::Result result = publish(sink);
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.objects, 4);

    // The running catalog on a 1920 × 1080 screen, showing the first object.
    Form22->resize(1920, 1080);
    Form22->FormResize();
    Form22->LoadGeneral();
    ASSERT_TRUE(Form22->OpenCatalog("Витрина", true));
    QList<QPair<QString, QRect>> widgets;
    for (const auto *w : Form22->Labels)
        widgets << qMakePair(w->text(), w->geometry());
    for (const auto *w : Form22->TextLabels)
        widgets << qMakePair(w->text(), w->geometry());
    for (const auto *w : Form22->Memos)
        widgets << qMakePair(w->toPlainText(), w->geometry());
    for (const auto *w : Form22->Images)
        widgets << qMakePair(QString(), w->geometry());
    for (const auto *w : Form22->TextImages)
        widgets << qMakePair(QString(), w->geometry());
    for (const auto *w : Form22->Shapes)
        widgets << qMakePair(QString(), w->geometry());
    for (const auto *w : Form22->GroupBoxes)
        widgets << qMakePair(w->toPlainText(), w->geometry());
    ASSERT_EQ(widgets.size(), 9);

    const QJsonObject page = Probe(site + "/o1.html", ElementRects, QSize(1400, 1000));
    const QJsonArray rects = page["rects"].toArray();
    ASSERT_EQ(rects.size(), widgets.size()) << QJsonDocument(rects).toJson().toStdString();
    for (int i = 0; i < widgets.size(); ++i) {
        const QJsonArray r = rects[i].toArray();
        const QRect &expected = widgets[i].second;
        SCOPED_TRACE(QStringLiteral("element %1 %2").arg(i).arg(r[0].toString()).toStdString());
        EXPECT_NEAR(r[1].toDouble(), expected.left(), 2);
        EXPECT_NEAR(r[2].toDouble(), expected.top(), 2);
        EXPECT_NEAR(r[3].toDouble(), expected.width(), r[0].toString().contains(" t") ? 6 : 2);
        EXPECT_NEAR(r[4].toDouble(), expected.height(), r[0].toString().contains(" t") ? 4 : 2);
        if (!widgets[i].first.isEmpty())
            EXPECT_EQ(r[5].toString(), widgets[i].first);
    }
    // Fonts and colours as the panel's widgets have them.
    const auto css = [](const QColor &c) { return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()); };
    EXPECT_EQ(rects[2].toArray()[6].toString(), css(Form22->TextLabels[0]->palette().color(QPalette::WindowText)));
    EXPECT_EQ(rects[3].toArray()[7].toString(), css(Form22->Memos[0]->palette().color(QPalette::Base)));
    EXPECT_NEAR(rects[0].toArray()[8].toString().chopped(2).toDouble(), Form22->Labels[0]->font().pointSizeF() * 96 / 72, 0.5);
    EXPECT_EQ(rects[0].toArray()[5].toString(), "Ёжик");
    EXPECT_EQ(rects[3].toArray()[5].toString(), "Первая строка\nВторая строка");
    EXPECT_EQ(rects[8].toArray()[5].toString(), "Города: Москва = 5");
    // Boxes whose text fits show no scroll bars (as the panel's, which show them only when needed); a
    // picture is named by its field.
    EXPECT_EQ(rects[3].toArray()[9].toString(), "auto");
    EXPECT_EQ(rects[8].toArray()[9].toString(), "auto");
    EXPECT_EQ(rects[4].toArray()[10].toString(), "Фото");

    // The index's cells read as the running catalog's grid paints them (numbers not grouped, reals rounded).
    QMap<QString, QStringList> shownByGrid, shownBySite;
    QTableView *grid = Control<QTableView>(Form22, "DBGrid");
    QAbstractItemModel *model = grid->model();
    while (model->canFetchMore({}))
        model->fetchMore({});
    ASSERT_EQ(model->rowCount(), 4);
    PaintedTexts painted;
    QAbstractItemDelegate *own = grid->itemDelegate();
    grid->setItemDelegate(&painted);
    grid->resize(1900, 1000);
    grid->viewport()->grab();
    grid->setItemDelegate(own);
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < model->columnCount(); ++c)
            if (!grid->isColumnHidden(c) && !painted.texts.value({r, c}).isEmpty())
                texts << painted.texts.value({r, c});
        shownByGrid.insert(texts.value(0), texts);
    }
    const QJsonObject index = Probe(site + "/index.html",
                                    "out.rows=Array.prototype.map.call(document.querySelectorAll('#grid tbody tr'),function(tr){"
                                    "return Array.prototype.filter.call(tr.cells,function(td){return td.textContent;})"
                                    ".map(function(td){return td.textContent;});});",
                                    QSize(1200, 900));
    for (const QJsonValue &row : index["rows"].toArray()) {
        QStringList texts;
        for (const QJsonValue &cell : row.toArray())
            texts << cell.toString();
        shownBySite.insert(texts.value(0), texts);
    }
    EXPECT_EQ(shownBySite, shownByGrid);
    EXPECT_EQ(shownBySite.value("Ёжик").value(1), "18990");

    // A window narrower than the panel: the layout scaled down, proportions kept.
    const double k = 700.0 / 1344;
    const QJsonObject narrow = Probe(site + "/o1.html", ElementRects, QSize(700, 900));
    EXPECT_NEAR(narrow["panelWidth"].toDouble(), 700, 2);
    const QJsonArray image = narrow["rects"].toArray()[4].toArray();
    EXPECT_NEAR(image[1].toDouble(), 320 * k, 2);
    EXPECT_NEAR(image[2].toDouble(), 90 * k, 2);
    EXPECT_NEAR(image[3].toDouble(), 300 * k, 2);
}

TEST_F(WebSitePagesTest, SearchFoldsCaseAndYoFilterTakesEntriesBelowAndTitlesSortNumbersAndDates)
{
    FolderSink sink(site);
    ASSERT_TRUE(publish(sink).error.isEmpty());
    // Search typed as a person types it, the filter chosen by clicks in the tree.
    const QJsonObject index = Probe(site + "/index.html", QString(ShownRows) + R"(
        var s=document.getElementById('search');
        out.all=shown();
        s.value='ёЖ';s.dispatchEvent(new Event('input'));out.search=shown();
        s.value='2490';s.dispatchEvent(new Event('input'));out.typed=shown();
        s.value='18 990';s.dispatchEvent(new Event('input'));out.grouped=shown();
        s.value='';s.dispatchEvent(new Event('input'));
        var entry=function(t){return Array.prototype.filter.call(document.querySelectorAll('#tree button.entry'),
            function(b){return b.textContent===t;})[0];};
        entry('Россия').click();out.russia=shown();
        entry('Москва').click();out.moscow=shown();
        document.querySelector('#chosen button').click();document.querySelector('#chosen button').click();
        out.none=shown();
        var th=function(t){return Array.prototype.filter.call(document.querySelectorAll('#grid th'),
            function(h){return h.textContent===t;})[0];};
        th('Цена').click();out.price=shown();
        th('Цена').click();out.priceDown=shown();
        th('Дата').click();out.date=shown();
        out.titles=Array.prototype.map.call(document.querySelectorAll('#grid th'),function(h){return h.textContent;});
        out.scripts=document.scripts.length;out.title=document.title;)",
                                    QSize(1200, 900));
    const auto texts = [&](const char *key) {
        QStringList list;
        for (const QJsonValue &v : index[key].toArray())
            list << v.toString();
        return list;
    };
    const QStringList all{"Ёжик", Hostile, "ежевика", "Лиса"};
    EXPECT_EQ(texts("all"), all);
    EXPECT_EQ(texts("search"), QStringList({"Ёжик", "ежевика"}));
    // A number found typed as the program writes it and as the grid shows it grouped.
    EXPECT_EQ(texts("typed"), QStringList({"Лиса"}));
    EXPECT_EQ(texts("grouped"), QStringList({"Ёжик"}));
    EXPECT_EQ(texts("russia"), QStringList({"Ёжик", "Лиса"}));
    EXPECT_EQ(texts("moscow"), QStringList({"Ёжик"}));
    EXPECT_EQ(texts("none"), all);
    EXPECT_EQ(texts("price"), QStringList({Hostile, "ежевика", "Лиса", "Ёжик"}));
    EXPECT_EQ(texts("priceDown"), QStringList({"Ёжик", "Лиса", "ежевика", Hostile}));
    EXPECT_EQ(texts("date"), QStringList({"Лиса", Hostile, "ежевика", "Ёжик"}));
    // The hidden column and the field no element shows are not published anywhere.
    EXPECT_EQ(texts("titles"), QStringList({"Название", "Цена", "Дата", "Вес", "Фото"}));
    EXPECT_EQ(index["scripts"].toInt(), 3);
    EXPECT_EQ(index["title"].toString(), "Витрина");
}

TEST_F(WebSitePagesTest, HostileTextsShowAsTypedPicturesUprightSharedOnesWrittenOnceAndNothingElsePublished)
{
    FolderSink sink(site);
    const WebSite::Result first = publish(sink);
    ASSERT_TRUE(first.error.isEmpty());

    const QJsonObject page = Probe(site + "/o2.html", ElementRects + QStringLiteral("out.title=document.title;"), QSize(1400, 1000));
    EXPECT_EQ(page["rects"].toArray()[0].toArray()[5].toString(), Hostile);
    EXPECT_EQ(page["rects"].toArray()[3].toArray()[5].toString(), ScriptEnd);
    EXPECT_EQ(page["scripts"].toInt(), 2);   // the site's script and the probe
    EXPECT_EQ(page["title"].toString(), Hostile + " — Витрина");

    // The tagged photograph is written upright, as large as it is (twice its box would be larger).
    const QByteArray o1 = FileBytes(site + "/o1.html");
    const QRegularExpressionMatch picture = QRegularExpression("class=\"e pic\" src=\"(p/[0-9a-f]+\\.jpg)\"").match(QString::fromUtf8(o1));
    ASSERT_TRUE(picture.hasMatch());
    QImageReader reader(site + "/" + picture.captured(1));
    reader.setAutoTransform(false);
    EXPECT_TRUE(IsUprightScene(reader.read(), QSize(120, 80)));

    // Every file name is safe; the background and the picture two objects and the text image share are
    // each written once.
    QStringList pictures;
    for (auto it = sink.puts.cbegin(); it != sink.puts.cend(); ++it) {
        EXPECT_TRUE(QRegularExpression("^[a-z0-9._-]+(/[a-z0-9._-]+)*$").match(it.key()).hasMatch()) << it.key().toStdString();
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
        if (it.key().startsWith("p/"))
            pictures << it.key();
    }
    // The background, the photograph and the shared picture: the boxes and the grid's thumbnails ask these
    // small pictures at their own size.
    EXPECT_EQ(pictures.size(), 3);
    EXPECT_EQ(first.pictures, 3);
    EXPECT_EQ(first.picturesMade, 3);

    // Nothing but what the catalog shows: no hidden field, no path of the database or its pictures.
    QByteArray everything;
    for (const QString &file : sink.puts.keys())
        if (!file.startsWith("p/"))
            everything += FileBytes(site + "/" + file);
    EXPECT_FALSE(everything.contains("тайная цена"));
    EXPECT_FALSE(everything.contains("Красный"));
    EXPECT_FALSE(everything.contains(QFileInfo(dbPath).fileName().toUtf8()));
    EXPECT_FALSE(everything.contains("Background.jpg"));
    EXPECT_FALSE(everything.contains("<script>document"));

    // Stopped after two objects: the caller learns the site is partial, and it has no index.
    FolderSink stopped(site + "/stopped");
    const WebSite::Result partial =
        WebSite::Generate(*module, "Витрина", {1, 2, 3, 4}, {}, stopped, [](int done, int) { return done < 2; });
    EXPECT_TRUE(partial.stopped);
    EXPECT_TRUE(partial.error.isEmpty());
    EXPECT_EQ(partial.objects, 2);
    EXPECT_FALSE(stopped.puts.contains("index.html"));

    // Published again: no picture is made again.
    FolderSink again(site);
    const WebSite::Result second = publish(again);
    EXPECT_EQ(second.picturesMade, 0);
    EXPECT_EQ(second.pictures, 3);
    for (const QString &file : again.puts.keys())
        EXPECT_FALSE(file.startsWith("p/")) << file.toStdString();
}

TEST_F(WebSitePagesTest, AnObjectPageWalksTheListTheVisitorNarrowedAndBackBringsThatListAgain)
{
    // Published in an order of its own: a page is named by its object, not by where it stands.
    FolderSink sink(site);
    ASSERT_TRUE(publish(sink, {2, 1, 4, 3}).error.isEmpty());
    EXPECT_TRUE(sink.puts.contains("o1.html") && sink.puts.contains("o4.html"));

    // A visitor in one browser tab (a frame of this page): narrows the list, opens an object, walks it,
    // goes Back, then comes back again by the link to the list.
    WriteFile(site + "/visit.html", R"(<!DOCTYPE html><html><body><iframe id="tab" src="index.html" width="1200" height="800"></iframe>
<pre id="probe"></pre><script>
var tab = document.getElementById('tab'), out = {}, step = 0;
function list(d) { return Array.prototype.filter.call(d.querySelectorAll('#grid tbody tr'), function (tr) { return !tr.hidden; })
  .map(function (tr) { return tr.cells[0].textContent; }); }
function nav(d) { var a = function (id) { var e = d.getElementById(id); return e.tagName === 'A' ? e.getAttribute('href') : ''; };
  return { title: d.title, prev: a('prev'), next: a('next'), pos: d.getElementById('pos').textContent }; }
function index(d, w) { return { search: d.getElementById('search').value, shown: list(d), hash: decodeURIComponent(w.location.hash),
  chosen: Array.prototype.map.call(d.querySelectorAll('#chosen li'), function (li) { return li.firstChild.textContent; }) }; }
function entry(d, t) { return Array.prototype.filter.call(d.querySelectorAll('#tree button.entry'), function (b) { return b.textContent === t; })[0]; }
function title(d, t) { return Array.prototype.filter.call(d.querySelectorAll('#grid th'), function (h) { return h.textContent === t; })[0]; }
var steps = [
  function (w, d) {
    var s = d.getElementById('search');
    s.value = 'и'; s.dispatchEvent(new Event('input'));
    entry(d, 'Россия').click();
    title(d, 'Цена').click();
    out.narrowed = index(d, w);
    d.querySelector('#grid a[href="o1.html"]').click();
  },
  function (w, d) { out.first = nav(d); d.getElementById('prev').click(); },
  function (w, d) { out.second = nav(d); w.history.back(); },
  function (w, d) { w.history.back(); },
  function (w, d) { out.back = index(d, w); d.querySelector('#grid a[href="o4.html"]').click(); },
  function (w, d) { d.getElementById('toindex').click(); },
  function (w, d) { out.toList = index(d, w); }
];
tab.onload = function () {
  try { steps[step++](tab.contentWindow, tab.contentDocument); } catch (e) { out.error = String(e); step = steps.length; }
  if (step >= steps.length) document.getElementById('probe').textContent = JSON.stringify(out);
};
</script></body></html>)");
    const QString dom = Browser::DumpDom(site + "/visit.html", QSize(1300, 900), 10000);
    const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("<pre id=\"probe\">(.*)</pre>")).match(dom);
    ASSERT_TRUE(found.hasMatch()) << dom.left(2000).toStdString();
    const QJsonObject out = QJsonDocument::fromJson(found.captured(1).replace("&amp;", "&").toUtf8()).object();
    ASSERT_FALSE(out.contains("error")) << out["error"].toString().toStdString();
    const auto strings = [](const QJsonValue &value) {
        QStringList list;
        for (const QJsonValue &v : value.toArray())
            list << v.toString();
        return list;
    };
    // Searched "и", Россия chosen, cheapest first: Лиса (Казань, 2490), then Ёжик (Москва, 18990).
    const QJsonObject narrowed = out["narrowed"].toObject();
    EXPECT_EQ(strings(narrowed["shown"]), QStringList({"Лиса", "Ёжик"}));
    EXPECT_EQ(narrowed["hash"].toString(), "#q=и&f=1-10&s=2");

    // Previous, next and the position are those of the narrowed list, not of the whole one (2, 1, 4, 3).
    const QJsonObject first = out["first"].toObject(), second = out["second"].toObject();
    EXPECT_EQ(first["title"].toString(), "Ёжик — Витрина");
    EXPECT_EQ(first["prev"].toString(), "o4.html");
    EXPECT_EQ(first["next"].toString(), "");
    EXPECT_EQ(first["pos"].toString(), "2 из 2");
    EXPECT_EQ(second["title"].toString(), "Лиса — Витрина");
    EXPECT_EQ(second["prev"].toString(), "");
    EXPECT_EQ(second["next"].toString(), "o1.html");
    EXPECT_EQ(second["pos"].toString(), "1 из 2");

    // Back, and the link to the list: the same search in the box and applied, the same entry, the same order.
    for (const char *way : {"back", "toList"}) {
        SCOPED_TRACE(way);
        const QJsonObject again = out[way].toObject();
        EXPECT_EQ(again["search"].toString(), "и");
        EXPECT_EQ(strings(again["chosen"]), QStringList({"Россия"}));
        EXPECT_EQ(strings(again["shown"]), QStringList({"Лиса", "Ёжик"}));
    }

    // Opened on its own (no list kept in the tab): the whole list's neighbours, no position.
    const QJsonObject alone = Probe(site + "/o4.html",
                                    "out.prev=document.getElementById('prev').getAttribute('href');"
                                    "out.next=document.getElementById('next').getAttribute('href');"
                                    "out.pos=document.getElementById('pos').textContent;",
                                    QSize(1200, 900));
    EXPECT_EQ(alone["prev"].toString(), "o1.html");
    EXPECT_EQ(alone["next"].toString(), "o3.html");
    EXPECT_EQ(alone["pos"].toString(), "");
}
