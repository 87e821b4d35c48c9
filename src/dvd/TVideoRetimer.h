#pragma once

#include "MpegVideoPictures.h"

#include <QByteArray>
#include <QList>

#include <deque>

// Times every frame of an MPEG-2 video stream as read from a DVD, so that a reader of the
// stream needs no guesses: its display time from its place in its group of pictures and the
// fields each frame is shown for, anchored on the presentation times the disc stores; film
// stored with soft pulldown (repeat-field flags) at the film's own even steps instead of the
// fields a television shows it in; and a decode time. Frames come out in coded order.
class TVideoRetimer
{
public:
    struct Frame
    {
        QByteArray Bytes; // the frame with the headers before it
        double Pts = 0; // 90 kHz ticks
        double Dts = 0;
        int Fields = 2; // shown for
    };

    // fieldTicks: one field in 90 kHz ticks, 1800 for PAL, 1501.5 for NTSC; filmOrigin: where the
    // title begins on the stream's clock (ticks), from which film's steps are counted.
    explicit TVideoRetimer(double fieldTicks, double filmOrigin = 0);

    // Adds stream bytes; `pts` is the presentation time (ticks) the disc gives the first
    // picture that begins in them, negative for none.
    void Add(const char *data, qsizetype size, double pts);
    // A cell of the title begins with the next bytes: its first group is timed by its own
    // presentation time, whatever the fields before it add up to.
    void BeginCell();
    // The stream ends: what is held back comes out.
    void Finish();
    // The frames ready so far, in coded order.
    QList<Frame> Take();

    int FilmFrames() const { return m_filmFrames; }

private:
    struct Coded
    {
        TVideoPicture Picture;
        QByteArray Bytes;
        double DiscPts = -1;
        double Time = 0; // display time, set once resolved
        bool Resolved = false;
    };
    struct Group
    {
        std::deque<Coded> Frames; // coded order
        bool CellStart = false;
    };
    // A frame in display order, waiting for the frames after it to decide its time.
    struct Shown
    {
        Coded *Frame = nullptr;
        double Native = 0; // field-based display time
        bool Break = false; // the disc's time jumps here
    };

    void Split(bool atEnd);
    void CloseGroup();
    void Resolve(bool atEnd);
    void EmitReady();

    double m_fieldTicks;
    double m_filmOrigin;
    QByteArray m_buffer;
    QList<QPair<qsizetype, double>> m_marks; // where a disc time begins to apply, and the time
    qsizetype m_cellAt = -1; // where in the buffer a cell begins
    bool m_progressiveSequence = false;
    Group m_open; // the group being read
    std::deque<Group> m_closed; // complete groups, oldest first, until all their frames are timed
    std::deque<Shown> m_shown; // display order, not yet timed
    double m_nextNative = -1; // where the next group's display begins when it carries no time
    // The film run being timed: its first frame's native time and where its frames lie.
    int m_runLength = 0;
    double m_runStart = 0;
    int m_lastIndex = -1;
    double m_lastTime = -1; // the last display time given
    struct Timed
    {
        TVideoPicture Picture;
        bool Film = false;
    };
    std::deque<Timed> m_behind; // the frames just timed, newest last
    QList<Frame> m_ready;
    int m_filmFrames = 0;
};
