#include "convert/commands/TConversionEntry.h"

#include "convert/commands/SubtitleStreams.h"
#include "core/LanguageCodes.h"
#include "tasklist/TTaskListModel.h"

#include <QHash>

QList<TConversionEntry> CollectCheckedEntries(const TTaskListModel &list, const QString &dvdPath)
{
    QList<TConversionEntry> entries;
    QHash<int, QList<int>> streamsOfTitle, audioOfTitle; // read once per title
    for (const QModelIndex &index : list.AllEntries()) {
        const TTaskNodeData *entry = list.Entry(index);
        if (!entry || !entry->Checked)
            continue;
        const TTaskNodeData *title = list.Entry(list.TitleOf(index));
        if (!title)
            title = entry;
        TConversionEntry e;
        e.Data = *entry;
        e.TitleNumber = title->Number;
        e.AudioLanguages = title->AudioLanguages;
        e.Aspect = title->Aspect;
        e.TitleEnd = title->OrigEnd;
        if (!e.AudioLanguages.isEmpty()) {
            if (!audioOfTitle.contains(e.TitleNumber))
                audioOfTitle.insert(e.TitleNumber, TitleAudioIds(dvdPath, e.TitleNumber));
            const QList<int> ids = audioOfTitle.value(e.TitleNumber);
            e.AudioId = ids.value(entry->AudioLanguageIndex, -1);
            e.AudioTrackLanguages << FileLanguageCode(e.AudioLanguages.value(entry->AudioLanguageIndex));
            for (const int index : entry->MoreAudioIndexes) {
                const int id = ids.value(index, -1);
                if (id < 0 || id == e.AudioId || e.MoreAudioIds.contains(id))
                    continue;
                e.MoreAudioIds << id;
                e.AudioTrackLanguages << FileLanguageCode(e.AudioLanguages.value(index));
            }
        }
        if (entry->SubtitleIndex > 0) {
            if (!streamsOfTitle.contains(e.TitleNumber))
                streamsOfTitle.insert(e.TitleNumber, TitleSubtitleStreams(dvdPath, e.TitleNumber));
            e.SubtitleStream = SubtitleStreamFor(streamsOfTitle.value(e.TitleNumber), entry->SubtitleIndex);
        }
        entries << e;
    }
    return entries;
}
