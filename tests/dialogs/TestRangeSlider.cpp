#include "TestSupport.h"

#include "core/QuarnelApplication.h"
#include "dialogs/EmkRangeSlider.h"
#include "dialogs/RangeSliderGeometry.h"
#include "dialogs/TmkRangeSlider.h"
#include "dialogs/TmkThumbBitmap.h"

#include <QPaintEvent>
#include <QtTest>

#include <limits>

namespace G = RangeSliderGeometry;

Q_DECLARE_METATYPE(TmkOrientation)
Q_DECLARE_METATYPE(TmkTickStyle)
Q_DECLARE_METATYPE(TmkThumbStyle)
Q_DECLARE_METATYPE(QList<QPoint>)

namespace {

// Every event of a slider, in the order it fired.
struct EventLog
{
    explicit EventLog(TmkRangeSlider &s)
    {
        QObject::connect(&s, &TmkRangeSlider::OnBeforeChange, [this] { events << QStringLiteral("before"); });
        QObject::connect(&s, &TmkRangeSlider::OnMinChange,
                         [this](int v) { events << QStringLiteral("min=%1").arg(v); });
        QObject::connect(&s, &TmkRangeSlider::OnMaxChange,
                         [this](int v) { events << QStringLiteral("max=%1").arg(v); });
        QObject::connect(&s, &TmkRangeSlider::OnMinPosChange,
                         [this](int v) { events << QStringLiteral("minpos=%1").arg(v); });
        QObject::connect(&s, &TmkRangeSlider::OnMaxPosChange,
                         [this](int v) { events << QStringLiteral("maxpos=%1").arg(v); });
        QObject::connect(&s, &TmkRangeSlider::OnChange, [this] { events << QStringLiteral("change"); });
    }
    int count(const QString &prefix) const
    {
        int n = 0;
        for (const QString &e : events)
            n += e.startsWith(prefix) ? 1 : 0;
        return n;
    }
    QStringList events;
};

// "Name=value;Name=value" applied in order.
void Apply(TmkRangeSlider &s, const QString &script)
{
    for (const QString &step : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = step.section(QLatin1Char('='), 0, 0);
        const int value = step.section(QLatin1Char('='), 1).toInt();
        if (name == u"Min")
            s.SetMin(value);
        else if (name == u"Max")
            s.SetMax(value);
        else if (name == u"MinPosition")
            s.SetMinPosition(value);
        else if (name == u"MaxPosition")
            s.SetMaxPosition(value);
        else if (name == u"Frequency")
            s.SetFrequency(value);
        else if (name == u"Orientation")
            s.SetOrientation(TmkOrientation(value));
        else if (name == u"ThumbStyle")
            s.SetThumbStyle(TmkThumbStyle(value));
        else
            qFatal("unknown property in test script");
    }
}

QString State(const TmkRangeSlider &s)
{
    return QStringLiteral("%1,%2,%3,%4").arg(s.Min()).arg(s.Max()).arg(s.MinPosition()).arg(s.MaxPosition());
}

// A slider whose ruler is `rulerLength` pixels: range 0..rulerLength gives one unit a pixel.
std::unique_ptr<TmkRangeSlider> SliderWithRuler(int rulerLength, TmkOrientation orientation = rsHorizontal)
{
    auto s = std::make_unique<TmkRangeSlider>();
    s->SetOrientation(orientation);
    if (orientation == rsVertical)
        s->resize(32, rulerLength + 26);
    else
        s->resize(rulerLength + 26, 32);
    return s;
}

void SendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), type == QEvent::MouseMove ? Qt::NoButton : button,
                  held, mods);
    QApplication::sendEvent(w, &e);
}

QList<QPoint> Points(std::initializer_list<QPoint> points)
{
    return QList<QPoint>(points);
}

} // namespace

class TestRangeSlider : public QObject
{
    Q_OBJECT
private slots:
    void newSliderDefaults()
    {
        TmkRangeSlider s;
        QCOMPARE(State(s), QStringLiteral("0,10,0,10"));
        QCOMPARE(s.Frequency(), 0);
        QCOMPARE(s.Orientation(), rsHorizontal);
        QCOMPARE(s.TickStyle(), rsBottomRight);
        QCOMPARE(s.ThumbStyle(), rsStandard);
        QCOMPARE(s.size(), QSize(200, 32));
        QCOMPARE(s.minimumSize(), QSize(50, 10));
        QCOMPARE(s.focusPolicy(), Qt::StrongFocus);
        QVERIFY(s.NotifyChange());
        QCOMPARE(s.RulerLength(), 200 - 2 * 10 - 6);

        s.SetOrientation(rsVertical);
        QCOMPARE(s.minimumSize(), QSize(10, 50));
        QCOMPARE(s.MinThumb().Picture.size(), QSize(22, 10));
    }

    void setters_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("error");

        QTest::newRow("MinPosition beyond MaxPosition stops at it")
            << ""
            << "MinPosition=12"
            << "0,10,10,10" << Strings({"before", "minpos=10", "change"}) << "";
        QTest::newRow("MaxPosition below MinPosition stops at it")
            << "MinPosition=4"
            << "MaxPosition=-3"
            << "0,10,4,4" << Strings({"before", "maxpos=4", "change"}) << "";
        QTest::newRow("MinPosition below Min stops at Min")
            << "MinPosition=4"
            << "MinPosition=-9"
            << "0,10,0,10" << Strings({"before", "minpos=0", "change"}) << "";
        QTest::newRow("MinPosition to its own value: nothing at all") << "MinPosition=4"
                                                                      << "MinPosition=4"
                                                                      << "0,10,4,10" << QStringList() << "";
        QTest::newRow("MaxPosition to its own value: nothing at all") << ""
                                                                      << "MaxPosition=10"
                                                                      << "0,10,0,10" << QStringList() << "";
        QTest::newRow("Max below MaxPosition pulls the thumb in")
            << "Max=100;MaxPosition=80"
            << "Max=50"
            << "0,50,0,50" << Strings({"before", "max=50", "change"}) << "";
        QTest::newRow("Min above both thumbs pushes them")
            << "Max=100;MinPosition=20;MaxPosition=25"
            << "Min=40"
            << "40,100,40,40" << Strings({"before", "min=40", "change"}) << "";
        QTest::newRow("Min to its own value still reports")
            << ""
            << "Min=0"
            << "0,10,0,10" << Strings({"before", "min=0", "change"}) << "";
        QTest::newRow("Min equal to Max is refused") << "MinPosition=3"
                                                     << "Min=10"
                                                     << "0,10,3,10" << QStringList() << "Min >= Max";
        QTest::newRow("Min above Max is refused") << ""
                                                  << "Min=11"
                                                  << "0,10,0,10" << QStringList() << "Min >= Max";
        QTest::newRow("Max equal to Min is refused") << ""
                                                     << "Max=0"
                                                     << "0,10,0,10" << QStringList() << "Max <= Min";
        QTest::newRow("Max below Min is refused") << "Min=-5"
                                                  << "Max=-6"
                                                  << "-5,10,0,10" << QStringList() << "Max <= Min";
        QTest::newRow("the whole 32-bit range")
            << "Min=-2147483648"
            << "Max=2147483647"
            << "-2147483648,2147483647,0,10" << Strings({"before", "max=2147483647", "change"}) << "";
        QTest::newRow("negative Frequency ignored") << ""
                                                    << "Frequency=-1"
                                                    << "0,10,0,10" << QStringList() << "";
        QTest::newRow("Frequency to its own value ignored") << ""
                                                            << "Frequency=0"
                                                            << "0,10,0,10" << QStringList() << "";
        QTest::newRow("Frequency set") << ""
                                       << "Frequency=5"
                                       << "0,10,0,10" << Strings({"before"}) << "";
        QTest::newRow("Orientation to its own value ignored") << ""
                                                              << "Orientation=0"
                                                              << "0,10,0,10" << QStringList() << "";
        QTest::newRow("ThumbStyle set") << ""
                                        << "ThumbStyle=3"
                                        << "0,10,0,10" << Strings({"before"}) << "";
    }

    void setters()
    {
        QFETCH(QString, setup);
        QFETCH(QString, change);
        TmkRangeSlider s;
        Apply(s, setup);
        EventLog log(s);
        QString error;
        try {
            Apply(s, change);
        } catch (const EmkRangeSlider &e) {
            error = e.text();
        }
        QTEST(error, "error");
        QTEST(State(s), "state");
        QTEST(log.events, "events");
    }

    // OnBeforeChange comes before the value is stored: its handlers see the old state.
    void beforeChangeSeesOldValues_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("seen");
        QTest::newRow("Min") << "Min=2"
                             << "0,10,0,10";
        QTest::newRow("Max") << "Max=5"
                             << "0,10,0,10";
        QTest::newRow("MinPosition") << "MinPosition=3"
                                     << "0,10,0,10";
        QTest::newRow("MaxPosition") << "MaxPosition=3"
                                     << "0,10,0,10";
    }
    void beforeChangeSeesOldValues()
    {
        QFETCH(QString, change);
        TmkRangeSlider s;
        QString seen;
        connect(&s, &TmkRangeSlider::OnBeforeChange, this, [&] { seen = State(s); });
        Apply(s, change);
        QTEST(seen, "seen");
    }

    void thumbShapes_data()
    {
        QTest::addColumn<TmkThumbStyle>("style");
        QTest::addColumn<TmkOrientation>("orientation");
        QTest::addColumn<TmkTickStyle>("tickStyle");
        QTest::addColumn<bool>("maxThumb");
        QTest::addColumn<QPoint>("hot");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QList<QPoint>>("points");

        QTest::newRow("standard, horizontal, min: hangs left")
            << rsStandard << rsHorizontal << rsBottomRight << false << QPoint(9, 9) << QSize(10, 22)
            << Points({{0, 0}, {9, 0}, {9, 21}, {0, 12}});
        QTest::newRow("standard, horizontal, max: mirrored, hangs right")
            << rsStandard << rsHorizontal << rsBottomRight << true << QPoint(0, 9) << QSize(10, 22)
            << Points({{9, 12}, {0, 21}, {0, 0}, {9, 0}});
        QTest::newRow("standard, horizontal, ticks top-left, min: mirrored, half turn")
            << rsStandard << rsHorizontal << rsTopLeft << false << QPoint(9, 12) << QSize(10, 22)
            << Points({{0, 9}, {9, 0}, {9, 21}, {0, 21}});
        QTest::newRow("standard, vertical, min: mirrored, three quarter turns")
            << rsStandard << rsVertical << rsBottomRight << false << QPoint(9, 9) << QSize(22, 10)
            << Points({{12, 0}, {21, 9}, {0, 9}, {0, 0}});
        QTest::newRow("standard, vertical, ticks top-left, min: quarter turn")
            << rsStandard << rsVertical << rsTopLeft << false << QPoint(12, 9) << QSize(22, 10)
            << Points({{21, 0}, {21, 9}, {0, 9}, {9, 0}});
        QTest::newRow("corner, horizontal, max: mirrored")
            << rsCorner << rsHorizontal << rsBottomRight << true << QPoint(0, 9) << QSize(19, 19)
            << Points({{0, 18}, {0, 0}, {18, 0}});
        QTest::newRow("arrow, vertical, ticks top-left, min: quarter turn")
            << rsArrow << rsVertical << rsTopLeft << false << QPoint(12, 21) << QSize(25, 22)
            << Points({{15, 0}, {15, 9}, {24, 9}, {12, 21}, {0, 9}, {9, 9}, {9, 0}});
        QTest::newRow("triangle, horizontal, min")
            << rsTriangle << rsHorizontal << rsBottomRight << false << QPoint(9, 9) << QSize(10, 19)
            << Points({{9, 0}, {9, 18}, {0, 9}});
    }
    void thumbShapes()
    {
        QFETCH(TmkThumbStyle, style);
        QFETCH(TmkOrientation, orientation);
        QFETCH(TmkTickStyle, tickStyle);
        QFETCH(bool, maxThumb);
        const TmkPointsArray shape = G::ThumbPoints(style, orientation, tickStyle, maxThumb);
        QTEST(shape.Hot, "hot");
        QTEST(G::PictureSize(shape), "picture");
        QTEST(shape.Points, "points");

        // The control builds its thumbs from the same shapes.
        TmkRangeSlider s;
        s.SetThumbStyle(style);
        s.SetOrientation(orientation);
        s.SetTickStyle(tickStyle);
        const TmkThumbBitmap &thumb = maxThumb ? s.MaxThumb() : s.MinThumb();
        QTEST(thumb.HotSpot, "hot");
        QTEST(thumb.Picture.size(), "picture");
    }

    void unknownThumbStyleIsStandard()
    {
        QCOMPARE(G::ThumbShape(99).Points, G::ThumbShape(rsStandard).Points);
        QCOMPARE(G::ThumbShape(99).Hot, G::ThumbShape(rsStandard).Hot);
    }

    // Highlight on the top and left edges, shadow on the bottom and right, face inside,
    // transparent outside the shape.
    void thumbPictureIsRaised()
    {
        const QColor face(200, 200, 200), light(255, 255, 255), shadow(100, 100, 100);
        const QImage img = TmkThumbBitmap::MakePicture(G::ThumbPoints(rsStandard, rsHorizontal, rsBottomRight, false),
                                                       face, light, shadow);
        QCOMPARE(img.size(), QSize(10, 22));
        QCOMPARE(img.pixelColor(4, 0), light); // top edge
        QCOMPARE(img.pixelColor(0, 6), light); // left edge
        QCOMPARE(img.pixelColor(9, 10), shadow); // right edge
        QCOMPARE(img.pixelColor(4, 5), face); // inside
        QCOMPARE(img.pixelColor(0, 20).alpha(), 0); // below the slanted bottom
    }

    void thumbWithoutSliderRaises()
    {
        TmkThumbBitmap thumb;
        thumb.Build(G::ThumbPoints(rsStandard, rsHorizontal, rsBottomRight, false), Qt::gray, Qt::white, Qt::darkGray);
        QPixmap canvas(40, 40);
        QString error;
        try {
            thumb.Draw(canvas, QRect(0, 0, 10, 22));
        } catch (const EmkRangeSlider &e) {
            error = e.text();
        }
        QCOMPARE(error, QStringLiteral("Slider not assigned to bitmap"));
    }

    void rulerGeometry_data()
    {
        QTest::addColumn<TmkOrientation>("orientation");
        QTest::addColumn<TmkTickStyle>("tickStyle");
        QTest::addColumn<TmkThumbStyle>("thumbStyle");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("rulerLength");
        QTest::addColumn<QRect>("rulerRect");
        QTest::addColumn<QRect>("minThumb"); // thumbs at 0 and 10 of the default range
        QTest::addColumn<QRect>("maxThumb");

        QTest::newRow("the segment editor's 371 x 32")
            << rsHorizontal << rsBottomRight << rsStandard << QSize(371, 32) << 345 << QRect(13, 6, 345, 11)
            << QRect(3, 2, 10, 22) << QRect(358, 2, 10, 22);
        QTest::newRow("horizontal, ticks top-left")
            << rsHorizontal << rsTopLeft << rsStandard << QSize(371, 32) << 345 << QRect(13, 9, 345, 11)
            << QRect(3, 2, 10, 22) << QRect(358, 2, 10, 22);
        QTest::newRow("vertical") << rsVertical << rsBottomRight << rsStandard << QSize(32, 371) << 345
                                  << QRect(6, 13, 11, 345) << QRect(2, 3, 22, 10) << QRect(2, 358, 22, 10);
        QTest::newRow("vertical, ticks top-left")
            << rsVertical << rsTopLeft << rsStandard << QSize(32, 371) << 345 << QRect(9, 13, 11, 345)
            << QRect(2, 3, 22, 10) << QRect(2, 358, 22, 10);
        QTest::newRow("arrow thumbs") << rsHorizontal << rsBottomRight << rsArrow << QSize(200, 40) << 150
                                      << QRect(25, 9, 150, 11) << QRect(3, 2, 22, 25) << QRect(175, 2, 22, 25);
        QTest::newRow("squeezed to the minimum size")
            << rsHorizontal << rsBottomRight << rsStandard << QSize(50, 10) << 24 << QRect(13, 6, 24, 11)
            << QRect(3, 2, 10, 22) << QRect(37, 2, 10, 22);
    }
    void rulerGeometry()
    {
        QFETCH(TmkOrientation, orientation);
        QFETCH(TmkTickStyle, tickStyle);
        QFETCH(TmkThumbStyle, thumbStyle);
        QFETCH(QSize, size);
        TmkRangeSlider s;
        s.SetOrientation(orientation);
        s.SetTickStyle(tickStyle);
        s.SetThumbStyle(thumbStyle);
        s.resize(size);
        QTEST(s.RulerLength(), "rulerLength");
        QTEST(s.RulerRect(), "rulerRect");
        QCOMPARE(s.Scale(), s.RulerLength() / 10.0);
        QTEST(s.MinThumbRect(), "minThumb");
        QTEST(s.MaxThumbRect(), "maxThumb");
    }

    // P and V round half to even.
    void mappings_data()
    {
        QTest::addColumn<int>("rulerLength");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("pixel");
        QTest::addColumn<int>("pixelBack"); // V(pixel)

        QTest::newRow("one unit a pixel") << 345 << 0 << 345 << 123 << 123 << 123;
        QTest::newRow("half a pixel a unit, 0.5 rounds to 0") << 345 << 0 << 690 << 1 << 0 << 0;
        QTest::newRow("half a pixel a unit, 1.5 rounds to 2") << 345 << 0 << 690 << 3 << 2 << 4;
        QTest::newRow("half a pixel a unit, 2.5 rounds to 2") << 345 << 0 << 690 << 5 << 2 << 4;
        QTest::newRow("two pixels a unit, from an offset Min") << 344 << 100 << 272 << 103 << 6 << 103;
        QTest::newRow("whole 32-bit range")
            << 345 << std::numeric_limits<int>::min() << std::numeric_limits<int>::max()
            << std::numeric_limits<int>::max() << 345 << std::numeric_limits<int>::max();
    }
    void mappings()
    {
        QFETCH(int, rulerLength);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, pixel);
        const double scale = G::ScaleFor(rulerLength, min, max);
        QCOMPARE(G::PositionToPixel(value, min, scale), pixel);
        QTEST(G::PixelToPosition(pixel, min, scale), "pixelBack");

        auto s = SliderWithRuler(rulerLength);
        s->SetMax(max);
        s->SetMin(min);
        QCOMPARE(s->P(value), pixel);
    }

    // No pixel offset far outside the ruler may overflow the position.
    void pixelFarOutsideStaysInRange()
    {
        const double scale = G::ScaleFor(1, 0, std::numeric_limits<int>::max());
        QCOMPARE(G::PixelToPosition(std::numeric_limits<int>::max(), 0, scale), std::numeric_limits<int>::max());
        QCOMPARE(G::PixelToPosition(-1000000, std::numeric_limits<int>::min() + 1, G::ScaleFor(345, 0, 1)),
                 std::numeric_limits<int>::min());
    }

    void tickChoice_data()
    {
        QTest::addColumn<int>("rulerLength");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<qint64>("used");
        QTest::addColumn<qint64>("base");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<int>("count");

        QTest::newRow("371 pixels over 0..345: every 5, long every 10")
            << 345 << 0 << 345 << 0 << qint64(5) << qint64(10) << qint64(0) << qint64(340) << 69;
        QTest::newRow("0..1000 on 345 pixels: every 20, long every 100")
            << 345 << 0 << 1000 << 0 << qint64(20) << qint64(100) << qint64(0) << qint64(980) << 50;
        QTest::newRow("default 0..10 on 174 pixels: every unit")
            << 174 << 0 << 10 << 0 << qint64(1) << qint64(10) << qint64(0) << qint64(9) << 10;
        QTest::newRow("set frequency 100000: one tick before Min")
            << 345 << 600 << 900 << 100000 << qint64(100000) << qint64(1000) << qint64(0) << qint64(0) << 1;
        QTest::newRow("Min between ticks: first tick before Min")
            << 345 << 7 << 20 << 5 << qint64(5) << qint64(10) << qint64(5) << qint64(15) << 3;
        QTest::newRow("negative Min") << 345 << -7 << 8 << 5 << qint64(5) << qint64(10) << qint64(-5) << qint64(5) << 3;
        QTest::newRow("whole 32-bit range, chosen")
            << 345 << std::numeric_limits<int>::min() << std::numeric_limits<int>::max() << 0 << qint64(100000000)
            << qint64(1000) << qint64(-2100000000) << qint64(2100000000) << 43;
    }
    void tickChoice()
    {
        QFETCH(int, rulerLength);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, frequency);
        const qint64 used = frequency >= 1 ? frequency : G::AutoTickFrequency(rulerLength, min, max);
        QTEST(used, "used");
        QTEST(G::TickBase(used), "base");
        const QList<qint64> ticks = G::TickValues(min, max, used);
        QTEST(int(ticks.size()), "count");
        QTEST(ticks.first(), "first");
        QTEST(ticks.last(), "last");
        QVERIFY(ticks.last() < max); // never a tick at Max itself
    }

    // A tick every unit over the whole 32-bit range would be four billion marks.
    void denseTicksOverHugeRangeAreBounded()
    {
        const QList<qint64> ticks = G::TickValues(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 1);
        QVERIFY(!ticks.isEmpty());
        QVERIFY(ticks.size() <= G::MaxTickCount);
    }

    // The 371-pixel slider as drawn: a long mark every 10 units, a dot every 5, the thumbs
    // where the geometry says.
    void paintsRulerTicksAndThumbs()
    {
        TmkRangeSlider s;
        s.resize(371, 32);
        s.SetMax(345);
        s.SetMaxPosition(200);
        s.SetMinPosition(100);
        const QImage img = s.grab().toImage();
        const QRect ruler = s.RulerRect();
        const int markTop = ruler.top() + 2; // long marks run 7 pixels across
        const int centre = ruler.top() + 5;
        auto isBlack = [&img](int x, int y) { return img.pixel(x, y) == QColor(Qt::black).rgb(); };
        QVERIFY(isBlack(ruler.left() + 10, markTop));
        QVERIFY(isBlack(ruler.left() + 10, markTop + 6));
        QVERIFY(!isBlack(ruler.left() + 15, markTop)); // a dot, not a long mark
        QVERIFY(isBlack(ruler.left() + 15, centre));
        QVERIFY(!isBlack(ruler.left() + 12, centre)); // nothing between ticks
        const QColor light3d = s.palette().color(QPalette::Midlight);
        QCOMPARE(img.pixel(ruler.left() + 12, centre), light3d.rgb());
        // Thumbs: the min thumb's face left of its position, the max thumb's right of it.
        const QColor face = s.palette().color(QPalette::Button);
        QCOMPARE(img.pixel(s.MinThumbRect().left() + 4, s.MinThumbRect().top() + 5), face.rgb());
        QCOMPARE(s.MinThumbRect().right(), ruler.left() + 100 - 1);
        QCOMPARE(img.pixel(s.MaxThumbRect().left() + 5, s.MaxThumbRect().top() + 5), face.rgb());
        QCOMPARE(s.MaxThumbRect().left(), ruler.left() + 200);
    }

    // A thumb move repaints only that thumb's old and new places, and leaves the control
    // looking exactly as a full paint would.
    void moveRedrawsOnlyThatThumb()
    {
        TmkRangeSlider s;
        s.resize(371, 32);
        s.SetMax(345);
        s.SetMaxPosition(300);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QCoreApplication::processEvents();

        struct PaintSpy : QObject
        {
            QRegion painted;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    painted += static_cast<QPaintEvent *>(e)->region();
                return false;
            }
        } spy;
        s.installEventFilter(&spy);
        const QRect oldMin = s.MinThumbRect();
        s.SetMinPosition(120);
        QTRY_VERIFY(!spy.painted.isEmpty());
        QCoreApplication::processEvents();
        const QRegion allowed = QRegion(oldMin) + QRegion(s.MinThumbRect());
        QCOMPARE(spy.painted.subtracted(allowed), QRegion());
        QVERIFY(!spy.painted.intersects(s.MaxThumbRect()));

        TmkRangeSlider fresh;
        fresh.resize(371, 32);
        fresh.SetMax(345);
        fresh.SetMaxPosition(300);
        fresh.SetMinPosition(120);
        QCOMPARE(s.grab().toImage(), fresh.grab().toImage());
    }

    void hostFixesRulerLength_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("rulerLength");
        QTest::addColumn<int>("width");
        QTest::newRow("as asked") << 100 << 100 << 126;
        QTest::newRow("below 30 becomes 30") << 12 << 30 << 56;
    }
    void hostFixesRulerLength()
    {
        QFETCH(int, asked);
        TmkRangeSlider s;
        s.SetOnGetRullerLength([asked](TmkRangeSlider *, int &value) { value = asked; });
        s.SetThumbStyle(rsTriangle); // any change recomputes the geometry
        s.SetThumbStyle(rsStandard);
        QTEST(s.RulerLength(), "rulerLength");
        QTEST(s.width(), "width");
    }

    void mouseDrag_data()
    {
        QTest::addColumn<TmkOrientation>("orientation");
        QTest::addColumn<int>("startMin");
        QTest::addColumn<int>("startMax");
        QTest::addColumn<QString>("thumb"); // "min", "max" or "none" (press on the ruler between)
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QList<int>>("moves"); // offsets from the press point along the ruler
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("minPosEvents");
        QTest::addColumn<int>("maxPosEvents");
        QTest::addColumn<int>("changeEvents");

        using L = QList<int>;
        QTest::newRow("min thumb follows the mouse")
            << rsHorizontal << 100 << 200 << "min" << false << L{10, 20, 30} << "0,345,130,200" << 3 << 0 << 1;
        QTest::newRow("min thumb stops at the max thumb")
            << rsHorizontal << 100 << 200 << "min" << false << L{150} << "0,345,200,200" << 1 << 0 << 1;
        QTest::newRow("max thumb follows the mouse")
            << rsHorizontal << 100 << 200 << "max" << false << L{-20, -50} << "0,345,100,150" << 0 << 2 << 1;
        QTest::newRow("max thumb stops at Max")
            << rsHorizontal << 100 << 200 << "max" << false << L{500} << "0,345,100,345" << 0 << 1 << 1;
        QTest::newRow("Shift: min thumb takes the max thumb along")
            << rsHorizontal << 100 << 200 << "min" << true << L{40} << "0,345,140,240" << 1 << 1 << 1;
        QTest::newRow("Shift: both stop before the max thumb passes Max")
            << rsHorizontal << 100 << 200 << "min" << true << L{100, 150} << "0,345,200,300" << 1 << 1 << 1;
        QTest::newRow("Shift: max thumb left past Min moves nothing")
            << rsHorizontal << 100 << 200 << "max" << true << L{-150} << "0,345,100,200" << 0 << 0 << 0;
        QTest::newRow("Shift: thumbs on one spot move together")
            << rsHorizontal << 100 << 100 << "min" << true << L{20} << "0,345,120,120" << 1 << 1 << 1;
        QTest::newRow("Shift: max thumb moves both left")
            << rsHorizontal << 100 << 200 << "max" << true << L{-30} << "0,345,70,170" << 1 << 1 << 1;
        QTest::newRow("dragged back to the start: no OnChange")
            << rsHorizontal << 100 << 200 << "min" << false << L{10, 0} << "0,345,100,200" << 2 << 0 << 0;
        QTest::newRow("vertical: max thumb downwards")
            << rsVertical << 100 << 200 << "max" << false << L{25} << "0,345,100,225" << 0 << 1 << 1;
        QTest::newRow("press between the thumbs: nothing")
            << rsHorizontal << 100 << 200 << "none" << false << L{30} << "0,345,100,200" << 0 << 0 << 0;
    }
    void mouseDrag()
    {
        QFETCH(TmkOrientation, orientation);
        QFETCH(int, startMin);
        QFETCH(int, startMax);
        QFETCH(QString, thumb);
        QFETCH(bool, shift);
        QFETCH(QList<int>, moves);
        auto s = SliderWithRuler(345, orientation);
        s->SetMax(345);
        s->SetMaxPosition(startMax);
        s->SetMinPosition(startMin);
        EventLog log(*s);

        const QPoint press = thumb == u"min" ? s->MinThumbRect().center()
                           : thumb == u"max" ? s->MaxThumbRect().center()
                                             : s->RulerRect().topLeft() + QPoint(150, 5);
        const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
        SendMouse(s.get(), QEvent::MouseButtonPress, press, Qt::LeftButton, mods);
        QCOMPARE(s->Dragging(), thumb != u"none");
        QVERIFY(thumb == u"none" || !s->NotifyChange());
        QPoint at = press;
        for (int offset : moves) {
            at = press + (orientation == rsVertical ? QPoint(0, offset) : QPoint(offset, 0));
            SendMouse(s.get(), QEvent::MouseMove, at, Qt::LeftButton, mods);
        }
        QCOMPARE(log.count(QStringLiteral("change")), 0); // nothing during the drag
        SendMouse(s.get(), QEvent::MouseButtonRelease, at, Qt::LeftButton, mods);
        QVERIFY(!s->Dragging());
        QVERIFY(s->NotifyChange());
        QTEST(State(*s), "state");
        QTEST(log.count(QStringLiteral("minpos=")), "minPosEvents");
        QTEST(log.count(QStringLiteral("maxpos=")), "maxPosEvents");
        QTEST(log.count(QStringLiteral("change")), "changeEvents");
    }

    // Only the left button drags; the press still takes the focus.
    void otherButtonsDoNotDrag()
    {
        auto s = SliderWithRuler(345);
        s->SetMax(345);
        s->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.get()));
        const QPoint press = s->MinThumbRect().center();
        SendMouse(s.get(), QEvent::MouseButtonPress, press, Qt::RightButton, Qt::NoModifier);
        QVERIFY(!s->Dragging());
        QTRY_VERIFY(s->hasFocus());
        SendMouse(s.get(), QEvent::MouseMove, press + QPoint(30, 0), Qt::RightButton, Qt::NoModifier);
        QCOMPARE(s->MinPosition(), 0);
    }

    // A release of another button during a drag does not end it.
    void otherButtonReleaseKeepsDrag()
    {
        auto s = SliderWithRuler(345);
        s->SetMax(345);
        EventLog log(*s);
        const QPoint press = s->MinThumbRect().center();
        SendMouse(s.get(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::NoModifier);
        SendMouse(s.get(), QEvent::MouseMove, press + QPoint(30, 0), Qt::LeftButton, Qt::NoModifier);
        SendMouse(s.get(), QEvent::MouseButtonRelease, press + QPoint(30, 0), Qt::RightButton, Qt::NoModifier);
        QVERIFY(s->Dragging());
        SendMouse(s.get(), QEvent::MouseButtonRelease, press + QPoint(30, 0), Qt::LeftButton, Qt::NoModifier);
        QCOMPARE(log.count(QStringLiteral("change")), 1);
    }

    void keys_data()
    {
        QTest::addColumn<TmkOrientation>("orientation");
        QTest::addColumn<int>("startMin");
        QTest::addColumn<int>("startMax");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("events");

        const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("Right: min thumb +1") << rsHorizontal << 3 << 7 << int(Qt::Key_Right) << none << "0,10,4,7"
                                             << Strings({"before", "minpos=4", "change"});
        QTest::newRow("Left: min thumb -1") << rsHorizontal << 3 << 7 << int(Qt::Key_Left) << none << "0,10,2,7"
                                            << Strings({"before", "minpos=2", "change"});
        QTest::newRow("Up: min thumb +1") << rsHorizontal << 3 << 7 << int(Qt::Key_Up) << none << "0,10,4,7"
                                          << Strings({"before", "minpos=4", "change"});
        QTest::newRow("Down: min thumb -1") << rsHorizontal << 3 << 7 << int(Qt::Key_Down) << none << "0,10,2,7"
                                            << Strings({"before", "minpos=2", "change"});
        QTest::newRow("Ctrl+Right: only the max thumb") << rsHorizontal << 3 << 7 << int(Qt::Key_Right) << ctrl
                                                        << "0,10,3,8" << Strings({"before", "maxpos=8", "change"});
        QTest::newRow("Ctrl+Left: max thumb -1") << rsHorizontal << 3 << 7 << int(Qt::Key_Left) << ctrl << "0,10,3,6"
                                                 << Strings({"before", "maxpos=6", "change"});
        QTest::newRow("Shift+Left: both, min first")
            << rsHorizontal << 3 << 7 << int(Qt::Key_Left) << shift << "0,10,2,6"
            << Strings({"before", "minpos=2", "change", "before", "maxpos=6", "change"});
        QTest::newRow("Shift+Right: both, max first")
            << rsHorizontal << 3 << 7 << int(Qt::Key_Right) << shift << "0,10,4,8"
            << Strings({"before", "maxpos=8", "change", "before", "minpos=4", "change"});
        QTest::newRow("Shift+Right with the thumbs on one spot keeps them together")
            << rsHorizontal << 5 << 5 << int(Qt::Key_Right) << shift << "0,10,6,6"
            << Strings({"before", "maxpos=6", "change", "before", "minpos=6", "change"});
        QTest::newRow("Shift+Left at Min moves nothing")
            << rsHorizontal << 0 << 5 << int(Qt::Key_Left) << shift << "0,10,0,5" << QStringList();
        QTest::newRow("Shift+Right at Max moves nothing")
            << rsHorizontal << 4 << 10 << int(Qt::Key_Right) << shift << "0,10,4,10" << QStringList();
        QTest::newRow("Ctrl+Shift: Shift wins")
            << rsHorizontal << 3 << 7 << int(Qt::Key_Right) << (shift | ctrl) << "0,10,4,8"
            << Strings({"before", "maxpos=8", "change", "before", "minpos=4", "change"});
        QTest::newRow("Right: min thumb stops at the max thumb")
            << rsHorizontal << 5 << 5 << int(Qt::Key_Right) << none << "0,10,5,5"
            << Strings({"before", "minpos=5", "change"});
        QTest::newRow("vertical: Down is +1") << rsVertical << 3 << 7 << int(Qt::Key_Down) << none << "0,10,4,7"
                                              << Strings({"before", "minpos=4", "change"});
        QTest::newRow("vertical: Up is -1") << rsVertical << 3 << 7 << int(Qt::Key_Up) << none << "0,10,2,7"
                                            << Strings({"before", "minpos=2", "change"});
        QTest::newRow("vertical: Ctrl+Down, max thumb +1") << rsVertical << 3 << 7 << int(Qt::Key_Down) << ctrl
                                                           << "0,10,3,8" << Strings({"before", "maxpos=8", "change"});
        QTest::newRow("other keys are not the slider's")
            << rsHorizontal << 3 << 7 << int(Qt::Key_A) << none << "0,10,3,7" << QStringList();
    }
    void keys()
    {
        QFETCH(TmkOrientation, orientation);
        QFETCH(int, startMin);
        QFETCH(int, startMax);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        TmkRangeSlider s;
        s.SetOrientation(orientation);
        s.SetMaxPosition(startMax);
        s.SetMinPosition(startMin);
        EventLog log(s);
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QApplication::sendEvent(&s, &press);
        QTEST(State(s), "state");
        QTEST(log.events, "events");
        // Arrow keys stay with the slider; other keys go on to the dialog.
        QCOMPARE(press.isAccepted(), key != Qt::Key_A);
    }

    // A key after a drag reports OnChange again.
    void keyAfterDragNotifies()
    {
        auto s = SliderWithRuler(345);
        s->SetMax(345);
        EventLog log(*s);
        const QPoint press = s->MinThumbRect().center();
        SendMouse(s.get(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::NoModifier);
        QVERIFY(!s->NotifyChange());
        QTest::keyClick(s.get(), Qt::Key_Right);
        QVERIFY(s->NotifyChange());
        QCOMPARE(log.events, Strings({"before", "minpos=1", "change"}));
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestRangeSlider test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestRangeSlider.moc"
