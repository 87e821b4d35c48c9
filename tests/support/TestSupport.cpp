#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

static QString envPath(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

QString SourceDir()
{
    return envPath("QUARNEL_SOURCE_DIR");
}
QString BuiltProgramDir()
{
    return envPath("QUARNEL_PROGRAM_DIR");
}
QString TestDvdsDir()
{
    return envPath("QUARNEL_TEST_DVDS");
}

TestProgramFolder::TestProgramFolder(bool withShippedFiles)
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("Profiles"));
    if (!withShippedFiles)
        return;
    const QDir built(BuiltProgramDir());
    QFile::copy(built.filePath(QStringLiteral("Preferences.ini")), root.filePath(QStringLiteral("Preferences.ini")));
    const QDir profiles(built.filePath(QStringLiteral("Profiles")));
    for (const QString &name : profiles.entryList({QStringLiteral("*.apf")}, QDir::Files))
        QFile::copy(profiles.filePath(name), root.filePath(QStringLiteral("Profiles/") + name));
}

QString TestProgramFolder::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TestProgramFolder::file(const QString &relative) const
{
    return path() + relative;
}

void TestProgramFolder::writeFile(const QString &relative, const QByteArray &content) const
{
    QFile f(file(relative));
    QDir().mkpath(QFileInfo(f).absolutePath());
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.fileName()));
    f.write(content);
}

QByteArray TestProgramFolder::readFile(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool MakeDvdImage(const QString &discFolder, const QString &imagePath)
{
    QProcess p;
    p.start(QStringLiteral("genisoimage"),
            {QStringLiteral("-quiet"), QStringLiteral("-dvd-video"), QStringLiteral("-V"), QStringLiteral("TESTDISC"),
             QStringLiteral("-o"), imagePath, discFolder});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("genisoimage %s: %s", qPrintable(discFolder), p.readAllStandardError().constData());
        return false;
    }
    return QFileInfo(imagePath).size() > 0;
}

QStringList Strings(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}
