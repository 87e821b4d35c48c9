#include "Parser.h"

#include "core/EQuarnelError.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <vector>

namespace {

struct LanguageRow
{
    const char *code;
    const char *name;
};

// Searched from the top: the first exact match wins, the empty last row catches the rest.
const LanguageRow LanguageTable[144] = {
    {"  ", "Not Specified"},
    {"aa", "Afar"},
    {"ab", "Abkhazian"},
    {"af", "Afrikaans"},
    {"am", "Amharic"},
    {"ar", "Arabic"},
    {"as", "Assamese"},
    {"ay", "Aymara"},
    {"az", "Azerbaijani"},
    {"ba", "Bashkir"},
    {"be", "Byelorussian"},
    {"bg", "Bulgarian"},
    {"bh", "Bihari"},
    {"bi", "Bislama"},
    {"bn", "Bengali; Bangla"},
    {"bo", "Tibetan"},
    {"br", "Breton"},
    {"ca", "Catalan"},
    {"co", "Corsican"},
    {"cs", "Czech(Ceske)"},
    {"cy", "Welsh"},
    {"da", "Dansk"},
    {"de", "Deutsch"},
    {"dz", "Bhutani"},
    {"el", "Greek"},
    {"en", "English"},
    {"eo", "Esperanto"},
    {"es", "Espanol"},
    {"et", "Estonian"},
    {"eu", "Basque"},
    {"fa", "Persian"},
    {"fi", "Suomi"},
    {"fj", "Fiji"},
    {"fo", "Faroese"},
    {"fr", "French"},
    {"fy", "Frisian"},
    {"ga", "Irish"},
    {"gd", "Scots Gaelic"},
    {"gl", "Galician"},
    {"gn", "Guarani"},
    {"gu", "Gujarati"},
    {"ha", "Hausa"},
    {"he", "Hebrew"},
    {"hi", "Hindi"},
    {"hr", "Hrvatski"},
    {"hu", "Magyar"},
    {"hy", "Armenian"},
    {"ia", "Interlingua"},
    {"id", "Indonesian"},
    {"ie", "Interlingue"},
    {"ik", "Inupiak"},
    {"in", "Indonesian"},
    {"is", "Islenska"},
    {"it", "Italiano"},
    {"iu", "Inuktitut"},
    {"iw", "Hebrew"},
    {"ja", "Japanese"},
    {"ji", "Yiddish"},
    {"jw", "Javanese"},
    {"ka", "Georgian"},
    {"kk", "Kazakh"},
    {"kl", "Greenlandic"},
    {"km", "Cambodian"},
    {"kn", "Kannada"},
    {"ko", "Korean"},
    {"ks", "Kashmiri"},
    {"ku", "Kurdish"},
    {"ky", "Kirghiz"},
    {"la", "Latin"},
    {"ln", "Lingala"},
    {"lo", "Laothian"},
    {"lt", "Lithuanian"},
    {"lv", "Latvian, Lettish"},
    {"mg", "Malagasy"},
    {"mi", "Maori"},
    {"mk", "Macedonian"},
    {"ml", "Malayalam"},
    {"mn", "Mongolian"},
    {"mo", "Moldavian"},
    {"mr", "Marathi"},
    {"ms", "Malay"},
    {"mt", "Maltese"},
    {"my", "Burmese"},
    {"na", "Nauru"},
    {"ne", "Nepali"},
    {"nl", "Nederlands"},
    {"no", "Norsk"},
    {"oc", "Occitan"},
    {"om", "(Afan) Oromo"},
    {"or", "Oriya"},
    {"pa", "Punjabi"},
    {"pl", "Polish"},
    {"ps", "Pashto, Pushto"},
    {"pt", "Portugues"},
    {"qu", "Quechua"},
    {"rm", "Rhaeto-Romance"},
    {"rn", "Kirundi"},
    {"ro", "Romanian"},
    {"ru", "Russian"},
    {"rw", "Kinyarwanda"},
    {"sa", "Sanskrit"},
    {"sd", "Sindhi"},
    {"sg", "Sangho"},
    {"sh", "Serbo-Croatian"},
    {"si", "Sinhalese"},
    {"sk", "Slovak"},
    {"sl", "Slovenian"},
    {"sm", "Samoan"},
    {"sn", "Shona"},
    {"so", "Somali"},
    {"sq", "Albanian"},
    {"sr", "Serbian"},
    {"ss", "Siswati"},
    {"st", "Sesotho"},
    {"su", "Sundanese"},
    {"sv", "Svenska"},
    {"sw", "Swahili"},
    {"ta", "Tamil"},
    {"te", "Telugu"},
    {"tg", "Tajik"},
    {"th", "Thai"},
    {"ti", "Tigrinya"},
    {"tk", "Turkmen"},
    {"tl", "Tagalog"},
    {"tn", "Setswana"},
    {"to", "Tonga"},
    {"tr", "Turkish"},
    {"ts", "Tsonga"},
    {"tt", "Tatar"},
    {"tw", "Twi"},
    {"ug", "Uighur"},
    {"uk", "Ukrainian"},
    {"ur", "Urdu"},
    {"uz", "Uzbek"},
    {"vi", "Vietnamese"},
    {"vo", "Volapuk"},
    {"wo", "Wolof"},
    {"xh", "Xhosa"},
    {"yi", "Yiddish"},
    {"yo", "Yoruba"},
    {"za", "Zhuang"},
    {"zh", "Chinese"},
    {"zu", "Zulu"},
    {"", "???"},
};

const char *const VideoCodingTable[4] = {"MPEG1", "MPEG2", "???", "???"};
const char *const StandardTable[4] = {"NTSC", "PAL", "???", "???"};
const char *const AspectTable[4] = {"4:3", "???", "???", "16:9"};
const char *const NtscResolutionTable[4] = {"720x480", "704x480", "352x480", "352x240"};
const char *const PalResolutionTable[4] = {"720x576", "704x576", "352x576", "352x288"};
const char *const AudioCodingTable[8] = {"AC3", "???", "MPEG1", "MPEG2", "LPCM", "???", "DTS", "???"};
const char *const CodeExtensionTable[5] = {"unspecified", "normal", "for visually impaired", "director's comments",
                                           "alternate director's comments"};

// Fixed places in the title-set file.
constexpr quint64 MagicSize = 12;
constexpr quint64 PgciSectorAt = 204;
constexpr quint64 VideoAttributesAt = 512;
constexpr quint64 AudioCountAt = 514;
constexpr quint64 AudioEntriesAt = 516;
constexpr quint64 AudioEntrySize = 8;
constexpr quint64 SubpictureCountAt = 596;
constexpr quint64 SubpictureEntriesAt = 598;
constexpr quint64 SubpictureEntrySize = 6;
constexpr quint64 SectorSize = 2048;
constexpr int MaxAudioStreams = 8;
constexpr int MaxSubpictureStreams = 32;

// Inside a program chain; its fixed part is 236 bytes, so two chains that start closer
// than that overlap.
constexpr quint64 ChainFixedSize = 236;
constexpr quint64 ChainAudioControlAt = 12;
constexpr quint64 ChainSubpictureControlAt = 28;
constexpr quint64 ChainPaletteAt = 164;
constexpr int PaletteSize = 16;
constexpr quint64 ChainProgramMapOffsetAt = 230;
constexpr quint64 ChainCellTableOffsetAt = 232;
constexpr quint64 CellEntrySize = 24;
constexpr quint64 CellFirstSectorAt = 8;
constexpr quint64 CellLastVobuStartAt = 16;
constexpr quint64 CellLastSectorAt = 20;

QLatin1String Latin1(const char *text)
{
    return QLatin1String(text);
}

QString MsToTimeText(qint64 ms)
{
    const qint64 hours = ms / 3600000;
    const qint64 minutes = (ms % 3600000) / 60000;
    const qint64 seconds = (ms % 60000) / 1000;
    const qint64 millis = ms % 1000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(millis, 3, 10, QLatin1Char('0'));
}

// One parse: bounds-checked big-endian reads over the file's bytes.
class IfoReader
{
public:
    IfoReader(const QByteArray &data, const QString &fileName)
        : m_data(data)
        , m_size(quint64(data.size()))
        , m_name(QDir::toNativeSeparators(fileName))
    { }

    [[noreturn]] void Fail(const QString &reason) const
    {
        throw EQuarnelError(QStringLiteral("The file %1 is damaged: %2.").arg(m_name, reason));
    }

    // Offsets are 64-bit: a sector number times 2048 plus a 32-bit offset can lie far
    // beyond 4 GiB and must not wrap into the file.
    void Require(quint64 pos, quint64 count) const
    {
        if (pos > m_size || count > m_size - pos)
            Fail(QStringLiteral("its structure points outside the file"));
    }

    bool Holds(quint64 pos, quint64 count) const { return pos <= m_size && count <= m_size - pos; }

    quint32 ReadBigEndian(quint64 pos, int count) const
    {
        Require(pos, quint64(count));
        quint32 value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | quint8(m_data[qsizetype(pos) + i]);
        return value;
    }

    quint8 Byte(quint64 pos) const { return quint8(ReadBigEndian(pos, 1)); }
    quint16 Word(quint64 pos) const { return quint16(ReadBigEndian(pos, 2)); }
    quint32 Long(quint64 pos) const { return ReadBigEndian(pos, 4); }

    QString Text(quint64 pos, int count) const
    {
        Require(pos, quint64(count));
        return QString::fromLatin1(m_data.constData() + pos, count);
    }

    // A DVD playback time: BCD hours, minutes, seconds, then two frame-rate bits and BCD
    // frames. Rate bits 11 mean 30 frames per second, anything else 25.
    // The time as whole frames of its own rate (25, or 30 for NTSC), for exact sums.
    qint64 BcdTimeToFrames(quint32 bcd, int &rate) const
    {
        rate = (quint8(bcd) >> 6) == 3 ? 30 : 25;
        const qint64 ms = BcdTimeToMs(bcd);
        const int frames = Bcd(quint8(bcd) & 0x3f);
        return (ms / 1000) * rate + frames;
    }

    qint64 BcdTimeToMs(quint32 bcd) const
    {
        const int hours = Bcd(quint8(bcd >> 24));
        const int minutes = Bcd(quint8(bcd >> 16));
        const int seconds = Bcd(quint8(bcd >> 8));
        const quint8 last = quint8(bcd);
        const int rate = (last >> 6) == 3 ? 30 : 25;
        const int frames = Bcd(last & 0x3f);
        // At 25 fps the quotient is exact, at 30 fps it never ends in a half.
        const int millis = (frames * 1000 + rate / 2) / rate;
        // Hours run to 99: a long chain is odd but still a time the rest of the program reads.
        if (hours < 0 || minutes < 0 || minutes >= 60 || seconds < 0 || seconds >= 60 || frames < 0 || millis >= 1000) {
            Fail(QStringLiteral("it holds an invalid playback time"));
        }
        return qint64(hours) * 3600000 + minutes * 60000 + seconds * 1000 + millis;
    }

private:
    static int Bcd(quint8 byte)
    {
        const int tens = byte >> 4;
        const int units = byte & 0x0f;
        if (tens > 9 || units > 9)
            return -1;
        return tens * 10 + units;
    }

    const QByteArray &m_data;
    const quint64 m_size;
    const QString m_name;
};

TVideoStream ReadVideoAttributes(const IfoReader &in)
{
    const quint16 bits = in.Word(VideoAttributesAt);
    TVideoStream video;
    video.CodingMode = Latin1(VideoCodingTable[(bits >> 14) & 3]);
    video.Standard = Latin1(StandardTable[(bits >> 12) & 3]);
    video.AspectRatio = Latin1(AspectTable[(bits >> 10) & 3]);
    const int resolution = (bits >> 2) & 3;
    if (video.Standard == QLatin1String("PAL"))
        video.Resolution = Latin1(PalResolutionTable[resolution]);
    else if (video.Standard == QLatin1String("NTSC"))
        video.Resolution = Latin1(NtscResolutionTable[resolution]);
    return video;
}

TAudioStream ReadAudioEntry(const IfoReader &in, quint64 at)
{
    const quint16 bits = in.Word(at);
    TAudioStream audio;
    const int languageType = (bits >> 10) & 3;
    audio.LanguageType = quint8((languageType >> 1) * 10 + (languageType & 1));
    audio.CodingMode = Latin1(AudioCodingTable[(bits >> 13) & 7]);
    audio.Channels = quint8((bits & 7) + 1);
    audio.LanguageCode = in.Text(at + 2, 2);
    audio.Language = Parser::LanguageName(audio.LanguageCode);
    const quint8 extension = in.Byte(at + 5);
    audio.CodeExtension = extension < 5 ? Latin1(CodeExtensionTable[extension]) : QStringLiteral("???");
    return audio;
}

TVTS_VOBS ReadVtsAttributes(const IfoReader &in)
{
    TVTS_VOBS vobs;
    vobs.VideoStream = ReadVideoAttributes(in);

    vobs.AudioStreamCount = in.Word(AudioCountAt);
    // The format has room for 8 entries; more would run into the subpicture table.
    if (vobs.AudioStreamCount > MaxAudioStreams)
        in.Fail(QStringLiteral("it lists more than 8 audio streams"));
    for (int k = 0; k < vobs.AudioStreamCount; ++k)
        vobs.AudioStreams.append(ReadAudioEntry(in, AudioEntriesAt + AudioEntrySize * quint64(k)));

    vobs.SubpictureStreamCount = quint8(in.Word(SubpictureCountAt) & 0xff);
    if (vobs.SubpictureStreamCount > MaxSubpictureStreams)
        in.Fail(QStringLiteral("it lists more than 32 subpicture streams"));
    for (int k = 0; k < vobs.SubpictureStreamCount; ++k) {
        const QString code = in.Text(SubpictureEntriesAt + SubpictureEntrySize * quint64(k) + 2, 2);
        vobs.SubpictureLanguages.append(Parser::LanguageName(code));
        vobs.SubpictureCodes.append(code);
    }
    return vobs;
}

TProgramChain ReadProgramChain(const IfoReader &in, quint64 base, const TVTS_VOBS &vobs)
{
    TProgramChain chain;
    chain.ProgramCount = in.Byte(base + 2);
    chain.CellCount = in.Byte(base + 3);
    chain.PlaybackTime = MsToTimeText(in.BcdTimeToMs(in.Long(base + 4)));

    for (int k = 0; k < vobs.AudioStreamCount; ++k) {
        const bool available = in.Byte(base + ChainAudioControlAt + 2 * quint64(k)) & 0x80;
        chain.AudioAvailable.append(QLatin1Char(available ? '1' : '0'));
    }
    const bool wide = vobs.VideoStream.AspectRatio == u"16:9";
    for (int k = 0; k < vobs.SubpictureStreamCount; ++k) {
        const quint32 control = in.Long(base + ChainSubpictureControlAt + 4 * quint64(k));
        chain.SubpictureAvailable.append(QLatin1Char(control & 0x80000000u ? '1' : '0'));
        chain.SubpictureIds.append(int((wide ? control >> 16 : control >> 24) & 0x1f));
    }
    for (int k = 0; k < PaletteSize; ++k)
        chain.Palette.append(in.Long(base + ChainPaletteAt + 4 * quint64(k)));

    const quint64 programMap = base + in.Word(base + ChainProgramMapOffsetAt);
    in.Require(programMap, chain.ProgramCount);
    chain.ProgramMap.reserve(chain.ProgramCount);
    for (int j = 0; j < chain.ProgramCount; ++j)
        chain.ProgramMap.append(in.Byte(programMap + quint64(j)));

    // Cell entries are taken one after another from the start of the table, the first
    // program taking the first ones. A program map that claims more cells than the chain
    // has (never so in a well-formed chain) takes no entries past the last cell.
    quint64 cell = base + in.Word(base + ChainCellTableOffsetAt);
    int cellsLeft = chain.CellCount;
    qint64 startMs = 0, startFrames = 0;
    qint64 blockMs = 0, blockFrames = 0; // where the angle block under way begins
    int angle = 0;
    chain.ChapterDurations.reserve(chain.ProgramCount);
    chain.ChapterStarts.reserve(chain.ProgramCount);
    for (int j = 0; j < chain.ProgramCount; ++j) {
        const int first = chain.ProgramMap[j];
        const int last = j == chain.ProgramCount - 1 ? chain.CellCount : chain.ProgramMap[j + 1] - 1;
        qint64 ms = 0, frames = 0;
        if (last >= first) {
            const int take = std::min(last - first + 1, cellsLeft);
            for (int t = 0; t < take; ++t) {
                const quint32 time = in.Long(cell + 4);
                const qint64 cellMs = in.BcdTimeToMs(time);
                int rate = 25;
                const qint64 cellFrames = in.BcdTimeToFrames(time, rate);
                // The cells of an angle block play one instead of another: only the first
                // angle's counts towards the chain's time.
                const quint8 category = in.Byte(cell);
                const int blockMode = category >> 6, blockType = (category >> 4) & 0x03;
                angle = blockType == 1 && blockMode != 0 ? (blockMode == 1 ? 1 : angle + 1) : 0;
                // Only the reading of the video needs where a cell lies; a table cut short
                // there is still read for its times.
                if (in.Holds(cell, CellEntrySize)) {
                    TCellSectors sectors;
                    sectors.First = in.Long(cell + CellFirstSectorAt);
                    sectors.Last = in.Long(cell + CellLastSectorAt);
                    sectors.LastVobuStart = in.Long(cell + CellLastVobuStartAt);
                    // Every angle of a block begins where its first does.
                    if (angle <= 1) {
                        blockMs = startMs + ms;
                        blockFrames = startFrames + frames;
                    }
                    sectors.StartMs = blockMs;
                    sectors.LengthMs = cellMs;
                    sectors.StartFrames = blockFrames;
                    sectors.LengthFrames = cellFrames;
                    sectors.FrameRate = rate;
                    sectors.Angle = angle;
                    chain.CellSectors.append(sectors);
                }
                if (angle <= 1) {
                    ms += cellMs;
                    frames += cellFrames;
                }
                cell += CellEntrySize;
            }
            cellsLeft -= take;
        }
        chain.ChapterDurations.append(MsToTimeText(ms));
        chain.ChapterStarts.append(MsToTimeText(startMs));
        startMs += ms;
        startFrames += frames;
    }
    return chain;
}

TVTS_PGCI ReadProgramChains(const IfoReader &in, const TVTS_VOBS &vobs)
{
    TVTS_PGCI pgci;
    const quint64 table = quint64(in.Long(PgciSectorAt)) * SectorSize;
    pgci.ProgramChainCount = in.Word(table);

    std::vector<quint64> bases(pgci.ProgramChainCount);
    for (int i = 0; i < pgci.ProgramChainCount; ++i)
        bases[size_t(i)] = table + in.Long(table + 12 + 8 * quint64(i));

    // Several search entries may name the same chain (some discs do so on purpose): parse
    // it once and share the record. Distinct chains must not overlap; that bounds the work
    // a file can ask for by its size.
    std::vector<quint64> distinct = bases;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (size_t i = 1; i < distinct.size(); ++i) {
        if (distinct[i] - distinct[i - 1] < ChainFixedSize)
            in.Fail(QStringLiteral("two of its program chains overlap"));
    }

    QHash<quint64, qsizetype> parsed;
    pgci.ProgramChains.reserve(pgci.ProgramChainCount);
    for (quint64 base : bases) {
        const auto known = parsed.constFind(base);
        if (known != parsed.constEnd()) {
            pgci.ProgramChains.append(pgci.ProgramChains.at(*known));
            continue;
        }
        parsed.insert(base, pgci.ProgramChains.size());
        pgci.ProgramChains.append(ReadProgramChain(in, base, vobs));
    }
    return pgci;
}

} // namespace

TIFO Parser::ParseIfo(const QString &fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQuarnelError(QStringLiteral("Cannot read the file %1: %2.").arg(name, file.errorString()));
    // Read at most one byte past the limit: a device or pipe named like an IFO has no size.
    const QByteArray data = file.read(MaxIfoSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EQuarnelError(QStringLiteral("Cannot read the file %1: %2.").arg(name, file.errorString()));
    if (data.size() > MaxIfoSize)
        throw EQuarnelError(
            QStringLiteral("The file %1 is too large to be a DVD title-set information file.").arg(name));
    return ParseIfo(data, fileName);
}

TIFO Parser::ParseIfo(const QByteArray &data, const QString &fileName)
{
    if (quint64(data.size()) < MagicSize || !data.startsWith("DVDVIDEO-VTS")) {
        throw EQuarnelError(QStringLiteral("The file %1 is not a DVD title-set information file.")
                                .arg(QDir::toNativeSeparators(fileName)));
    }
    const IfoReader in(data, fileName);
    TIFO ifo;
    ifo.Vobs = ReadVtsAttributes(in);
    ifo.Pgci = ReadProgramChains(in, ifo.Vobs);
    return ifo;
}

QString Parser::LanguageName(const QString &code)
{
    for (const LanguageRow &row : LanguageTable) {
        if (code == QLatin1String(row.code))
            return QLatin1String(row.name);
    }
    return QStringLiteral("???");
}
