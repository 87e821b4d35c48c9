#include "DvdLibrary.h"

#include "DvdSource.h"
#include "Parser.h"
#include "core/EQuarnelError.h"
#include "core/TimeText.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr quint64 SectorSize = 2048;
constexpr quint64 TableHeaderSize = 8; // count, 2 zero bytes, offset of the table's last byte
constexpr quint64 TitleEntrySize = 12;
constexpr quint64 TitleTableSectorAt = 0xc4; // in VIDEO_TS.IFO
constexpr quint64 PartsTableSectorAt = 0xc8; // in VTS_nn_0.IFO
constexpr quint64 PartEntrySize = 4;
constexpr int MaxTitleSets = 99;

quint32 Read(const QByteArray &bytes, quint64 pos, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | quint8(bytes[qsizetype(pos) + i]);
    return value;
}

// A table of the form both title tables share: a 16-bit count, then the offset of the table's
// last byte, then entries. Where it starts, how long it is and how many entries fit, all
// checked against the file before anything is taken from it.
struct Table
{
    quint64 at = 0;
    quint64 size = 0; // bytes from `at`, header included
    int count = 0;
};

bool FindTable(const QByteArray &bytes, quint64 sectorAt, quint64 entrySize, Table &table, QString &reason)
{
    const quint64 fileSize = quint64(bytes.size());
    if (fileSize < sectorAt + 4) {
        reason = QStringLiteral("it ends before its header does");
        return false;
    }
    const quint64 sector = Read(bytes, sectorAt, 4);
    table.at = sector * SectorSize;
    if (sector == 0 || table.at + TableHeaderSize > fileSize) {
        reason = QStringLiteral("its title table lies outside the file");
        return false;
    }
    table.count = int(Read(bytes, table.at, 2));
    quint64 lastByte = Read(bytes, table.at + 4, 4);
    // Some authoring tools leave the length out; the entries then end the table.
    if (lastByte == 0)
        lastByte = TableHeaderSize + entrySize * quint64(table.count) - 1;
    table.size = lastByte + 1;
    if (table.size < TableHeaderSize || table.size > fileSize - table.at) {
        reason = QStringLiteral("its title table lies outside the file");
        return false;
    }
    if (entrySize * quint64(table.count) > table.size - TableHeaderSize) {
        reason = QStringLiteral("its title table lists more titles than it holds");
        return false;
    }
    return true;
}

struct TitleEntry
{
    int angles = 0;
    int titleSet = 0; // 1-based; 0 names none
    int titleInSet = 0; // 1-based
};

bool ReadTitleTable(const QByteArray &bytes, const QString &described, std::vector<TitleEntry> &titles,
                    QString &problem)
{
    if (bytes.size() < 12 || !bytes.startsWith("DVDVIDEO-VMG")) {
        problem = QStringLiteral("The file %1 is not a DVD video manager file.").arg(described);
        return false;
    }
    Table table;
    QString reason;
    if (!FindTable(bytes, TitleTableSectorAt, TitleEntrySize, table, reason)) {
        problem = QStringLiteral("The file %1 is damaged: %2.").arg(described, reason);
        return false;
    }
    titles.resize(size_t(table.count));
    for (int i = 0; i < table.count; ++i) {
        const quint64 at = table.at + TableHeaderSize + TitleEntrySize * quint64(i);
        titles[size_t(i)].angles = int(Read(bytes, at + 1, 1));
        titles[size_t(i)].titleSet = int(Read(bytes, at + 6, 1));
        titles[size_t(i)].titleInSet = int(Read(bytes, at + 7, 1));
    }
    return true;
}

// The chain of each title's first part, and the programs of that chain where its parts
// (the DVD's chapters) begin. A title's parts run from its offset to the next title's (or to
// the table's end); a title without a whole part has no known chain.
bool ReadFirstChains(const QByteArray &bytes, const QString &described, QList<int> &chains,
                     QList<QList<int>> &partPrograms, QString &problem)
{
    Table table;
    QString reason;
    if (!FindTable(bytes, PartsTableSectorAt, PartEntrySize, table, reason)) {
        reason.replace(QStringLiteral("title table"), QStringLiteral("part-of-title table"));
        problem = QStringLiteral("The file %1 is damaged: %2.").arg(described, reason);
        return false;
    }
    std::vector<quint64> starts(size_t(table.count));
    for (int i = 0; i < table.count; ++i)
        starts[size_t(i)] = Read(bytes, table.at + TableHeaderSize + PartEntrySize * quint64(i), 4);
    chains.clear();
    partPrograms.clear();
    for (int i = 0; i < table.count; ++i) {
        const quint64 start = starts[size_t(i)];
        const quint64 end = i + 1 < table.count ? starts[size_t(i) + 1] : table.size;
        const bool whole = start >= TableHeaderSize && end <= table.size && end >= start + PartEntrySize;
        const int chain = whole ? int(Read(bytes, table.at + start, 2)) : 0;
        chains << chain - 1;
        QList<int> programs;
        for (quint64 at = start; whole && at + PartEntrySize <= end; at += PartEntrySize) {
            // A part in another chain has no program in this one.
            const bool here = int(Read(bytes, table.at + at, 2)) == chain;
            programs << (here ? int(Read(bytes, table.at + at + 2, 2)) - 1 : -1);
        }
        partPrograms << programs;
    }
    return true;
}

} // namespace

struct DvdLibrary::Handle::Private
{
    std::unique_ptr<DvdSource> source;
    bool tableRead = false;
    bool noDvd = false;
    QString tableProblem;
    QString tableNote;
    std::vector<TitleEntry> titles;
    std::map<int, TitleSet> titleSets; // by 0-based index, read on first use

    const TitleEntry *Title(int title) const
    {
        if (title < 0 || size_t(title) >= titles.size())
            return nullptr;
        return &titles[size_t(title)];
    }

    void ReadTable()
    {
        QString problems[2];
        bool missing[2] = {false, false};
        for (const bool backup : {false, true}) {
            QByteArray bytes;
            QString &problem = problems[backup];
            if (!source->ReadInfoFile(0, backup, bytes, problem)) {
                missing[backup] = problem.endsWith(QStringLiteral(" does not exist."));
                continue;
            }
            if (!ReadTitleTable(bytes, source->Describe(DvdSource::InfoFileName(0, backup)), titles, problem))
                continue;
            tableRead = true;
            if (backup)
                tableNote = problems[0]
                          + QStringLiteral(" Its backup %1 was read instead.")
                                .arg(source->Describe(DvdSource::InfoFileName(0, true)));
            return;
        }
        titles.clear();
        noDvd = missing[0] && missing[1];
        tableProblem = noDvd ? problems[0] : problems[0] + QLatin1Char(' ') + problems[1];
    }

    // The set's own numbers of the titles the title table places in it, each once, in order.
    QList<int> TitlesOfSet(int index) const
    {
        QList<int> numbers;
        for (const TitleEntry &t : titles) {
            if (t.titleSet == index + 1 && t.titleInSet >= 1 && !numbers.contains(t.titleInSet))
                numbers << t.titleInSet;
        }
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    const TitleSet &Set(int index)
    {
        auto known = titleSets.find(index);
        if (known != titleSets.end())
            return known->second;
        TitleSet set;
        TitleSet whole; // the first copy that parsed, damaged titles and all
        QString problems[2];
        for (const bool backup : {false, true}) {
            QByteArray bytes;
            QString &problem = problems[backup];
            if (!source->ReadInfoFile(index + 1, backup, bytes, problem))
                continue;
            const QString described = source->Describe(DvdSource::InfoFileName(index + 1, backup));
            try {
                set.Ifo = Parser::ParseIfo(bytes, described);
            } catch (const EQuarnelError &e) {
                problem = e.text();
                continue;
            }
            if (!ReadFirstChains(bytes, described, set.FirstChains, set.PartPrograms, problem))
                continue;
            set.Readable = true;
            set.FromBackup = backup;
            if (backup)
                set.Problem = problems[0];
            // Tables that parse may still leave a title without a part or a length: the backup
            // is tried, and where it is no better the first copy stays, its damaged titles
            // left out one by one.
            QStringList damage;
            for (const int t : TitlesOfSet(index)) {
                const QString why = DvdLibrary::TitleDamage(set, t);
                if (!why.isEmpty())
                    damage << why;
            }
            if (damage.isEmpty())
                break;
            problem = QStringLiteral("The file %1 is damaged: %2.").arg(described, damage.join(QStringLiteral("; ")));
            if (!whole.Readable)
                whole = set;
            set = TitleSet();
        }
        if (!set.Readable && whole.Readable) {
            set = whole;
            set.Problem = problems[whole.FromBackup];
            if (!whole.FromBackup && !problems[1].isEmpty())
                set.Problem += QLatin1Char(' ') + problems[1];
        }
        if (!set.Readable) {
            set.Ifo = TIFO();
            set.FirstChains.clear();
            set.PartPrograms.clear();
            set.Problem = problems[0] + QLatin1Char(' ') + problems[1];
        }
        return titleSets.emplace(index, std::move(set)).first->second;
    }
};

DvdLibrary::Handle::Handle() = default;
DvdLibrary::Handle::Handle(Handle &&other) noexcept = default;
DvdLibrary::Handle &DvdLibrary::Handle::operator=(Handle &&other) noexcept = default;
DvdLibrary::Handle::~Handle() = default;

bool DvdLibrary::Handle::isOpen() const
{
    return d && d->tableRead;
}

DvdLibrary::Handle DvdLibrary::DVD_OpenDVD(const QString &location)
{
    Handle dvd;
    dvd.d = std::make_unique<Handle::Private>();
    dvd.d->source = std::make_unique<DvdSource>(location);
    dvd.d->ReadTable();
    return dvd;
}

int DvdLibrary::DVD_GetTitleNum(const Handle &dvd)
{
    return dvd.isOpen() ? int(dvd.d->titles.size()) : 0;
}

int DvdLibrary::TitleSetOfTitle(const Handle &dvd, int title)
{
    const TitleEntry *info = dvd.isOpen() ? dvd.d->Title(title) : nullptr;
    return info && info->titleSet >= 1 && info->titleSet <= MaxTitleSets ? info->titleSet - 1 : -1;
}

QString DvdLibrary::TitleDamage(const TitleSet &set, int titleInSet)
{
    const int chain = set.FirstChains.value(titleInSet - 1, -1);
    if (chain < 0 || set.PartPrograms.value(titleInSet - 1).isEmpty())
        return QStringLiteral("its part-of-title table names no part of title %1").arg(titleInSet);
    if (chain >= set.Ifo.Pgci.ProgramChains.size())
        return QStringLiteral("title %1 begins in program chain %2, which it does not hold")
            .arg(titleInSet)
            .arg(chain + 1);
    const TProgramChain &k = set.Ifo.Pgci.ProgramChains.at(chain);
    if (k.ProgramCount == 0 || k.CellSectors.isEmpty() || TimeTextToSeconds(k.PlaybackTime) <= 0)
        return QStringLiteral("title %1 has no length").arg(titleInSet);
    return {};
}

int DvdLibrary::TitleInSet(const Handle &dvd, int title)
{
    return TitleSetOfTitle(dvd, title) >= 0 ? dvd.d->Title(title)->titleInSet : 0;
}

void DvdLibrary::DVD_GetIndexInfo(const Handle &dvd, int title, int &titleSetIndex, int &chainIndex)
{
    titleSetIndex = -1;
    chainIndex = -1;
    const int set = TitleSetOfTitle(dvd, title);
    if (set < 0)
        return;
    const TitleSet &titleSet = dvd.d->Set(set);
    const int titleInSet = dvd.d->Title(title)->titleInSet;
    if (!titleSet.Readable || titleInSet < 1 || titleInSet > titleSet.FirstChains.size())
        return;
    const int chain = titleSet.FirstChains[titleInSet - 1];
    if (chain < 0)
        return;
    titleSetIndex = set;
    chainIndex = chain;
}

const TProgramChain *DvdLibrary::TitleChain(const Handle &dvd, int title, int &titleSetIndex, const TVTS_VOBS *&vobs)
{
    int chain = -1;
    DVD_GetIndexInfo(dvd, title, titleSetIndex, chain);
    const TitleSet *set = titleSetIndex >= 0 ? DVD_GetTitleSet(dvd, titleSetIndex) : nullptr;
    if (!set || !set->Readable || chain < 0 || chain >= set->Ifo.Pgci.ProgramChains.size())
        return nullptr;
    vobs = &set->Ifo.Vobs;
    return &set->Ifo.Pgci.ProgramChains.at(chain);
}

QList<int> DvdLibrary::PartPrograms(const Handle &dvd, int title)
{
    const int set = TitleSetOfTitle(dvd, title);
    const TitleSet *titleSet = set >= 0 ? DVD_GetTitleSet(dvd, set) : nullptr;
    const int titleInSet = dvd.d && dvd.d->Title(title) ? dvd.d->Title(title)->titleInSet : 0;
    if (!titleSet || titleInSet < 1 || titleInSet > titleSet->PartPrograms.size())
        return {};
    return titleSet->PartPrograms.at(titleInSet - 1);
}

int DvdLibrary::DVD_GetTitleAngle(const Handle &dvd, int title)
{
    const TitleEntry *info = dvd.isOpen() ? dvd.d->Title(title) : nullptr;
    return info ? info->angles : 0;
}

const DvdLibrary::TitleSet *DvdLibrary::DVD_GetTitleSet(const Handle &dvd, int titleSetIndex)
{
    if (!dvd.d || titleSetIndex < 0 || titleSetIndex >= MaxTitleSets)
        return nullptr;
    return &dvd.d->Set(titleSetIndex);
}

QString DvdLibrary::TitleTableProblem(const Handle &dvd)
{
    return dvd.d ? dvd.d->tableProblem : QString();
}

bool DvdLibrary::NoDvd(const Handle &dvd)
{
    return !dvd.d || dvd.d->noDvd;
}

QString DvdLibrary::TitleTableNote(const Handle &dvd)
{
    return dvd.d ? dvd.d->tableNote : QString();
}

QString DvdLibrary::PlaybackProblem(const QString &location, int titleNumber)
{
    QString path = location;
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const Handle dvd = DVD_OpenDVD(path);
    QString problem = dvd.isOpen() ? TitleTableNote(dvd) : TitleTableProblem(dvd);
    const int set = TitleSetOfTitle(dvd, titleNumber - 1);
    const TitleSet *titleSet = set >= 0 ? DVD_GetTitleSet(dvd, set) : nullptr;
    if (problem.isEmpty() && titleSet && (!titleSet->Readable || titleSet->FromBackup))
        problem = titleSet->Problem;
    if (problem.isEmpty())
        return {};
    return QStringLiteral("The preview cannot play this DVD title: the disc is damaged. ") + problem;
}

bool DvdLibrary::ReadTitleVideo(const Handle &dvd, int titleSetIndex, quint32 sector, int count, QByteArray &bytes)
{
    bytes.clear();
    return dvd.d && dvd.d->source->ReadTitleVideo(titleSetIndex + 1, sector, count, bytes);
}

std::unique_ptr<DvdSource::TitleVideo> DvdLibrary::OpenTitleVideo(const Handle &dvd, int titleSetIndex,
                                                                  QString &problem)
{
    if (!dvd.d) {
        problem = QStringLiteral("The DVD cannot be read.");
        return nullptr;
    }
    return dvd.d->source->OpenTitleVideo(titleSetIndex + 1, problem);
}

QString DvdLibrary::TitleVideoProblem(const Handle &dvd, int titleSetIndex)
{
    return dvd.d ? dvd.d->source->TitleVideoProblem(titleSetIndex + 1) : QString();
}

QString DvdLibrary::Describe(const Handle &dvd, const QString &fileName)
{
    return dvd.d ? dvd.d->source->Describe(fileName) : fileName;
}
