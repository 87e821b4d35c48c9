#include "DvdSource.h"

#include "core/PathText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <algorithm>
#include <cstdarg>
#include <sys/stat.h>

#include <dvdread/dvd_reader.h>

namespace {

// libdvdread talks on stderr by default; a folder that is not a DVD is a normal answer here.
void DiscardLog(void *, dvd_logger_level_t, const char *, va_list)
{ }
const dvd_logger_cb QuietLogger = {DiscardLog};

// Opening sets the library's global input functions; openings run on more than one thread.
QMutex &LibraryLock()
{
    static QMutex lock;
    return lock;
}

constexpr qint64 SectorSize = 2048;

// What lies at path, following links: 0 none, 1 a regular file, 2 anything else.
int EntryKind(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return S_ISREG(info.st_mode) ? 1 : 2;
}

} // namespace

struct DvdSource::Reader
{
    ~Reader()
    {
        if (dvd) {
            QMutexLocker locked(&LibraryLock());
            DVDClose(dvd);
        }
    }
    dvd_reader_t *dvd = nullptr;
};

bool DvdSource::IsImageName(const QString &path)
{
    return path.endsWith(QStringLiteral(".iso"), Qt::CaseInsensitive) && EntryKind(path) == 1;
}

QString DvdSource::Location(const QString &path)
{
    const QFileInfo info(path);
    if (IsImageName(path))
        return info.absoluteFilePath();
    QString folder = EnsureTrailingBackslash(info.isFile() ? info.absolutePath() : info.absoluteFilePath());
    // A damaged disc may have lost VIDEO_TS.IFO and kept its backup.
    if (!QFileInfo::exists(FileInFolder(folder, QStringLiteral("VIDEO_TS.IFO")))
        && !QFileInfo::exists(FileInFolder(folder, QStringLiteral("VIDEO_TS.BUP"))))
        folder = EnsureTrailingBackslash(FileInFolder(folder, QStringLiteral("VIDEO_TS")));
    return folder;
}

DvdSource::DvdSource(const QString &location) : m_location(location), m_reader(std::make_unique<Reader>())
{
    while (m_location.size() > 1 && m_location.endsWith(QLatin1Char('/')))
        m_location.chop(1);
    m_image = IsImageName(m_location);
    // A pipe or device would block the library's open() for ever; a folder or an image never does.
    if (m_location.isEmpty() || (!m_image && !QFileInfo(m_location).isDir()))
        return;
    const QByteArray path = QFile::encodeName(m_location);
    QMutexLocker locked(&LibraryLock());
    m_reader->dvd = DVDOpen2(nullptr, &QuietLogger, path.constData());
}

DvdSource::~DvdSource() = default;

QString DvdSource::InfoFileName(int titleSet, bool backup)
{
    const QLatin1String extension(backup ? ".BUP" : ".IFO");
    if (titleSet == 0)
        return QStringLiteral("VIDEO_TS") + extension;
    return QStringLiteral("VTS_%1_0").arg(titleSet, 2, 10, QLatin1Char('0')) + extension;
}

QString DvdSource::FolderFile(const QString &name) const
{
    // Where the library looks: the folder itself, then its VIDEO_TS sub-folder.
    const QString folder = EnsureTrailingBackslash(m_location);
    const QString here = FileInFolder(folder, name);
    if (QFileInfo::exists(here))
        return here;
    const QString below = FileInFolder(EnsureTrailingBackslash(FileInFolder(folder, QStringLiteral("VIDEO_TS"))), name);
    return QFileInfo::exists(below) ? below : here;
}

QString DvdSource::Describe(const QString &name) const
{
    if (m_image)
        return name + QStringLiteral(" in ") + QDir::toNativeSeparators(m_location);
    return QDir::toNativeSeparators(FolderFile(name));
}

bool DvdSource::ReadInfoFile(int titleSet, bool backup, QByteArray &bytes, QString &problem) const
{
    bytes.clear();
    const QString name = InfoFileName(titleSet, backup);
    const QString described = Describe(name);
    if (!m_image) {
        const int kind = EntryKind(FolderFile(name));
        if (kind != 1) {
            problem = kind == 0 ? QStringLiteral("The file %1 does not exist.").arg(described)
                                : QStringLiteral("The file %1 is not a regular file.").arg(described);
            return false;
        }
    }
    const dvd_read_domain_t domain = backup ? DVD_READ_INFO_BACKUP_FILE : DVD_READ_INFO_FILE;
    dvd_stat_t stat;
    if (!m_reader->dvd || DVDFileStat(m_reader->dvd, titleSet, domain, &stat) != 0) {
        problem = m_reader->dvd && m_image ? QStringLiteral("The file %1 does not exist.").arg(described)
                                           : QStringLiteral("The file %1 cannot be read.").arg(described);
        return false;
    }
    // The library sees whole sectors only: a file cut inside its first one is empty to it.
    if (stat.size > 0 && stat.size < SectorSize) {
        problem = QStringLiteral("The file %1 is damaged: it ends inside its first sector.").arg(described);
        return false;
    }
    if (stat.size > MaxInfoFileSize) {
        problem = QStringLiteral("The file %1 is too large to be a DVD navigation file.").arg(described);
        return false;
    }
    dvd_file_t *file = DVDOpenFile(m_reader->dvd, titleSet, domain);
    if (!file) {
        problem = QStringLiteral("The file %1 cannot be read.").arg(described);
        return false;
    }
    // The library reads whole sectors: a cut file's last partial sector is not there for it.
    const ssize_t blocks = DVDFileSize(file);
    bool read = blocks >= 0 && blocks * SectorSize <= MaxInfoFileSize;
    if (read && blocks > 0) {
        bytes.resize(qsizetype(blocks * SectorSize));
        read = DVDFileSeek(file, 0) == 0
            && DVDReadBytes(file, bytes.data(), size_t(bytes.size())) == ssize_t(bytes.size());
    }
    DVDCloseFile(file);
    if (!read) {
        bytes.clear();
        problem = QStringLiteral("The file %1 cannot be read.").arg(described);
    }
    return read;
}

struct DvdSource::TitleVideo::File
{
    ~File()
    {
        if (file)
            DVDCloseFile(file);
    }
    dvd_file_t *file = nullptr;
    qint64 sectors = 0;
};

DvdSource::TitleVideo::~TitleVideo() = default;

bool DvdSource::TitleVideo::Read(quint32 sector, int count, QByteArray &bytes) const
{
    bytes.clear();
    if (count <= 0 || qint64(sector) >= m_file->sectors)
        return false;
    const int blocks = int(std::min<qint64>(count, m_file->sectors - qint64(sector)));
    bytes.resize(qsizetype(blocks) * qsizetype(SectorSize));
    const ssize_t read =
        DVDReadBlocks(m_file->file, int(sector), size_t(blocks), reinterpret_cast<unsigned char *>(bytes.data()));
    bytes.resize(read > 0 ? qsizetype(read) * qsizetype(SectorSize) : 0);
    return !bytes.isEmpty();
}

std::unique_ptr<DvdSource::TitleVideo> DvdSource::OpenTitleVideo(int titleSet, QString &problem) const
{
    const QString first = QStringLiteral("VTS_%1_1.VOB").arg(titleSet, 2, 10, QLatin1Char('0'));
    if (!m_reader->dvd || titleSet < 1 || titleSet > 99) {
        problem = QStringLiteral("The file %1 cannot be read.").arg(Describe(first));
        return nullptr;
    }
    problem = TitleVideoProblem(titleSet);
    if (!problem.isEmpty())
        return nullptr;
    std::unique_ptr<TitleVideo> video(new TitleVideo);
    video->m_file = std::make_unique<TitleVideo::File>();
    video->m_file->file = DVDOpenFile(m_reader->dvd, titleSet, DVD_READ_TITLE_VOBS);
    if (video->m_file->file)
        video->m_file->sectors = DVDFileSize(video->m_file->file);
    if (!video->m_file->file || video->m_file->sectors <= 0) {
        problem = QStringLiteral("The file %1 cannot be read.").arg(Describe(first));
        return nullptr;
    }
    return video;
}

QString DvdSource::TitleVideoProblem(int titleSet) const
{
    if (m_image)
        return {};
    for (int part = 1; part <= 9; ++part) {
        const QString name = QStringLiteral("VTS_%1_%2.VOB").arg(titleSet, 2, 10, QLatin1Char('0')).arg(part);
        const QString file = FolderFile(name);
        switch (EntryKind(file)) {
        case 0:
            if (part == 1)
                return QStringLiteral("The file %1 does not exist.").arg(Describe(name));
            return {};
        case 2:
            // A pipe or a device would block the library's open() for ever.
            return QStringLiteral("The file %1 is not a regular file.").arg(Describe(name));
        default:
            if (!QFileInfo(file).isReadable())
                return QStringLiteral("The file %1 cannot be read (no permission).").arg(Describe(name));
        }
    }
    return {};
}

bool DvdSource::ReadTitleVideo(int titleSet, quint32 sector, int count, QByteArray &bytes) const
{
    bytes.clear();
    QString problem;
    const std::unique_ptr<TitleVideo> video = OpenTitleVideo(titleSet, problem);
    return video && video->Read(sector, count, bytes);
}
