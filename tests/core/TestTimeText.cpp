#include "core/RoundHalfEven.h"
#include "core/TimeText.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestTimeText : public QObject
{
    Q_OBJECT
private slots:
    void roundHalfEven_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0.5 down to even") << 0.5 << qint64(0);
        QTest::newRow("1.5 up to even") << 1.5 << qint64(2);
        QTest::newRow("2.5 down to even") << 2.5 << qint64(2);
        QTest::newRow("3.5 up to even") << 3.5 << qint64(4);
        QTest::newRow("below half") << 2.4999 << qint64(2);
        QTest::newRow("above half") << 2.5001 << qint64(3);
        QTest::newRow("-0.5 to even") << -0.5 << qint64(0);
        QTest::newRow("-1.5 to even") << -1.5 << qint64(-2);
        QTest::newRow("-2.6") << -2.6 << qint64(-3);
        QTest::newRow("whole") << 7.0 << qint64(7);
        QTest::newRow("NaN") << std::nan("") << qint64(0);
    }
    void roundHalfEven()
    {
        QFETCH(double, x);
        QFETCH(qint64, expected);
        QCOMPARE(RoundHalfEven(x), expected);
    }

    void roundHalfEvenExtremes()
    {
        QVERIFY(RoundHalfEven(std::numeric_limits<double>::infinity()) > 0);
        QVERIFY(RoundHalfEven(-std::numeric_limits<double>::infinity()) < 0);
        QVERIFY(RoundHalfEven(1e300) > 0);
    }

    void secondsToTimeText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << QStringLiteral("00:00:00");
        QTest::newRow("59.6") << 59.6 << QStringLiteral("00:01:00");
        QTest::newRow("60.5 half to even") << 60.5 << QStringLiteral("00:01:00");
        QTest::newRow("119.5 half to even") << 119.5 << QStringLiteral("00:02:00");
        QTest::newRow("3599.4") << 3599.4 << QStringLiteral("00:59:59");
        QTest::newRow("3600") << 3600.0 << QStringLiteral("01:00:00");
        QTest::newRow("5423.0") << 5423.0 << QStringLiteral("01:30:23");
        QTest::newRow("360000.0") << 360000.0 << QStringLiteral("100:00:00");
        QTest::newRow("0.5 half to even") << 0.5 << QStringLiteral("00:00:00");
        QTest::newRow("1.5 half to even") << 1.5 << QStringLiteral("00:00:02");
        QTest::newRow("3599.5 carries to the hour") << 3599.5 << QStringLiteral("01:00:00");
        // A failed reading (-1) must not show a minus sign in a field.
        QTest::newRow("-1 no valid time") << -1.0 << QStringLiteral("00:00:00");
        QTest::newRow("NaN") << std::nan("") << QStringLiteral("00:00:00");
    }
    void secondsToTimeText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(SecondsToTimeText(seconds), text);
    }

    void noFieldReadsSixty()
    {
        for (double s = 0; s < 7300; s += 0.25) {
            const QStringList fields = SecondsToTimeText(s).split(QLatin1Char(':'));
            QCOMPARE(fields.size(), 3);
            QVERIFY2(fields[1].toInt() < 60 && fields[2].toInt() < 60, qPrintable(QString::number(s)));
        }
    }

    void textRoundTripsThroughSeconds()
    {
        for (double s = 0; s < 400000; s += 37.3) {
            const QString t = SecondsToTimeText(s);
            QCOMPARE(SecondsToTimeText(TimeTextToSeconds(t)), t);
        }
    }

    void timeTextToSeconds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds");
        QTest::newRow("minutes beyond 59") << QStringLiteral("1:75:00") << 8100.0;
        QTest::newRow("seconds 60") << QStringLiteral("00:00:60") << 60.0;
        QTest::newRow("fraction") << QStringLiteral("0:05:23.400") << 323.4;
        QTest::newRow("single digits") << QStringLiteral("2:3:4") << 7384.0;
        QTest::newRow("half second") << QStringLiteral("0:0:0.5") << 0.5;
        QTest::newRow("many digits") << QStringLiteral("100:00:00") << 360000.0;
        QTest::newRow("signed hours") << QStringLiteral("+1:00:00") << 3600.0;
        QTest::newRow("empty") << QString() << -1.0;
        QTest::newRow("no colon") << QStringLiteral("12") << -1.0;
        QTest::newRow("one colon") << QStringLiteral("1:2") << -1.0;
        QTest::newRow("letters") << QStringLiteral("a:00:00") << -1.0;
        QTest::newRow("leading dot") << QStringLiteral("00:00:.5") << -1.0;
        QTest::newRow("empty seconds") << QStringLiteral("00:00:") << -1.0;
        QTest::newRow("four fields") << QStringLiteral("1:2:3:4") << -1.0;
        QTest::newRow("empty hours") << QStringLiteral(":00:00") << -1.0;
        QTest::newRow("empty minutes") << QStringLiteral("00::00") << -1.0;
        QTest::newRow("blank") << QStringLiteral("00:00:05 ") << -1.0;
        QTest::newRow("signed seconds") << QStringLiteral("00:00:-5") << -1.0;
        QTest::newRow("exponent") << QStringLiteral("00:00:1e3") << -1.0;
        QTest::newRow("two dots") << QStringLiteral("00:00:1.2.3") << -1.0;
        QTest::newRow("trailing dot") << QStringLiteral("00:00:5.") << -1.0;
        QTest::newRow("hours beyond 32 bits") << QStringLiteral("99999999999:00:00") << -1.0;
    }
    void timeTextToSeconds()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QCOMPARE(TimeTextToSeconds(text), seconds);
    }
};

QTEST_APPLESS_MAIN(TestTimeText)
#include "TestTimeText.moc"
