#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// One DVD as libdvdread reads it: a VIDEO_TS folder (or a disc mounted there) or an image
// file. Every navigation file the program reads comes through here, so folders and images
// cannot drift apart.
class DvdSource
{
public:
    // Real navigation files are well under a megabyte; larger ones are refused unread.
    static constexpr qint64 MaxInfoFileSize = 16 * 1024 * 1024;

    // An image: a regular file whose name ends in ".iso", in any case.
    static bool IsImageName(const QString &path);

    // Where the DVD a path names is read from, however it was named (a drive's or a
    // folder's path, a file inside one, an image): an image as it is; any other file stands
    // for its folder; a folder holding VIDEO_TS.IFO or VIDEO_TS.BUP as it is, any other
    // folder's VIDEO_TS sub-folder. Absolute, with a trailing separator for folders.
    static QString Location(const QString &path);

    // location: the VIDEO_TS folder (with or without the final separator) or an image.
    // A location that cannot be opened gives a source whose files all fail to read.
    explicit DvdSource(const QString &location);
    ~DvdSource();
    DvdSource(const DvdSource &) = delete;
    DvdSource &operator=(const DvdSource &) = delete;

    // "VIDEO_TS.IFO", "VTS_02_0.BUP": the information file of title set titleSet (0 is the
    // video manager) or its backup copy.
    static QString InfoFileName(int titleSet, bool backup);
    // The file as messages name it: its path in a folder, "<name> in <image>" in an image.
    QString Describe(const QString &name) const;

    // The file's bytes, whole sectors as the library reads them. False with a sentence naming
    // the file when it is missing, not a regular file, too large or unreadable; nothing here
    // waits on a pipe or a device put in a file's place.
    bool ReadInfoFile(int titleSet, bool backup, QByteArray &bytes, QString &problem) const;

    // A title set's video (its VOBs read as one), opened once for many reads.
    class TitleVideo
    {
    public:
        TitleVideo(const TitleVideo &) = delete;
        TitleVideo &operator=(const TitleVideo &) = delete;
        ~TitleVideo();
        // `count` sectors from `sector` on; fewer where the video ends sooner. False when none
        // can be read.
        bool Read(quint32 sector, int count, QByteArray &bytes) const;

    private:
        friend class DvdSource;
        TitleVideo() = default;
        struct File;
        std::unique_ptr<File> m_file;
    };
    // Null, with a sentence naming the file in `problem`, when the video cannot be opened;
    // in a folder, a video file that is not a regular file is not opened at all (a pipe or a
    // device in its place would block the opening).
    std::unique_ptr<TitleVideo> OpenTitleVideo(int titleSet, QString &problem) const;
    // Why the title set's video files cannot be opened (missing, not regular files, not
    // readable), looked at without opening them; empty when they can, and for an image.
    QString TitleVideoProblem(int titleSet) const;

    // `count` sectors of title set titleSet's video, from `sector` on, as TitleVideo::Read.
    bool ReadTitleVideo(int titleSet, quint32 sector, int count, QByteArray &bytes) const;

private:
    // The file of a folder the library would open, found without regard to case.
    QString FolderFile(const QString &name) const;

    QString m_location; // without a final separator
    bool m_image = false;
    struct Reader;
    std::unique_ptr<Reader> m_reader;
};
