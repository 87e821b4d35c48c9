#include "MpegVideoPictures.h"

namespace {

constexpr quint8 PictureCode = 0x00;
constexpr quint8 LastSliceCode = 0xaf;
constexpr quint8 ExtensionCode = 0xb5;
constexpr quint8 SequenceCode = 0xb3;
constexpr quint8 GroupCode = 0xb8;

quint8 At(const QByteArray &bytes, qsizetype i)
{
    return quint8(bytes.at(i));
}

} // namespace

QList<TVideoPicture> SplitVideoPictures(const QByteArray &video, bool atEnd, qsizetype &consumed,
                                        bool &progressiveSequence)
{
    QList<TVideoPicture> pictures;
    TVideoPicture current;
    bool open = false; // a frame has begun
    bool pictureSeen = false, slicesSeen = false;
    int fieldPictures = 0;
    consumed = 0;

    auto close = [&](qsizetype at) {
        current.End = at;
        if (current.FieldPictures)
            current.Fields = 2;
        else if (progressiveSequence)
            current.Fields = current.RepeatFirstField ? (current.TopFieldFirst ? 6 : 4) : 2;
        else
            current.Fields = current.RepeatFirstField ? 3 : 2;
        pictures.append(current);
        consumed = at;
        current = TVideoPicture();
        open = pictureSeen = slicesSeen = false;
        fieldPictures = 0;
    };

    const qsizetype size = video.size();
    for (qsizetype i = 0; i + 3 < size; ++i) {
        if (At(video, i) != 0 || At(video, i + 1) != 0 || At(video, i + 2) != 1)
            continue;
        const quint8 code = At(video, i + 3);
        const bool header = code == SequenceCode || code == GroupCode || code == PictureCode;
        // A header after the slices of a frame begins the next one, except the picture header of
        // a frame's second field.
        if (header && open && slicesSeen) {
            const bool secondField = code == PictureCode && current.FieldPictures && fieldPictures == 1;
            if (!secondField)
                close(i);
        }
        if (header && !open) {
            open = true;
            current.Begin = i;
            if (consumed == 0 && pictures.isEmpty())
                consumed = i; // what lies before the first header is passed over
        }
        if (!open) {
            i += 3;
            continue;
        }
        if (code == GroupCode) {
            current.GroupStart = true;
        } else if (code == PictureCode && i + 5 < size) {
            if (!pictureSeen) {
                current.PictureAt = i;
                current.TemporalReference = (At(video, i + 4) << 2) | (At(video, i + 5) >> 6);
                current.CodingType = (At(video, i + 5) >> 3) & 0x07;
            }
            pictureSeen = true;
            slicesSeen = false;
        } else if (code == ExtensionCode && i + 8 < size) {
            const int extension = At(video, i + 4) >> 4;
            if (extension == 1) {
                progressiveSequence = At(video, i + 5) & 0x08;
            } else if (extension == 8 && pictureSeen) {
                const int structure = At(video, i + 6) & 0x03;
                if (structure != 3) {
                    current.FieldPictures = true;
                    ++fieldPictures;
                }
                if (structure == 3 || fieldPictures == 1) {
                    const quint8 flags = At(video, i + 7);
                    current.TopFieldFirst = flags & 0x80;
                    current.RepeatFirstField = flags & 0x02;
                    current.Progressive = At(video, i + 8) & 0x80;
                }
            }
        } else if (code >= 0x01 && code <= LastSliceCode && pictureSeen) {
            slicesSeen = true;
        }
        i += 3;
    }
    if (atEnd && open && pictureSeen)
        close(size);
    else if (atEnd)
        consumed = size;
    return pictures;
}
