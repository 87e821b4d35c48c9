#include "convert/run/TargetFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <thread>
#include <vector>

namespace {

void Write(const QString &file, const QByteArray &data)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray Read(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

Q_DECLARE_METATYPE(ClaimRule)
Q_DECLARE_METATYPE(ClaimResult)

// The hidden file the transcoder writes and the one step that gives it its real name.
class TestTargetFiles : public QObject
{
    Q_OBJECT
private slots:
    void partialFiles()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("My Film-Title01.mp4"));
        QString error;
        const QString a = CreatePartialFile(target, error);
        const QString b = CreatePartialFile(target, error);
        QVERIFY2(!a.isEmpty(), qPrintable(error));
        QVERIFY(a != b);
        const QFileInfo info(a);
        QCOMPARE(info.absolutePath(), QFileInfo(target).absolutePath());
        QVERIFY(info.fileName().startsWith(QStringLiteral(".My Film-Title01.")));
        QCOMPARE(info.suffix(), QStringLiteral("mp4")); // the transcoder picks the format by it
        QCOMPARE(info.size(), 0);
        // An ordinary file as the umask makes one, not a private temporary one.
        const mode_t mask = ::umask(022);
        const QString c = CreatePartialFile(target, error);
        ::umask(mask);
        QCOMPARE(QFileInfo(c).permissions()
                     & (QFileDevice::ReadOther | QFileDevice::ReadGroup | QFileDevice::WriteOwner),
                 QFileDevice::ReadOther | QFileDevice::ReadGroup | QFileDevice::WriteOwner);
        QVERIFY(!QFileInfo::exists(target));

        QVERIFY(CreatePartialFile(dir.filePath(QStringLiteral("missing/Title01.avi")), error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    // A run killed outright leaves its hidden file; the next run removes it, but never one
    // whose writer lives, nor anything else hidden.
    void stalePartialFiles()
    {
        QTemporaryDir dir;
        QString error;
        const QString mine = CreatePartialFile(dir.filePath(QStringLiteral("Title01.mkv")), error);
        // A writer that is gone: a child that has ended and been reaped.
        QProcess ended;
        ended.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
        QVERIFY(ended.waitForFinished());
        const QByteArray dead = ended.readAllStandardOutput().trimmed();
        const QString stale =
            dir.filePath(QStringLiteral(".Title02.%1-abcDEF.partial.mkv").arg(QString::fromLatin1(dead)));
        QProcess alive;
        alive.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(alive.waitForStarted());
        const QString living = dir.filePath(QStringLiteral(".Title03.%1-abcDEF.partial.mkv").arg(alive.processId()));
        const QString other = dir.filePath(QStringLiteral(".Title04.%1-abcDEF.mkv").arg(QString::fromLatin1(dead)));
        for (const QString &file : {stale, living, other})
            Write(file, "x");
        QCOMPARE(RemoveStalePartialFiles(dir.path()), QStringList{stale});
        QVERIFY(QFileInfo::exists(mine) && QFileInfo::exists(living) && QFileInfo::exists(other));
        QVERIFY(!QFileInfo::exists(stale));
        QVERIFY(QFileInfo(mine).fileName().contains(QStringLiteral(".%1-").arg(QCoreApplication::applicationPid())));
        alive.kill();
        alive.waitForFinished();
    }

    void claims_data()
    {
        QTest::addColumn<ClaimRule>("rule");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<ClaimResult>("result");
        QTest::addColumn<QString>("name"); // the name the new file has afterwards
        const QStringList none;
        const QStringList one{QStringLiteral("Title01.avi")};
        const QStringList two{QStringLiteral("Title01.avi"), QStringLiteral("Title01-1.avi")};
        QTest::newRow("replace, free") << ClaimRule::Replace << none << ClaimResult::Claimed
                                       << QStringLiteral("Title01.avi");
        QTest::newRow("replace, taken") << ClaimRule::Replace << one << ClaimResult::Claimed
                                        << QStringLiteral("Title01.avi");
        QTest::newRow("next free, free") << ClaimRule::NextFree << none << ClaimResult::Claimed
                                         << QStringLiteral("Title01.avi");
        QTest::newRow("next free, taken")
            << ClaimRule::NextFree << one << ClaimResult::Claimed << QStringLiteral("Title01-1.avi");
        QTest::newRow("next free, two taken")
            << ClaimRule::NextFree << two << ClaimResult::Claimed << QStringLiteral("Title01-2.avi");
        QTest::newRow("keep, free") << ClaimRule::KeepExisting << none << ClaimResult::Claimed
                                    << QStringLiteral("Title01.avi");
        QTest::newRow("keep, taken") << ClaimRule::KeepExisting << one << ClaimResult::Taken << QString();
    }
    void claims()
    {
        QFETCH(ClaimRule, rule);
        QFETCH(QStringList, existing);
        QFETCH(ClaimResult, result);
        QFETCH(QString, name);
        QTemporaryDir dir;
        for (const QString &e : existing)
            Write(dir.filePath(e), "old");
        QString error;
        const QString partial = CreatePartialFile(dir.filePath(QStringLiteral("Title01.avi")), error);
        Write(partial, "new");
        QString target = dir.filePath(QStringLiteral("Title01.avi"));
        QCOMPARE(ClaimTargetFile(partial, target, rule, QStringLiteral(".avi"), error), result);
        if (result == ClaimResult::Claimed) {
            QCOMPARE(target, dir.filePath(name));
            QCOMPARE(Read(target), QByteArray("new"));
            QVERIFY(!QFileInfo::exists(partial));
            for (const QString &e : existing) {
                if (e != name)
                    QCOMPARE(Read(dir.filePath(e)), QByteArray("old"));
            }
        } else {
            QCOMPARE(Read(partial), QByteArray("new")); // the caller decides what becomes of it
            QCOMPARE(Read(dir.filePath(QStringLiteral("Title01.avi"))), QByteArray("old"));
        }
    }

    // A link in the output folder is a name like any other: replaced or counted as taken,
    // never written through.
    void linksAreNotFollowed()
    {
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(QStringLiteral("precious.avi"));
        Write(outside, "precious");
        const QString link = dir.filePath(QStringLiteral("Title01.avi"));
        QVERIFY(QFile::link(outside, link));
        QVERIFY(
            QFile::link(elsewhere.filePath(QStringLiteral("gone.avi")), dir.filePath(QStringLiteral("Title01-1.avi"))));
        QString error;
        for (ClaimRule rule : {ClaimRule::KeepExisting, ClaimRule::NextFree, ClaimRule::Replace}) {
            const QString partial = CreatePartialFile(link, error);
            Write(partial, "new");
            QString target = link;
            const ClaimResult result = ClaimTargetFile(partial, target, rule, QStringLiteral(".avi"), error);
            if (rule == ClaimRule::KeepExisting) {
                QCOMPARE(result, ClaimResult::Taken);
                QFile::remove(partial);
            } else if (rule == ClaimRule::NextFree) {
                QCOMPARE(result, ClaimResult::Claimed);
                QCOMPARE(target, dir.filePath(QStringLiteral("Title01-2.avi"))); // the dangling link is taken too
            } else {
                QCOMPARE(result, ClaimResult::Claimed);
                QVERIFY(!QFileInfo(link).isSymLink());
                QCOMPARE(Read(link), QByteArray("new"));
            }
        }
        QCOMPARE(Read(outside), QByteArray("precious"));
        QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("gone.avi"))));
    }

    // Runs finishing at the same moment each get a name of their own.
    void simultaneousClaims()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Title01.avi"));
        constexpr int kRuns = 8;
        QStringList partials;
        for (int i = 0; i < kRuns; ++i) {
            QString error;
            partials << CreatePartialFile(target, error);
            Write(partials.last(), QByteArray::number(i));
        }
        QStringList names(kRuns);
        std::vector<std::thread> threads;
        for (int i = 0; i < kRuns; ++i) {
            threads.emplace_back([&, i] {
                QString name = target;
                QString error;
                if (ClaimTargetFile(partials.at(i), name, ClaimRule::NextFree, QStringLiteral(".avi"), error)
                    == ClaimResult::Claimed)
                    names[i] = name;
            });
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), kRuns);
        for (int i = 0; i < kRuns; ++i)
            QCOMPARE(Read(names.at(i)), QByteArray::number(i));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), kRuns);
    }
};

QTEST_GUILESS_MAIN(TestTargetFiles)
#include "TestTargetFiles.moc"
