// Feeds arbitrary bytes to the IFO parser: it must end with a record or an EQuarnelError,
// never read outside the bytes, and never hand back a record whose lists disagree with
// its own counts.

#include "core/EQuarnelError.h"
#include "dvd/Parser.h"

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckRecord(const TIFO &ifo)
{
    const TVTS_VOBS &vobs = ifo.Vobs;
    Require(vobs.AudioStreams.size() == vobs.AudioStreamCount);
    Require(vobs.SubpictureLanguages.size() == vobs.SubpictureStreamCount);
    Require(ifo.Pgci.ProgramChains.size() == ifo.Pgci.ProgramChainCount);
    for (const TProgramChain &chain : ifo.Pgci.ProgramChains) {
        Require(chain.ProgramMap.size() == chain.ProgramCount);
        Require(chain.ChapterDurations.size() == chain.ProgramCount);
        Require(chain.ChapterStarts.size() == chain.ProgramCount);
        Require(chain.AudioAvailable.size() == vobs.AudioStreamCount);
        Require(chain.SubpictureAvailable.size() == vobs.SubpictureStreamCount);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No copy: the sanitizer sees any read past the fuzzer's own buffer.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        CheckRecord(Parser::ParseIfo(bytes, QStringLiteral("VTS_01_0.IFO")));
    } catch (const EQuarnelError &) {
        // A refused file is a good answer.
    }
    return 0;
}
