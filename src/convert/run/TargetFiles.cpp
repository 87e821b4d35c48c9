#include "convert/run/TargetFiles.h"

#include "convert/tools/HiddenWorkFiles.h"

#include "tasklist/TargetNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// rename() that fails with EEXIST instead of replacing. Where the file system has no such
// call, a hard link does the same; where it has no hard links either, an exclusively
// created placeholder claims the name before the rename replaces it.
int RenameNoReplace(const QByteArray &from, const QByteArray &to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    const int placeholder = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (placeholder < 0)
        return errno;
    ::close(placeholder);
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    const int saved = errno;
    ::unlink(to.constData());
    return saved;
}

} // namespace

QString CreatePartialFile(const QString &targetFile, QString &error)
{
    const QFileInfo target(targetFile);
    const QString ext = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
    // The process's id in the name tells a later run whether the writer still lives.
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.completeBaseName()
                        + QStringLiteral(".%1-XXXXXX.partial").arg(::getpid()) + ext);
    file.setAutoRemove(false);
    if (!file.open()) {
        error = file.errorString();
        return {};
    }
    // A temporary file is private to its owner; the output is an ordinary file, made as
    // the user's umask says.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.handle(), 0666 & ~mask);
    return file.fileName();
}

QStringList RemoveStalePartialFiles(const QString &folder)
{
    static const QRegularExpression partial(QStringLiteral("^\\..+\\.([0-9]+)-[A-Za-z0-9]{6}\\.partial(\\.[^.]*)?$"));
    QStringList removed;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QRegularExpressionMatch match = partial.match(info.fileName());
        if (!match.hasMatch() || info.ownerId() != ::getuid())
            continue;
        if (!IsWriterGone(match.captured(1).toLongLong()))
            continue;
        if (QFile::remove(info.absoluteFilePath()))
            removed << info.absoluteFilePath();
    }
    return removed;
}

bool CreatePipe(const QString &path, QString &error)
{
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) == 0)
        return true;
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

ClaimResult ClaimTargetFile(const QString &partialFile, QString &target, ClaimRule rule, const QString &outputExt,
                            QString &error)
{
    const QByteArray from = QFile::encodeName(partialFile);
    if (rule == ClaimRule::Replace) {
        if (::rename(from.constData(), QFile::encodeName(target).constData()) == 0)
            return ClaimResult::Claimed;
        error = ErrnoText(errno);
        return ClaimResult::Failed;
    }
    QString candidate = target;
    for (int n = 1;; ++n) {
        const int result = RenameNoReplace(from, QFile::encodeName(candidate));
        if (result == 0) {
            target = candidate;
            return ClaimResult::Claimed;
        }
        if (result != EEXIST) {
            error = ErrnoText(result);
            return ClaimResult::Failed;
        }
        if (rule == ClaimRule::KeepExisting)
            return ClaimResult::Taken;
        candidate = RenameCandidate(target, outputExt, n);
    }
}
