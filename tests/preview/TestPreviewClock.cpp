#include "preview/TPreviewClock.h"

#include <QtTest>

// The manual clock must tick as running QTimers would: the preview's delayed seek
// depends on the rhythm of a timer that is already on.
class TestPreviewClock : public QObject
{
    Q_OBJECT
private slots:
    void ticksFollowTheirRhythm()
    {
        TPreviewClock clock;
        clock.SetManual(true);
        QList<qint64> a, b;
        const int ta = clock.AddTimer(200, [&] { a << clock.Now(); });
        const int tb = clock.AddTimer(1000, [&] { b << clock.Now(); });
        clock.Start(ta);
        clock.Advance(150);
        clock.Start(ta); // already on: keeps its rhythm
        clock.Start(tb);
        clock.Advance(1000);
        QCOMPARE(a, (QList<qint64>{200, 400, 600, 800, 1000}));
        QCOMPARE(b, (QList<qint64>{1150}));
        clock.Stop(ta);
        QVERIFY(!clock.IsActive(ta));
        clock.Advance(500);
        QCOMPARE(a.size(), 5);
        clock.Start(ta); // restarted: a new rhythm from now
        clock.Advance(200);
        QCOMPARE(a.last(), qint64(1850));
    }

    void aTickMayStopAndStartTimers()
    {
        TPreviewClock clock;
        clock.SetManual(true);
        int fired = 0;
        int other = -1;
        const int first = clock.AddTimer(100, [&] {
            ++fired;
            clock.Stop(first);
            clock.Start(other);
        });
        int otherFired = 0;
        other = clock.AddTimer(100, [&] { ++otherFired; });
        clock.Start(first);
        clock.Advance(350);
        QCOMPARE(fired, 1);
        QCOMPARE(otherFired, 2); // at 200 and 300
    }

    void realTimersRunWhenNotManual()
    {
        TPreviewClock clock;
        int fired = 0;
        const int t = clock.AddTimer(10, [&] { ++fired; });
        clock.Start(t);
        QVERIFY(clock.IsActive(t));
        QTRY_VERIFY(fired >= 2);
        clock.Stop(t);
        QVERIFY(!clock.IsActive(t));
    }
};

QTEST_GUILESS_MAIN(TestPreviewClock)
#include "TestPreviewClock.moc"
