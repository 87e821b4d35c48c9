#pragma once

#include <QString>
#include <QStringList>

// The program's own INI store: the whole file as a list of lines, read once at construction
// and written back by SaveAndFree. Lines are read as the private-profile routines read them
// (IniText::ReadLine): a key counts only at the start of its own line in its own section.
class TNewInifile
{
public:
    // Throws EQuarnelError naming the file when it exists but cannot be read.
    explicit TNewInifile(const QString &fileName);

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    int ReadInteger(const QString &section, const QString &key, int def) const;
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    // Replaces the key's line, or gives a missing key a new first line in its section.
    // Line breaks become blanks.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // Writes Lines to FileName (CR LF after every line) and destroys the store; nothing
    // on a null store. Throws EQuarnelError naming the file when it cannot be written.
    static void SaveAndFree(TNewInifile *&store);

    // The section's lines after its header, each after a line end ("\r\nA=1\r\n").
    QString ReadSectionText(const QString &section) const;
    // The value of the first of the lines that holds the key.
    static QString ValueFromLines(const QString &key, const QStringList &lines, const QString &def);
    int FindSectionLine(const QString &section) const;
    // The key's line counted from its section's header; -1 when missing.
    int FindKeyOffset(const QString &section, const QString &key) const;

    const QString &FileName() const { return m_fileName; }
    const QStringList &Lines() const { return m_lines; }

private:
    QString m_fileName;
    QStringList m_lines;
};
