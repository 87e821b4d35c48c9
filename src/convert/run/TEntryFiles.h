#pragma once

#include <QLockFile>
#include <QTemporaryDir>
#include <QString>
#include <QStringList>

#include <memory>

// The files of a run: the work folder's intermediate file (a pipe, when streamed), claimed with
// a lock so that another run in the same folder takes one of its own, and the files that go with
// it (chapter marks, a subtitle pair); and for the entry under way the hidden file the converter
// writes beside its target. Nothing of them is left once a run ends, however it ends.
class TEntryFiles
{
public:
    TEntryFiles() = default;
    TEntryFiles(const TEntryFiles &) = delete;
    TEntryFiles &operator=(const TEntryFiles &) = delete;

    // The work folder's intermediate file, or one of this process's own beside it while another
    // run holds that one. The work folder falls back to the program's for the rest of the run
    // where it is gone.
    QString ClaimIntermediate();
    QString Intermediate() const { return m_intermediate; }
    QString WorkFolder() const;
    QString ChaptersFile() const { return m_intermediate + QStringLiteral(".chapters"); }
    // A subtitle pair's base name (the pair is base.idx and base.sub).
    QString SubtitleBase() const { return m_intermediate + QStringLiteral(".subtitles"); }
    // The chapter marks written beside the intermediate file; empty when none could be.
    QString WriteChapters(const QString &text) const;

    // A hidden file beside the target for the converter, after removing the ones of runs that
    // were ended outright (named in `removed`); empty, with the reason in `error`, when none can
    // be made.
    QString CreatePartial(const QString &targetFile, QStringList &removed, QString &error);
    QString Partial() const { return m_partial; }
    // The partial file has taken its name: it is no longer this run's to remove.
    void PartialClaimed() { m_partial.clear(); }
    void DeletePartial();
    // The intermediate file and what goes with it.
    void DeleteIntermediate() const;
    // The tools' current folder: a private, empty one in the work folder, so that a name a tool
    // is given without a path lands there and is removed with it. Empty where none can be made.
    QString ToolFolder();
    // The run ends: the lock and the tools' folder go.
    void Release()
    {
        m_lock.reset();
        m_toolFolder.reset();
    }

private:
    QString m_intermediate;
    std::unique_ptr<QLockFile> m_lock;
    QString m_claimedFor; // the usual intermediate file the lock is for
    int m_serial = 0; // tells this run's own intermediate file from another run's in this process
    QString m_partial;
    std::unique_ptr<QTemporaryDir> m_toolFolder;
};
