#include "TEntryFiles.h"

#include "convert/run/TargetFiles.h"
#include "convert/tools/HiddenWorkFiles.h"
#include "core/AppFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString TEntryFiles::ClaimIntermediate()
{
    if (!QFileInfo(AppFolders::WorkDir()).isDir())
        AppFolders::SetWorkDir(AppFolders::FallbackWorkDir());
    const QString usual = QFileInfo(AppFolders::IntermediateFile()).absoluteFilePath();
    if (m_lock && m_claimedFor == usual)
        return m_intermediate;
    // A second window or script converting at the same time would write into the same file and
    // delete it under the other's feet; the lock tells them apart.
    m_claimedFor = usual;
    // What runs ended outright left here: their sample pictures, their tools' folders.
    RemoveStaleHiddenWorkFiles(QFileInfo(usual).absolutePath());
    m_lock = std::make_unique<QLockFile>(usual + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0); // only a lock of a process that is gone is stale
    if (m_lock->tryLock(0)) {
        m_intermediate = usual;
        return m_intermediate;
    }
    // The process id tells processes apart, the serial two runs of one process.
    static int serials = 0;
    if (m_serial == 0)
        m_serial = ++serials;
    const QFileInfo info(usual);
    m_intermediate = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-')
                   + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') + QString::number(m_serial)
                   + QLatin1Char('.') + info.suffix();
    return m_intermediate;
}

QString TEntryFiles::WorkFolder() const
{
    return QFileInfo(m_intermediate).absolutePath();
}

QString TEntryFiles::ToolFolder()
{
    if (!m_toolFolder || QFileInfo(m_toolFolder->path()).absolutePath() != WorkFolder())
        m_toolFolder = std::make_unique<QTemporaryDir>(HiddenWorkFileTemplate(WorkFolder(), QStringLiteral("tools")));
    return m_toolFolder->isValid() ? m_toolFolder->path() : QString();
}

QString TEntryFiles::WriteChapters(const QString &text) const
{
    QFile file(ChaptersFile());
    const QByteArray bytes = text.toUtf8();
    if (!text.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()
        && file.flush())
        return file.fileName();
    return {};
}

QString TEntryFiles::CreatePartial(const QString &targetFile, QStringList &removed, QString &error)
{
    removed = RemoveStalePartialFiles(QFileInfo(targetFile).absolutePath());
    m_partial = CreatePartialFile(targetFile, error);
    return m_partial;
}

void TEntryFiles::DeletePartial()
{
    if (!m_partial.isEmpty())
        QFile::remove(m_partial);
    m_partial.clear();
}

void TEntryFiles::DeleteIntermediate() const
{
    if (m_intermediate.isEmpty())
        return;
    for (const char *suffix : {".chapters", ".subtitles.idx", ".subtitles.sub"})
        QFile::remove(m_intermediate + QLatin1String(suffix));
    if (QFileInfo::exists(m_intermediate) || QFileInfo(m_intermediate).isSymLink())
        QFile::remove(m_intermediate);
}
