#pragma once

#include <QByteArray>

// What the MPEG-2 headers in some of a DVD's video say about how its pictures were made:
// progressive or interlaced, and whether fields are repeated (film with soft pulldown).
struct TPictureFlags
{
    int Frames = 0; // frame pictures, and field pictures in pairs
    int FieldPictures = 0;
    int ProgressiveFrames = 0; // progressive_frame set
    int RepeatFirstField = 0;
    int TopFieldFirst = 0;
    int Sequences = 0; // sequence extensions seen
    int ProgressiveSequences = 0;

    // Counts the video of a stretch of whole 2048-byte packs of a program stream (sectors of a
    // VOB); a pack that is not one is passed over.
    void AddPacks(const QByteArray &packs);
    // Counts the headers in video elementary stream bytes.
    void AddVideo(const QByteArray &video);
};
