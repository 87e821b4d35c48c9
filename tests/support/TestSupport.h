#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>

// A throw-away program folder: Profiles/, Preferences.ini and tool links as the build makes them.
class TestProgramFolder
{
public:
    // withShippedFiles: copy the built program folder's profiles and preferences.
    explicit TestProgramFolder(bool withShippedFiles = true);
    QString path() const; // ends with "/"
    QString file(const QString &relative) const;
    void writeFile(const QString &relative, const QByteArray &content) const;
    QByteArray readFile(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};

// Folders the build knows about, passed to tests through the environment.
QString SourceDir();
QString BuiltProgramDir();
QString TestDvdsDir();

// A whole file written (the test fails when it cannot be) and read (empty when it cannot be).
void WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);

// An ISO image of a generated disc (discFolder holds its VIDEO_TS), made with genisoimage as
// a burning program would; false when it cannot be made.
bool MakeDvdImage(const QString &discFolder, const QString &imagePath);

// A string list from plain literals (the project forbids implicit conversions from char*).
QStringList Strings(std::initializer_list<const char *> items);
