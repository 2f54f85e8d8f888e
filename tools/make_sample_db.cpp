// Build step: writes the ready template "Пример" through the program's own stores: a classifier with
// units of length and mass and goods groups, fields of every type, two reference books and two dozen
// goods with their parameters and drawn photographs.
#include "app/databasehooks.h"
#include "classifier/classstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/fieldstore.h"
#include "objects/objectlinks.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "references/referencestore.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTime>
#include <cstdio>

namespace {

enum class Shape { Phone, Tablet, Laptop, Headphones, Speaker, Kettle, Microwave, Vacuum, Washer, Table, Chair, Cabinet };

struct Good
{
    QString name;
    QString maker;
    QString colour;
    double price;
    int stock;
    QDate arrived;
    QTime arrivedAt;
    QString description;
    qint64 group;
    Shape shape;
    double width, height, depth;   // centimetres
    double mass;                   // kilograms
    int warranty;                  // months
};

QColor paintOf(const QString &colour)
{
    static const QHash<QString, QColor> paints = {
        {QStringLiteral("Черный"), QColor(45, 45, 50)},     {QStringLiteral("Белый"), QColor(240, 240, 236)},
        {QStringLiteral("Серый"), QColor(140, 145, 150)},   {QStringLiteral("Синий"), QColor(40, 90, 170)},
        {QStringLiteral("Красный"), QColor(190, 45, 45)},   {QStringLiteral("Коричневый"), QColor(130, 85, 50)},
    };
    return paints.value(colour, Qt::darkGray);
}

void drawShape(QPainter &p, Shape shape, const QColor &body)
{
    const QColor edge = body.lightness() > 200 ? QColor(120, 120, 120) : body.darker(160);
    const QColor glass(70, 110, 150);
    p.setPen(QPen(edge, 3));
    p.setBrush(body);
    switch (shape) {
    case Shape::Phone:
        p.drawRoundedRect(QRectF(125, 25, 70, 140), 12, 12);
        p.setBrush(glass);
        p.drawRect(QRectF(133, 40, 54, 105));
        break;
    case Shape::Tablet:
        p.drawRoundedRect(QRectF(90, 30, 140, 130), 12, 12);
        p.setBrush(glass);
        p.drawRect(QRectF(102, 42, 116, 106));
        break;
    case Shape::Laptop:
        p.drawRoundedRect(QRectF(85, 30, 150, 100), 6, 6);
        p.setBrush(glass);
        p.drawRect(QRectF(95, 40, 130, 80));
        p.setBrush(body);
        p.drawPolygon(QPolygonF({QPointF(70, 135), QPointF(250, 135), QPointF(265, 160), QPointF(55, 160)}));
        break;
    case Shape::Headphones:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(body, 10));
        p.drawArc(QRectF(100, 30, 120, 120), 0, 180 * 16);
        p.setPen(QPen(edge, 3));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(88, 85, 30, 60), 10, 10);
        p.drawRoundedRect(QRectF(202, 85, 30, 60), 10, 10);
        break;
    case Shape::Speaker:
        p.drawRoundedRect(QRectF(115, 25, 90, 140), 10, 10);
        p.setBrush(body.darker(140));
        p.drawEllipse(QPointF(160, 60), 20, 20);
        p.drawEllipse(QPointF(160, 120), 30, 30);
        break;
    case Shape::Kettle: {
        QPainterPath pot;
        pot.moveTo(110, 160);
        pot.lineTo(120, 60);
        pot.lineTo(200, 60);
        pot.lineTo(210, 160);
        pot.closeSubpath();
        p.drawPath(pot);
        p.drawRect(QRectF(105, 155, 110, 12));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(195, 70, 40, 70), -90 * 16, 180 * 16);
        p.setBrush(body);
        p.drawPolygon(QPolygonF({QPointF(120, 75), QPointF(90, 60), QPointF(95, 70), QPointF(118, 95)}));
        p.drawRoundedRect(QRectF(140, 48, 40, 14), 5, 5);
        break;
    }
    case Shape::Microwave:
        p.drawRoundedRect(QRectF(70, 45, 180, 110), 8, 8);
        p.setBrush(glass);
        p.drawRect(QRectF(82, 57, 120, 86));
        p.setBrush(body.darker(130));
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(226, 75 + i * 25), 7, 7);
        break;
    case Shape::Vacuum:
        p.drawEllipse(QRectF(90, 85, 110, 75));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(edge, 6));
        p.drawArc(QRectF(170, 40, 80, 100), 0, 120 * 16);
        p.drawLine(QPointF(250, 90), QPointF(250, 160));
        p.drawLine(QPointF(235, 160), QPointF(270, 160));
        break;
    case Shape::Washer:
        p.drawRoundedRect(QRectF(100, 25, 120, 140), 8, 8);
        p.drawLine(QPointF(100, 50), QPointF(220, 50));
        p.setBrush(glass);
        p.drawEllipse(QPointF(160, 108), 40, 40);
        break;
    case Shape::Table:
        p.drawRect(QRectF(60, 70, 200, 16));
        p.drawRect(QRectF(75, 86, 12, 80));
        p.drawRect(QRectF(233, 86, 12, 80));
        break;
    case Shape::Chair:
        p.drawRect(QRectF(120, 20, 14, 100));
        p.drawRect(QRectF(120, 95, 80, 14));
        p.drawRect(QRectF(122, 109, 10, 58));
        p.drawRect(QRectF(188, 109, 10, 58));
        break;
    case Shape::Cabinet:
        p.drawRect(QRectF(105, 15, 110, 150));
        p.drawLine(QPointF(160, 15), QPointF(160, 165));
        p.setBrush(edge);
        p.drawEllipse(QPointF(152, 90), 3, 3);
        p.drawEllipse(QPointF(168, 90), 3, 3);
        break;
    }
}

QByteArray photoOf(const Good &good)
{
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, 240);
    background.setColorAt(0, QColor(250, 250, 252));
    background.setColorAt(1, QColor(205, 215, 228));
    p.fillRect(image.rect(), background);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QRectF(70, 160, 180, 16));
    drawShape(p, good.shape, paintOf(good.colour));
    p.setPen(QColor(40, 45, 60));
    QFont font = p.font();
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(8, 185, 304, 50), Qt::AlignCenter | Qt::TextWordWrap, good.name);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 85))
        throw DbError(QStringLiteral("Не удается записать фотографию товара %1").arg(good.name));
    return bytes;
}

QString centimetres(double value)
{
    return QLocale(QLocale::Russian).toString(value, 'g', 4) + QStringLiteral(" см");
}

void generate(TDModule &module)
{
    Transaction tx(module);
    const auto add = [&](const QString &name, const QString &code, qint64 parent, double ratio = 0) {
        return AddClass(module, name, code, parent, ratio);
    };

    const qint64 goods = add(QStringLiteral("Группы товаров"), QString(), 0);
    const qint64 electronics = add(QStringLiteral("Электроника"), QStringLiteral("01"), goods);
    const qint64 phones = add(QStringLiteral("Телефоны"), QStringLiteral("01.01"), electronics);
    const qint64 tablets = add(QStringLiteral("Планшеты"), QStringLiteral("01.02"), electronics);
    const qint64 laptops = add(QStringLiteral("Ноутбуки"), QStringLiteral("01.03"), electronics);
    const qint64 audio = add(QStringLiteral("Аудиотехника"), QStringLiteral("01.04"), electronics);
    const qint64 headphones = add(QStringLiteral("Наушники"), QStringLiteral("01.04.01"), audio);
    const qint64 speakers = add(QStringLiteral("Колонки"), QStringLiteral("01.04.02"), audio);
    const qint64 appliances = add(QStringLiteral("Бытовая техника"), QStringLiteral("02"), goods);
    const qint64 kitchen = add(QStringLiteral("Кухонная техника"), QStringLiteral("02.01"), appliances);
    const qint64 kettles = add(QStringLiteral("Чайники"), QStringLiteral("02.01.01"), kitchen);
    const qint64 microwaves = add(QStringLiteral("Микроволновые печи"), QStringLiteral("02.01.02"), kitchen);
    const qint64 cleaning = add(QStringLiteral("Техника для уборки"), QStringLiteral("02.02"), appliances);
    const qint64 vacuums = add(QStringLiteral("Пылесосы"), QStringLiteral("02.02.01"), cleaning);
    const qint64 washers = add(QStringLiteral("Стиральные машины"), QStringLiteral("02.03"), appliances);
    const qint64 furniture = add(QStringLiteral("Мебель"), QStringLiteral("03"), goods);
    const qint64 tables = add(QStringLiteral("Столы"), QStringLiteral("03.01"), furniture);
    const qint64 chairs = add(QStringLiteral("Стулья и табуреты"), QStringLiteral("03.02"), furniture);
    const qint64 cabinets = add(QStringLiteral("Шкафы"), QStringLiteral("03.03"), furniture);

    // Units: each one under the next larger, with the ratio "1 parent = n units".
    const qint64 length = add(QStringLiteral("Единицы длины"), QString(), 0);
    const qint64 km = add(QStringLiteral("Километр"), QStringLiteral("км"), length);
    const qint64 m = add(QStringLiteral("Метр"), QStringLiteral("м"), km, 1000);
    const qint64 cm = add(QStringLiteral("Сантиметр"), QStringLiteral("см"), m, 100);
    add(QStringLiteral("Миллиметр"), QStringLiteral("мм"), cm, 10);
    const qint64 mass = add(QStringLiteral("Единицы массы"), QString(), 0);
    const qint64 tonne = add(QStringLiteral("Тонна"), QStringLiteral("т"), mass);
    const qint64 kg = add(QStringLiteral("Килограмм"), QStringLiteral("кг"), tonne, 1000);
    const qint64 gram = add(QStringLiteral("Грамм"), QStringLiteral("г"), kg, 1000);
    add(QStringLiteral("Миллиграмм"), QStringLiteral("мг"), gram, 1000);

    const qint64 properties = add(QStringLiteral("Характеристики"), QString(), 0);
    const qint64 dimensions = add(QStringLiteral("Габариты"), QStringLiteral("Г"), properties);
    const qint64 width = add(QStringLiteral("Ширина"), QStringLiteral("Г.1"), dimensions);
    const qint64 height = add(QStringLiteral("Высота"), QStringLiteral("Г.2"), dimensions);
    const qint64 depth = add(QStringLiteral("Глубина"), QStringLiteral("Г.3"), dimensions);
    const qint64 weight = add(QStringLiteral("Масса изделия"), QStringLiteral("М"), properties);
    const qint64 warranty = add(QStringLiteral("Гарантия"), QStringLiteral("Т"), properties);

    const qint64 goodsBook = ReferenceStore::GenerateBook(module, {goods, QStringLiteral("Группы товаров")});
    const qint64 propertiesBook = ReferenceStore::GenerateBook(module, {properties, QStringLiteral("Характеристики")});

    using namespace FieldStore;
    AddField(module, QStringLiteral("Наименование"), StringType, false);
    const qint64 maker = AddField(module, QStringLiteral("Производитель"), StringType, true);
    const qint64 colour = AddField(module, QStringLiteral("Цвет"), StringType, true);
    AddField(module, QStringLiteral("Цена, руб."), 1, false);
    AddField(module, QStringLiteral("Количество на складе"), 0, false);
    AddField(module, QStringLiteral("Дата поступления"), 3, false);
    AddField(module, QStringLiteral("Время поступления"), 2, false);
    AddField(module, QStringLiteral("В наличии"), 4, false);
    AddField(module, QStringLiteral("Описание"), 6, false);
    AddField(module, QStringLiteral("Фотография"), 7, false);
    for (const char *name : {"Альфа", "Вектор", "Гранит", "Меридиан", "Север", "Полюс"})
        AddLookupEntry(module, maker, QString::fromUtf8(name));
    for (const char *name : {"Белый", "Черный", "Серый", "Синий", "Красный", "Коричневый", "Зеленый"})
        AddLookupEntry(module, colour, QString::fromUtf8(name));

    const auto d = [](int month, int day) { return QDate(2024, month, day); };
    const auto t = [](int hour, int minute) { return QTime(hour, minute); };
    const QList<Good> catalogue = {
        {"Смартфон Альфа А5", "Альфа", "Черный", 18990, 14, d(2, 12), t(10, 15),
         "Экран 6,1 дюйма, 128 ГБ памяти.\nДве камеры, быстрая зарядка.", phones, Shape::Phone, 7.1, 14.7, 0.8, 0.17, 12},
        {"Смартфон Вектор В7", "Вектор", "Синий", 24990, 8, d(3, 4), t(11, 40),
         "Экран 6,5 дюйма, 256 ГБ памяти.\nЗащита от воды.", phones, Shape::Phone, 7.5, 16.1, 0.8, 0.19, 12},
        {"Кнопочный телефон Север К1", "Север", "Серый", 2490, 30, d(1, 22), t(9, 5),
         "Две SIM-карты, фонарик.\nАккумулятор держит неделю.", phones, Shape::Phone, 5.2, 12.0, 1.4, 0.09, 6},
        {"Планшет Меридиан 10", "Меридиан", "Серый", 21990, 5, d(4, 2), t(14, 20),
         "Экран 10,4 дюйма.\nЧехол-подставка в комплекте.", tablets, Shape::Tablet, 24.5, 15.5, 0.7, 0.47, 12},
        {"Ноутбук Гранит 13", "Гранит", "Серый", 64990, 4, d(3, 18), t(12, 0),
         "Экран 13,3 дюйма, 16 ГБ памяти.\nМеталлический корпус.", laptops, Shape::Laptop, 30.4, 1.6, 21.2, 1.24, 24},
        {"Ноутбук Альфа 15", "Альфа", "Черный", 52990, 0, d(2, 27), t(16, 30),
         "Экран 15,6 дюйма, 8 ГБ памяти.\nОжидается новая поставка.", laptops, Shape::Laptop, 35.8, 2.0, 23.5, 1.78, 12},
        {"Наушники накладные Вектор", "Вектор", "Белый", 3990, 25, d(5, 6), t(10, 50),
         "Беспроводные, до 30 часов работы.", headphones, Shape::Headphones, 16.0, 18.0, 7.5, 0.21, 12},
        {"Наушники-вкладыши Север", "Север", "Черный", 1990, 40, d(5, 6), t(10, 55),
         "Микрофон и кнопка ответа на проводе.", headphones, Shape::Headphones, 2.0, 2.5, 2.0, 0.02, 6},
        {"Портативная колонка Меридиан", "Меридиан", "Синий", 4590, 12, d(4, 15), t(13, 10),
         "Защита от брызг, ремешок для переноски.", speakers, Shape::Speaker, 7.0, 18.0, 7.0, 0.54, 12},
        {"Домашняя колонка Гранит", "Гранит", "Черный", 11990, 3, d(4, 15), t(13, 25),
         "Два динамика, деревянный корпус.", speakers, Shape::Speaker, 18.0, 30.0, 20.0, 4.1, 24},
        {"Чайник стеклянный Альфа", "Альфа", "Белый", 2790, 18, d(1, 30), t(9, 45),
         "Объем 1,7 л, подсветка воды.", kettles, Shape::Kettle, 22.0, 25.0, 15.0, 1.1, 12},
        {"Чайник металлический Север", "Север", "Серый", 3290, 9, d(2, 8), t(15, 0),
         "Объем 1,5 л, двойные стенки.", kettles, Shape::Kettle, 21.0, 24.0, 15.0, 1.3, 24},
        {"Микроволновая печь Вектор 20 л", "Вектор", "Белый", 7990, 6, d(3, 11), t(11, 5),
         "Мощность 700 Вт, пять режимов.", microwaves, Shape::Microwave, 44.0, 26.0, 34.0, 10.5, 12},
        {"Микроволновая печь с грилем Гранит", "Гранит", "Черный", 11490, 2, d(3, 11), t(11, 20),
         "Мощность 900 Вт, гриль и конвекция.", microwaves, Shape::Microwave, 48.0, 28.0, 39.0, 13.2, 24},
        {"Пылесос с мешком Меридиан", "Меридиан", "Красный", 6990, 7, d(2, 20), t(10, 0),
         "Мощность всасывания 400 Вт.\nТри насадки.", vacuums, Shape::Vacuum, 27.0, 22.0, 38.0, 5.3, 24},
        {"Робот-пылесос Альфа", "Альфа", "Черный", 19990, 0, d(4, 25), t(17, 15),
         "Влажная уборка, управление с телефона.\nОжидается новая поставка.", vacuums, Shape::Vacuum, 35.0, 9.5, 35.0, 3.2, 12},
        {"Стиральная машина Север 6 кг", "Север", "Белый", 29990, 3, d(5, 14), t(12, 30),
         "Загрузка до 6 кг, отжим 1000 об/мин.", washers, Shape::Washer, 60.0, 85.0, 45.0, 62.0, 36},
        {"Стол письменный", "Гранит", "Коричневый", 8990, 10, d(1, 16), t(14, 0),
         "Столешница из дуба, две тумбы.", tables, Shape::Table, 120.0, 75.0, 60.0, 32.0, 18},
        {"Стол обеденный раздвижной", "Меридиан", "Коричневый", 15990, 4, d(1, 16), t(14, 10),
         "Раздвигается со 120 до 160 см.", tables, Shape::Table, 120.0, 76.0, 80.0, 41.0, 18},
        {"Стул офисный", "Вектор", "Черный", 5490, 22, d(2, 2), t(10, 30),
         "Регулировка высоты, сетчатая спинка.", chairs, Shape::Chair, 60.0, 110.0, 60.0, 12.0, 12},
        {"Стул деревянный", "Гранит", "Коричневый", 2990, 35, d(2, 2), t(10, 45),
         "Массив березы, мягкое сиденье.", chairs, Shape::Chair, 44.0, 90.0, 50.0, 5.5, 12},
        {"Табурет", "Север", "Белый", 990, 50, d(2, 2), t(11, 0),
         "Пластиковое сиденье, стальные ножки.", chairs, Shape::Chair, 32.0, 45.0, 32.0, 2.0, 6},
        {"Шкаф платяной", "Меридиан", "Белый", 24990, 2, d(5, 20), t(16, 0),
         "Две двери, штанга и полки.", cabinets, Shape::Cabinet, 100.0, 200.0, 58.0, 85.0, 24},
        {"Шкаф книжный", "Гранит", "Коричневый", 12990, 5, d(5, 20), t(16, 20),
         "Пять полок, стеклянные двери.", cabinets, Shape::Cabinet, 80.0, 190.0, 35.0, 48.0, 24},
    };

    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    const QLocale russian(QLocale::Russian);
    for (const Good &good : catalogue) {
        const QHash<QString, QVariant> values = {
            {QStringLiteral("Наименование"), good.name},
            {QStringLiteral("Производитель"), good.maker},
            {QStringLiteral("Цвет"), good.colour},
            {QStringLiteral("Цена, руб."), QString::number(good.price, 'f', 2)},
            {QStringLiteral("Количество на складе"), QString::number(good.stock)},
            {QStringLiteral("Дата поступления"), good.arrived},
            {QStringLiteral("Время поступления"), good.arrivedAt},
            {QStringLiteral("В наличии"), good.stock > 0},
            {QStringLiteral("Описание"), good.description},
            {QStringLiteral("Фотография"), photoOf(good)},
        };
        QList<FieldInput> inputs;
        for (const DescriptionField &field : fields)
            inputs.append({field, values.value(field.name), field.kind() == FieldKind::Image});
        const qint64 id = ReserveObjectId(module);
        InsertObject(module, id, inputs);
        const QString object = QString::number(id);
        AddObjectLink(module, object, goodsBook, good.group, QString(), 0);
        AddObjectLink(module, object, propertiesBook, width, centimetres(good.width), dimensions);
        AddObjectLink(module, object, propertiesBook, height, centimetres(good.height), dimensions);
        AddObjectLink(module, object, propertiesBook, depth, centimetres(good.depth), dimensions);
        AddObjectLink(module, object, propertiesBook, weight, russian.toString(good.mass, 'g', 4) + QStringLiteral(" кг"), 0);
        AddObjectLink(module, object, propertiesBook, warranty, QStringLiteral("%1 мес.").arg(good.warranty), 0);
    }
    tx.commit();
}
}

int main(int argc, char **argv)
{
    // Drawing text needs a GUI application, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterDatabaseHooks();
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_db <path>\n");
        return 2;
    }
    // Written aside and moved into place when complete, so a failed run leaves no file the build would
    // take as done.
    const QString target = QString::fromLocal8Bit(argv[1]);
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    try {
        CreateEmptyDatabase(partial);
        TDModule module;
        module.OpenConnection(partial);
        generate(module);
        module.CloseConnection();
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        QFile::remove(partial);
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
