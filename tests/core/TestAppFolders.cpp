// Where the program keeps its files: a writable program folder holds everything, a read-only
// one sends the user's files to the user's config, cache and Videos folders.
#include "core/AppFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void WriteFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(text);
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Takes the write bits off a tree, and gives them back on the way out so it can be removed.
class ReadOnlyTree
{
public:
    explicit ReadOnlyTree(const QString &root) : m_root(root) { Set(false); }
    ~ReadOnlyTree() { Set(true); }

private:
    void Set(bool writable)
    {
        QStringList paths{m_root};
        QDirIterator it(m_root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
        const auto write =
            QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        for (const QString &p : paths)
            QFile::setPermissions(p, writable ? QFile::permissions(p) | QFileDevice::WriteOwner | QFileDevice::WriteUser
                                              : QFile::permissions(p) & ~write);
    }
    QString m_root;
};

} // namespace

class TestAppFolders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_program;

private slots:
    void init()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QDir().mkpath(m_home.path());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path() + QStringLiteral("/config")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home.path() + QStringLiteral("/cache")));
        QCoreApplication::setApplicationName(QStringLiteral("quarnel"));

        m_program = m_home.path() + QStringLiteral("/program/");
        QDir().mkpath(m_program + QStringLiteral("Profiles"));
        WriteFile(m_program + QStringLiteral("Preferences.ini"), "[Default]\nAsk=1\n");
        WriteFile(m_program + QStringLiteral("Profiles/A.apf"), "a");
        WriteFile(m_program + QStringLiteral("Profiles/B.apf"), "b");
    }

    void writableProgramFolderKeepsEverything()
    {
        AppFolders::SetAppDir(m_program);
        AppFolders::SetWorkDir(QString());
        QVERIFY(!AppFolders::PerUser());
        QCOMPARE(AppFolders::PreferencesFile(), m_program + QStringLiteral("Preferences.ini"));
        QCOMPARE(AppFolders::ProfilesFolder(), m_program + QStringLiteral("Profiles/"));
        QCOMPARE(AppFolders::IntermediateFile(), m_program + QStringLiteral("temp.avi"));
        QCOMPARE(AppFolders::FallbackWorkDir(), m_program);
        QCOMPARE(AppFolders::DefaultOutputDir(), m_program);
        QVERIFY(!QFileInfo::exists(m_home.path() + QStringLiteral("/config")));
    }

    void readOnlyProgramFolderUsesTheUsersFolders()
    {
        const QString config = m_home.path() + QStringLiteral("/config/quarnel/");
        const QString cache = m_home.path() + QStringLiteral("/cache/quarnel/");
        {
            ReadOnlyTree readOnly(m_program);
            AppFolders::SetAppDir(m_program);
        }
        AppFolders::SetWorkDir(QString());
        QVERIFY(AppFolders::PerUser());
        QCOMPARE(AppFolders::AppDir(), m_program);
        QCOMPARE(AppFolders::EncoderExe(), m_program + QStringLiteral("asapi.dll"));
        QCOMPARE(AppFolders::PreferencesFile(), config + QStringLiteral("Preferences.ini"));
        QCOMPARE(AppFolders::ProfilesFolder(), config + QStringLiteral("Profiles/"));
        QCOMPARE(AppFolders::IntermediateFile(), cache + QStringLiteral("temp.avi"));
        QVERIFY(QFileInfo(cache).isDir());
        QCOMPARE(AppFolders::DefaultOutputDir(), m_home.path() + QStringLiteral("/Videos/"));

        // Seeded from the shipped files, and the copies are the user's to change.
        QCOMPARE(ReadFile(config + QStringLiteral("Preferences.ini")), QByteArray("[Default]\nAsk=1\n"));
        QCOMPARE(QDir(config + QStringLiteral("Profiles")).entryList(QDir::Files),
                 (QStringList{QStringLiteral("A.apf"), QStringLiteral("B.apf")}));
        QVERIFY(QFileInfo(config + QStringLiteral("Preferences.ini")).isWritable());
        QVERIFY(QFileInfo(config + QStringLiteral("Profiles/A.apf")).isWritable());
        // A set work folder still wins over the fall-back.
        AppFolders::SetWorkDir(m_home.path() + QStringLiteral("/"));
        QCOMPARE(AppFolders::IntermediateFile(), m_home.path() + QStringLiteral("/temp.avi"));
    }

    void laterStartsKeepTheUsersChanges()
    {
        const QString config = m_home.path() + QStringLiteral("/config/quarnel/");
        ReadOnlyTree readOnly(m_program);
        AppFolders::SetAppDir(m_program);
        WriteFile(config + QStringLiteral("Preferences.ini"), "[Main]\nAsk=0\n");
        QVERIFY(QFile::remove(config + QStringLiteral("Profiles/A.apf")));
        WriteFile(config + QStringLiteral("Profiles/Mine.apf"), "m");

        AppFolders::SetAppDir(m_program);
        QCOMPARE(ReadFile(config + QStringLiteral("Preferences.ini")), QByteArray("[Main]\nAsk=0\n"));
        QCOMPARE(QDir(config + QStringLiteral("Profiles")).entryList(QDir::Files),
                 (QStringList{QStringLiteral("B.apf"), QStringLiteral("Mine.apf")}));
    }
};

QTEST_GUILESS_MAIN(TestAppFolders)
#include "TestAppFolders.moc"
