#include "convert/tools/HiddenWorkFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <unistd.h>

QString HiddenWorkFileTemplate(const QString &folder, const QString &kind, const QString &ext)
{
    return folder + QStringLiteral("/.quarnel-%1.%2-XXXXXX").arg(kind).arg(::getpid()) + ext;
}

bool IsWriterGone(qint64 pid)
{
    // A live writer, or one that cannot be asked, keeps its file.
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

QStringList RemoveStaleHiddenWorkFiles(const QString &folder)
{
    static const QRegularExpression hidden(QStringLiteral("^\\.quarnel-[a-z]+\\.([0-9]+)-[A-Za-z0-9]{6}(\\.[a-z0-9]+)?$"));
    QStringList removed;
    const QDir dir(folder);
    const auto entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &info : entries) {
        const QRegularExpressionMatch match = hidden.match(info.fileName());
        if (!match.hasMatch() || info.isSymLink() || info.ownerId() != ::getuid()
            || !IsWriterGone(match.captured(1).toLongLong()))
            continue;
        const bool gone = info.isDir() ? QDir(info.absoluteFilePath()).removeRecursively()
                                       : QFile::remove(info.absoluteFilePath());
        if (gone)
            removed << info.absoluteFilePath();
    }
    return removed;
}
