#include "TStreamStart.h"

#include "DvdLibrary.h"
#include "ProgramStreamPackets.h"
#include "TitleStreams.h"
#include "core/TimeText.h"

namespace {

// A VOBU holds well under a second; the sound of its pictures may lie in the next one.
constexpr int SectorsToRead = 1024;

} // namespace

TStreamStart TStreamStart::Read(const QString &location, int titleNumber, int program, double startSeconds, int audioId)
{
    TStreamStart start;
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int set = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, titleNumber - 1, set, vobs);
    if (!chain)
        return start;
    const TProgramChain &k = *chain;
    if (IsNtsc(vobs->VideoStream))
        start.ClockScale = 1.001;
    for (const QString &text : k.ChapterStarts)
        start.ProgramStarts << TimeTextToSeconds(text);
    start.TitleLength = TimeTextToSeconds(k.PlaybackTime);
    if (program < 0) {
        program = 0;
        while (program + 1 < start.ProgramStarts.size() && start.ProgramStarts.at(program + 1) <= startSeconds + 0.001)
            ++program;
    }
    // Back to a program where a chapter begins; the title's start always may be read from.
    const QList<int> parts = DvdLibrary::PartPrograms(dvd, titleNumber - 1);
    int part = 1;
    int begins = 0;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts.at(i) >= 0 && parts.at(i) <= program && parts.at(i) >= begins) {
            begins = parts.at(i);
            part = i + 1;
        }
    }
    program = begins;
    if (program >= k.ProgramMap.size())
        return start;
    start.Program = program;
    start.Part = part;
    start.ProgramStart = start.ProgramStarts.value(program);
    const int cell = k.ProgramMap.at(program) - 1;
    if (cell < 0 || cell >= k.CellSectors.size())
        return start;

    // MPEG audio is a stream of its own; AC3, DTS and LPCM are substreams of private stream 1.
    const int streamId = audioId >= 0 && audioId < 0x80 ? 0xc0 + audioId : 0xbd;
    const int substreamId = streamId == 0xbd ? audioId : -1;

    QByteArray bytes;
    if (!DvdLibrary::ReadTitleVideo(dvd, set, k.CellSectors.at(cell).First, SectorsToRead, bytes))
        return start;
    bool video = false, audio = audioId < 0;
    ForEachPesPacket(bytes, [&](const TPesPacket &p) {
        if (p.Pts < 0)
            return;
        if (!video && p.StreamId == 0xe0) {
            video = true;
            start.VideoPts = p.Pts;
        } else if (!audio && p.StreamId == streamId && p.SubstreamId == substreamId) {
            audio = true;
            start.AudioPts = p.Pts;
        }
    });
    start.Found = video && audio;
    if (audioId < 0)
        start.AudioPts = start.VideoPts;
    return start;
}
