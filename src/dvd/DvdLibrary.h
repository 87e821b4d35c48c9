#pragma once

#include "DvdSource.h"
#include "TIFO.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The DVD-information calls the title enumeration needs: the title table of VIDEO_TS.IFO and
// the part-of-title tables of the title sets, read from the bytes DvdSource hands out after
// checking that every table lies inside its file. A damaged .IFO is replaced by its .BUP.
// libdvdread's own table readers are not used: on a damaged VIDEO_TS.IFO they free the table
// twice, and they cannot be asked to read a backup whose .IFO still opens.
class DvdLibrary
{
public:
    // One title set as read: from its .IFO or, where that is damaged, from its .BUP.
    struct TitleSet
    {
        bool Readable = false;
        TIFO Ifo;
        QList<int> FirstChains; // per title of the set: 0-based chain of its first chapter, -1 unknown
        // Per title of the set: the 0-based program of that chain where each part (chapter)
        // begins, -1 for a part in another chain.
        QList<QList<int>> PartPrograms;
        QString Problem; // why the set cannot be read, or why its .IFO was passed over
        bool FromBackup = false;
    };

    // An opened DVD. Closing is the destructor's job; a handle of a location that could not
    // be opened is valid to use and reports no titles.
    class Handle
    {
    public:
        Handle();
        Handle(Handle &&other) noexcept;
        Handle &operator=(Handle &&other) noexcept;
        Handle(const Handle &) = delete;
        Handle &operator=(const Handle &) = delete;
        ~Handle();

        // The title table was read (maybe from VIDEO_TS.BUP).
        bool isOpen() const;

    private:
        friend class DvdLibrary;
        struct Private;
        std::unique_ptr<Private> d;
    };

    // location: the VIDEO_TS folder (or the folder holding it), without trailing separator,
    // or a DVD image.
    static Handle DVD_OpenDVD(const QString &location);
    // Titles are numbered 0 .. count - 1 in the DVD's own title order.
    static int DVD_GetTitleNum(const Handle &dvd);
    // 0-based title set (0 is VTS_01) and 0-based program chain of the title's first
    // chapter; both -1 when the title or its chain is unknown, or its title set unreadable.
    static void DVD_GetIndexInfo(const Handle &dvd, int title, int &titleSetIndex, int &chainIndex);
    // The program chain of the title's first chapter, with its title set's streams (`vobs`) and
    // 0-based index; null when the title, its set or its chain cannot be read.
    static const TProgramChain *TitleChain(const Handle &dvd, int title, int &titleSetIndex, const TVTS_VOBS *&vobs);
    // TitleSet::PartPrograms of the title; empty when not known.
    static QList<int> PartPrograms(const Handle &dvd, int title);
    // Camera angles of the title; 0 for an unknown title.
    static int DVD_GetTitleAngle(const Handle &dvd, int title);

    // Why title `titleInSet` (1-based) of a readable set cannot be converted as its tables say:
    // its part-of-title entry names no part or a chain the set does not hold, or its chain has
    // no length. Empty when it can.
    static QString TitleDamage(const TitleSet &set, int titleInSet);
    // DVD_GetIndexInfo's title of a set: the set's 1-based title number; 0 when none.
    static int TitleInSet(const Handle &dvd, int title);

    // The 0-based title set the title table names for the title, readable or not; -1 when none.
    static int TitleSetOfTitle(const Handle &dvd, int title);
    // The title set, read on first use; null for an index outside 0..98.
    static const TitleSet *DVD_GetTitleSet(const Handle &dvd, int titleSetIndex);
    // Why the title table could not be read (empty when it was); with both copies missing,
    // NoDvd() is true and the text names the missing VIDEO_TS.IFO.
    static QString TitleTableProblem(const Handle &dvd);
    static bool NoDvd(const Handle &dvd);
    // Set when the table came from VIDEO_TS.BUP: why VIDEO_TS.IFO was passed over.
    static QString TitleTableNote(const Handle &dvd);
    // Why a player that reads the disc with libdvdread's own table readers (the preview, over
    // libdvdnav) must not be given the title: those readers take the program down on the
    // damaged .IFO a backup stood in for. Empty when it may play.
    static QString PlaybackProblem(const QString &location, int titleNumber);
    // Sectors of the 0-based title set's video (DvdSource::ReadTitleVideo).
    static bool ReadTitleVideo(const Handle &dvd, int titleSetIndex, quint32 sector, int count, QByteArray &bytes);
    // The 0-based title set's video opened for many reads (DvdSource::OpenTitleVideo).
    static std::unique_ptr<DvdSource::TitleVideo> OpenTitleVideo(const Handle &dvd, int titleSetIndex,
                                                                 QString &problem);
    // DvdSource::TitleVideoProblem of the 0-based title set.
    static QString TitleVideoProblem(const Handle &dvd, int titleSetIndex);
    // How messages name a file of this DVD.
    static QString Describe(const Handle &dvd, const QString &fileName);
};
