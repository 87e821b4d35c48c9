#pragma once

#include <QByteArray>
#include <QList>

// One coded frame of an MPEG-2 video stream (a frame picture, or the two field pictures of a
// frame) with the sequence and group headers that come before it, and what its headers say
// about its place and its display.
struct TVideoPicture
{
    qsizetype Begin = 0; // bytes of the stream
    qsizetype End = 0;
    qsizetype PictureAt = 0; // where its (first) picture header begins
    int TemporalReference = 0; // display position within its group of pictures
    int CodingType = 0; // 1 I, 2 P, 3 B
    bool GroupStart = false; // a group-of-pictures header comes before it
    bool Progressive = false; // progressive_frame
    bool RepeatFirstField = false;
    bool TopFieldFirst = false;
    bool FieldPictures = false;
    int Fields = 2; // fields it is shown for

    bool IsFilmFrame() const { return Progressive && !FieldPictures; }
};

// Splits a video elementary stream into whole frames. The bytes from `consumed` on belong to
// a frame not yet complete; with `atEnd`, the last frame is taken as it is. Bytes before the
// first header are passed over. progressiveSequence carries the sequence extension's flag from
// one call to the next (it changes what a repeat flag means).
QList<TVideoPicture> SplitVideoPictures(const QByteArray &video, bool atEnd, qsizetype &consumed,
                                        bool &progressiveSequence);
