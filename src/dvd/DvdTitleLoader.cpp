#include "DvdTitleLoader.h"

#include "DvdLibrary.h"
#include "Parser.h"
#include "TDVDInformation.h"
#include "app/PathText.h"
#include "app/TTaskListModel.h"
#include "app/TimeText.h"

#include <QDir>
#include <QFile>

namespace {

// Seconds and text of a time are always set together.
void SetSpan(TTaskNodeData &d, const QString &startText, const QString &endText)
{
    d.OrigStartText = d.StartText = startText;
    d.OrigEndText = d.EndText = endText;
    d.OrigStart = d.Start = TimeTextToSeconds(startText);
    d.OrigEnd = d.End = TimeTextToSeconds(endText);
}

QString WholeSecondsText(const QString &time)
{
    return SecondsToTimeText(TimeTextToSeconds(time));
}

// 1..99 from "VTS_nn_0.IFO"; 0 for a name that matches the pattern but holds no such number.
int TitleSetNumber(const QString &fileName)
{
    const QString middle = fileName.mid(4, fileName.size() - 10);
    if (middle.size() != 2 || !middle[0].isDigit() || !middle[1].isDigit())
        return 0;
    return middle.toInt();
}

} // namespace

QString DvdTitleLoader::Numbered(const QString &prefix, int number)
{
    return prefix + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

void DvdTitleLoader::LoadDvdTitles(const QString &folderPath, TTaskListModel &list)
{
    QString folder = EnsureTrailingBackslash(folderPath);
    m_titleSets.clear();
    if (!QFile::exists(FileInFolder(folder, QStringLiteral("VIDEO_TS.IFO"))))
        folder = EnsureTrailingBackslash(FileInFolder(folder, QStringLiteral("VIDEO_TS")));
    DvdInfo.DvdPath = folder;
    // Nothing of the previous disc stays; a DVD without titles has no standard.
    DvdInfo.Standard.clear();
    DvdInfo.FrameRateFactor = 0.0;
    QString libraryPath = folder;
    libraryPath.chop(1);

    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("VTS_*_0.IFO")}, QDir::Files, QDir::Name);
    // Placed by the number in the name, not by the order found: with one title set's file
    // missing, the library's indexes must still meet the right sets (a gap stays empty).
    QList<TIFO> parsed;
    for (const QString &name : files) {
        const int number = TitleSetNumber(name);
        if (number < 1)
            continue;
        TIFO ifo = Parser::ParseIfo(dir.filePath(name));
        if (parsed.size() < number)
            parsed.resize(number);
        parsed[number - 1] = std::move(ifo);
    }
    m_titleSets = parsed;

    const DvdLibrary::Handle handle = DvdLibrary::DVD_OpenDVD(libraryPath);
    const int count = DvdLibrary::DVD_GetTitleNum(handle);
    for (int i = 0; i < count; ++i) {
        int s = -1, c = -1;
        DvdLibrary::DVD_GetIndexInfo(handle, i, s, c);
        const QString name = Numbered(QStringLiteral("Title"), i + 1);
        const int angles = DvdLibrary::DVD_GetTitleAngle(handle, i);
        const TProgramChain *chain = Chain(s, c);
        if (!chain) {
            // Nothing to describe the title with: show it, with no length and no choices.
            AddTitleNode(list, i + 1, name, name, QStringLiteral("00:00:00"), QStringLiteral("00:00:00"), name,
                         QString(), QString(), {}, {}, {}, angles);
            continue;
        }
        const TVideoStream &video = m_titleSets[s].Vobs.VideoStream;
        const QString caption = name + QLatin1Char(' ') + VideoAttributeText(s);
        if (caption.contains(QStringLiteral("PAL"), Qt::CaseInsensitive)) {
            DvdInfo.Standard = QStringLiteral("PAL");
            DvdInfo.FrameRateFactor = 25000.0;
        } else {
            DvdInfo.Standard = QStringLiteral("NTSC");
            DvdInfo.FrameRateFactor = 29970.0;
        }
        QString frameSize = video.Resolution;
        frameSize.replace(QLatin1Char('x'), QLatin1Char(':'), Qt::CaseInsensitive);
        const QModelIndex entry =
            AddTitleNode(list, i + 1, caption, name, QStringLiteral("00:00:00"), WholeSecondsText(chain->PlaybackTime), name,
                         frameSize, video.AspectRatio, AudioTrackTexts(s, c), AudioLanguageCodes(s, c), SubtitleTexts(s, c), angles);
        AddChapterNodes(s, c, entry, i + 1, list);
    }
}

const TProgramChain *DvdTitleLoader::Chain(int titleSet, int chain) const
{
    if (titleSet < 0 || titleSet >= m_titleSets.size())
        return nullptr;
    const QList<TProgramChain> &chains = m_titleSets[titleSet].Pgci.ProgramChains;
    return chain >= 0 && chain < chains.size() ? &chains[chain] : nullptr;
}

QString DvdTitleLoader::VideoAttributeText(int titleSet) const
{
    if (titleSet < 0 || titleSet >= m_titleSets.size())
        return {};
    const TVideoStream &v = m_titleSets[titleSet].Vobs.VideoStream;
    return QLatin1Char('[') + v.CodingMode + QLatin1Char(' ') + v.Resolution + QLatin1Char(' ') + v.Standard
           + QLatin1Char(' ') + v.AspectRatio + QLatin1Char(']');
}

QStringList DvdTitleLoader::AudioTrackTexts(int titleSet, int chain) const
{
    QStringList texts;
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return texts;
    const TVTS_VOBS &vobs = m_titleSets[titleSet].Vobs;
    for (int i = 0; i < vobs.AudioStreamCount && i < vobs.AudioStreams.size() && i < k->AudioAvailable.size(); ++i) {
        if (k->AudioAvailable[i] != QLatin1Char('1'))
            continue;
        const TAudioStream &a = vobs.AudioStreams[i];
        texts << a.Language + QLatin1Char(' ') + a.CodingMode + QLatin1Char(' ') + QString::number(a.Channels) + QStringLiteral("ch");
    }
    return texts;
}

QStringList DvdTitleLoader::AudioLanguageCodes(int titleSet, int chain) const
{
    QStringList codes;
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return codes;
    const TVTS_VOBS &vobs = m_titleSets[titleSet].Vobs;
    for (int i = 0; i < vobs.AudioStreamCount && i < vobs.AudioStreams.size() && i < k->AudioAvailable.size(); ++i) {
        if (k->AudioAvailable[i] == QLatin1Char('1'))
            codes << vobs.AudioStreams[i].LanguageCode;
    }
    return codes;
}

QStringList DvdTitleLoader::SubtitleTexts(int titleSet, int chain) const
{
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return {};
    QStringList texts{QStringLiteral("None")};
    const TVTS_VOBS &vobs = m_titleSets[titleSet].Vobs;
    for (int i = 0; i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < k->SubpictureAvailable.size(); ++i) {
        if (k->SubpictureAvailable[i] == QLatin1Char('1'))
            texts << vobs.SubpictureLanguages[i];
    }
    return texts;
}

QModelIndex DvdTitleLoader::AddTitleNode(TTaskListModel &list, int number, const QString &caption, const QString &name,
                                         const QString &startText, const QString &endText, const QString &outputName,
                                         const QString &frameSize, const QString &aspect, const QStringList &tracks,
                                         const QStringList &languages, const QStringList &subtitles, int angles)
{
    TTaskNodeData d;
    d.IsTitle = true;
    d.Number = number;
    d.ChapterIndex = 0;
    d.Caption = caption;
    d.ShortName = name;
    d.FrameSize = frameSize;
    d.Aspect = aspect;
    SetSpan(d, startText, endText);
    d.Duration = d.OrigEnd - d.OrigStart;
    d.OutputName = outputName;
    d.AudioTracks = tracks;
    d.AudioLanguages = languages;
    d.Subtitles = subtitles;
    d.AngleCount = angles;
    d.ImageIndex = 0;
    return list.AddTitleNode(d);
}

void DvdTitleLoader::AddChapterNodes(int titleSet, int chain, const QModelIndex &entry, int titleNumber,
                                     TTaskListModel &list) const
{
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return;
    for (int j = 0; j < k->ProgramCount && j < k->ChapterStarts.size() && j < k->ChapterDurations.size(); ++j) {
        const QString chapterName = Numbered(QStringLiteral("Chapter"), j + 1);
        const QString startText = WholeSecondsText(k->ChapterStarts[j]);
        // The rounded start plus the exact chapter length, rounded again.
        const QString endText = SecondsToTimeText(TimeTextToSeconds(startText) + TimeTextToSeconds(k->ChapterDurations[j]));
        const QString outputName = Numbered(QStringLiteral("Title"), titleNumber) + QLatin1Char('-') + chapterName;
        AddChapterNode(list, entry, j + 1, chapterName, startText, endText, outputName, j);
    }
}

QModelIndex DvdTitleLoader::AddChapterNode(TTaskListModel &list, const QModelIndex &parent, int number,
                                           const QString &chapterName, const QString &startText, const QString &endText,
                                           const QString &outputName, int index)
{
    TTaskNodeData d;
    d.IsTitle = false;
    d.Number = number;
    d.ChapterIndex = index;
    d.Caption = chapterName;
    d.ShortName = chapterName;
    SetSpan(d, startText, endText);
    d.OutputName = outputName;
    d.ImageIndex = 1;
    return list.AddChapterNode(parent, d);
}
