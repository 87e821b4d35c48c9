#pragma once

#include <QString>

#include <memory>

// The DVD-information calls the title enumeration needs, read through libdvdread from the
// title table of VIDEO_TS.IFO and the part-of-title tables of the title sets.
class DvdLibrary
{
public:
    // An opened DVD. Closing is the destructor's job; a handle of a folder that could not
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

        bool isOpen() const;

    private:
        friend class DvdLibrary;
        struct Private;
        std::unique_ptr<Private> d;
    };

    // folder: the VIDEO_TS folder (or the folder holding it), without trailing separator.
    static Handle DVD_OpenDVD(const QString &folder);
    // Titles are numbered 0 .. count - 1 in the DVD's own title order.
    static int DVD_GetTitleNum(const Handle &dvd);
    // 0-based title set (0 is VTS_01) and 0-based program chain of the title's first
    // chapter; both -1 when the title or its chain is unknown.
    static void DVD_GetIndexInfo(const Handle &dvd, int title, int &titleSetIndex, int &chainIndex);
    // Camera angles of the title; 0 for an unknown title.
    static int DVD_GetTitleAngle(const Handle &dvd, int title);
};
