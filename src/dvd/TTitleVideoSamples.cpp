#include "TTitleVideoSamples.h"

#include "DvdLibrary.h"
#include "TitleStreams.h"

#include <algorithm>

TTitleVideoSamples TTitleVideoSamples::Read(const QString &location, int titleNumber, int count, int sectorsEach)
{
    TTitleVideoSamples result;
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int set = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, titleNumber - 1, set, vobs);
    if (!chain) {
        result.Problem = QStringLiteral("the title's table cannot be read");
        return result;
    }
    result.Ntsc = IsNtsc(vobs->VideoStream);
    const QList<TCellSectors> &cells = chain->CellSectors;
    qint64 total = 0;
    for (const TCellSectors &cell : cells)
        total += cell.Last >= cell.First ? qint64(cell.Last) - cell.First + 1 : 0;
    if (total <= 0 || count <= 0 || sectorsEach <= 0) {
        result.Problem = QStringLiteral("the title holds no video");
        return result;
    }
    // Sample k is centred in the k-th of `count` equal parts of the title; a short title is
    // read whole, once.
    const qint64 step = total / count;
    const int samples = step < sectorsEach ? 1 : count;
    for (int k = 0; k < samples; ++k) {
        qint64 offset = samples == 1 ? 0 : k * step + (step - sectorsEach) / 2;
        const qint64 want = samples == 1 ? std::min<qint64>(total, qint64(count) * sectorsEach) : sectorsEach;
        QByteArray sample;
        qint64 left = want;
        for (const TCellSectors &cell : cells) {
            const qint64 size = cell.Last >= cell.First ? qint64(cell.Last) - cell.First + 1 : 0;
            if (offset >= size) {
                offset -= size;
                continue;
            }
            const int take = int(std::min(left, size - offset));
            QByteArray bytes;
            if (DvdLibrary::ReadTitleVideo(dvd, set, quint32(cell.First + offset), take, bytes))
                sample += bytes;
            left -= take;
            offset = 0;
            if (left <= 0)
                break;
        }
        if (!sample.isEmpty())
            result.Samples.append(sample);
    }
    if (result.Samples.isEmpty())
        result.Problem = QStringLiteral("the title's video cannot be read");
    return result;
}
