#include "DvdScan.h"

#include "DvdTitleLoader.h"
#include "TDVDInformation.h"
#include "app/EQuarnelError.h"
#include "app/TTaskListModel.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {

QJsonObject Times(const TTaskNodeData &e)
{
    return QJsonObject{{QStringLiteral("Number"), e.Number},
                       {QStringLiteral("Caption"), e.Caption},
                       {QStringLiteral("OrigStart"), e.OrigStart},
                       {QStringLiteral("OrigEnd"), e.OrigEnd},
                       {QStringLiteral("OrigStartText"), e.OrigStartText},
                       {QStringLiteral("OrigEndText"), e.OrigEndText},
                       {QStringLiteral("OutputName"), e.OutputName},
                       {QStringLiteral("Checked"), e.Checked}};
}

QJsonObject TitleObject(const TTaskNodeData &e)
{
    QJsonObject o = Times(e);
    o.insert(QStringLiteral("ShortName"), e.ShortName);
    o.insert(QStringLiteral("FrameSize"), e.FrameSize);
    o.insert(QStringLiteral("Aspect"), e.Aspect);
    o.insert(QStringLiteral("Duration"), e.Duration);
    o.insert(QStringLiteral("AudioTracks"), QJsonArray::fromStringList(e.AudioTracks));
    o.insert(QStringLiteral("AudioLanguages"), QJsonArray::fromStringList(e.AudioLanguages));
    o.insert(QStringLiteral("Subtitles"), QJsonArray::fromStringList(e.Subtitles));
    o.insert(QStringLiteral("AngleCount"), e.AngleCount);
    return o;
}

} // namespace

QJsonObject ScanDvd(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EQuarnelError(QStringLiteral("Cannot open \"%1\": no such file or folder.").arg(path));
    // A file stands for the folder that holds it, as on the command line.
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();

    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(folder, list);
    const QString menuFile = DvdInfo.DvdPath + QStringLiteral("VIDEO_TS.IFO");
    if (!QFileInfo::exists(menuFile))
        throw EQuarnelError(QStringLiteral("No DVD in \"%1\": the file \"%2\" does not exist.").arg(path, menuFile));
    list.CheckLongestTitle();

    QJsonArray titles;
    for (int t = 0; t < list.rowCount(); ++t) {
        const QModelIndex title = list.index(t, 0);
        QJsonObject o = TitleObject(*list.Entry(title));
        QJsonArray chapters;
        for (int c = 0; c < list.rowCount(title); ++c) {
            const TTaskNodeData &chapter = *list.Entry(list.index(c, 0, title));
            QJsonObject co = Times(chapter);
            co.insert(QStringLiteral("ChapterIndex"), chapter.ChapterIndex);
            chapters.append(co);
        }
        o.insert(QStringLiteral("Chapters"), chapters);
        titles.append(o);
    }
    return QJsonObject{{QStringLiteral("DvdPath"), DvdInfo.DvdPath},
                       {QStringLiteral("Standard"), DvdInfo.Standard},
                       {QStringLiteral("FrameRateFactor"), DvdInfo.FrameRateFactor},
                       {QStringLiteral("VolumeName"), DvdInfo.VolumeName},
                       {QStringLiteral("Titles"), titles}};
}
