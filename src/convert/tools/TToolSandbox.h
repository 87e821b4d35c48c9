#pragma once

#include <QString>
#include <QStringList>

// The fence a tool runs in: it reads the system's own folders, its own program folder and what
// it is given to read; it writes only the files and folders it is given to write (and devices
// such as /dev/null); it opens no network socket. Built in the program (Linux Landlock rules,
// then applied by the child between fork and exec with no new privileges and a seccomp filter
// that refuses every socket but a local one). Where the kernel has no Landlock the tool runs
// without the file fence, still without network; IsFileFenceAvailable() says which.
class TToolSandbox
{
public:
    // A file or a folder (and all below it) the tool may read.
    void AllowRead(const QString &path);
    // A file the tool may read, write and truncate, or a folder in which it may also make and
    // remove files.
    void AllowWrite(const QString &path);

    // The Landlock rules for `program` (its folder readable) as a file descriptor for Enter;
    // -1 where the kernel has none. The caller closes it.
    int BuildRules(const QString &program) const;
    // In the child, between fork and exec (async-signal-safe): no new privileges, the rules
    // (when rules >= 0), no network.
    static void Enter(int rules) noexcept;

    static bool IsFileFenceAvailable();
    // Extra folders tools may write, from QUARNEL_TOOLS_MAY_WRITE (colon-separated): test tools
    // keep their notes there.
    static QStringList ExtraWritableFolders();

private:
    QStringList m_reads;
    QStringList m_writes;
};
