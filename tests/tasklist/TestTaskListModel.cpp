#include "TestSupport.h"

#include "core/OutputExt.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "tasklist/AudioTrackChoice.h"
#include "tasklist/TTaskListModel.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

TTaskNodeData Title(int number, double length)
{
    TTaskNodeData d;
    d.IsTitle = true;
    d.Number = number;
    d.ShortName = d.OutputName = QStringLiteral("Title%1").arg(number, 2, 10, QLatin1Char('0'));
    d.Caption = d.ShortName + QStringLiteral(" [MPEG2 720x576 PAL 16:9]");
    d.OrigStartText = d.StartText = QStringLiteral("00:00:00");
    d.OrigEndText = d.EndText = SecondsToTimeText(length);
    d.OrigEnd = d.End = length;
    d.Duration = length;
    d.AudioTracks = Strings({"English AC3 6ch", "French AC3 2ch"});
    d.AudioLanguages = Strings({"en", "fr"});
    d.Subtitles = Strings({"None", "English"});
    d.AngleCount = 2;
    return d;
}

TTaskNodeData Chapter(int title, int number, double start, double end)
{
    TTaskNodeData d;
    d.Number = number;
    d.ChapterIndex = number - 1;
    d.ShortName = d.Caption = QStringLiteral("Chapter%1").arg(number, 2, 10, QLatin1Char('0'));
    d.OutputName = QStringLiteral("Title%1-").arg(title, 2, 10, QLatin1Char('0')) + d.ShortName;
    d.OrigStart = d.Start = start;
    d.OrigEnd = d.End = end;
    d.OrigStartText = d.StartText = SecondsToTimeText(start);
    d.OrigEndText = d.EndText = SecondsToTimeText(end);
    d.ImageIndex = 1;
    return d;
}

// Two titles of 120 and 300 seconds with two chapters each.
void Fill(TTaskListModel &list, double first = 120, double second = 300)
{
    const QModelIndex t1 = list.AddTitleNode(Title(1, first));
    list.AddChapterNode(t1, Chapter(1, 1, 0, first / 2));
    list.AddChapterNode(t1, Chapter(1, 2, first / 2, first));
    const QModelIndex t2 = list.AddTitleNode(Title(2, second));
    list.AddChapterNode(t2, Chapter(2, 1, 0, 100));
    list.AddChapterNode(t2, Chapter(2, 2, 100, second));
}

QList<bool> Marks(const TTaskListModel &list)
{
    QList<bool> marks;
    for (const QModelIndex &i : list.AllEntries())
        marks << list.Entry(i)->Checked;
    return marks;
}

} // namespace

class TestTaskListModel : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        DvdInfo.VolumeName.clear();
        SetOutputExt(QString());
    }

    void headerAndOrder()
    {
        TTaskListModel list;
        Fill(list);
        const QStringList captions = Strings({"Title", "Start", "End", "Output File", ""});
        for (int c = 0; c < captions.size(); ++c)
            QCOMPARE(list.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), captions[c]);
        QStringList order;
        for (const QModelIndex &i : list.AllEntries())
            order << list.Entry(i)->OutputName;
        QCOMPARE(order, Strings({"Title01", "Title01-Chapter01", "Title01-Chapter02", "Title02", "Title02-Chapter01",
                                 "Title02-Chapter02"}));
        QCOMPARE(list.TitleOf(list.AllEntries()[2]), list.index(0, 0));
        QCOMPARE(list.data(list.AllEntries()[2], TTaskListModel::ImageIndexRole).toInt(), 1);
        QCOMPARE(list.data(list.index(0, 0), TTaskListModel::ImageIndexRole).toInt(), 0);
        QVERIFY(!list.data(list.index(0, 1), TTaskListModel::ImageIndexRole).isValid()); // icon in column 0 only
    }

    void trimMarks()
    {
        TTaskListModel list;
        Fill(list);
        const QModelIndex title = list.index(0, 0);
        TTaskNodeData *e = list.Entry(title);
        e->Start = 60;
        e->StartText = QStringLiteral("00:01:00");
        QCOMPARE(list.ColumnText(title, TTaskListModel::StartColumn), QStringLiteral("[ 00:01:00"));
        QCOMPARE(list.ColumnText(title, TTaskListModel::EndColumn), QStringLiteral("00:02:00"));
        e->End = 90;
        e->EndText = QStringLiteral("00:01:30");
        QCOMPARE(list.ColumnText(title, TTaskListModel::EndColumn), QStringLiteral("00:01:30 ]"));
    }

    void outputNames_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("text");
        QTest::newRow("volume and type") << QStringLiteral("MOVIE") << QStringLiteral(".avi")
                                         << QStringLiteral("MOVIE-Title01-Chapter02.avi");
        QTest::newRow("no volume") << QString() << QStringLiteral(".avi") << QStringLiteral("Title01-Chapter02.avi");
        QTest::newRow("no profile loaded") << QString() << QString() << QStringLiteral("Title01-Chapter02");
        // The column shows the file name written, not the label as typed.
        QTest::newRow("label with characters no file name holds")
            << QStringLiteral("My Film: Part?") << QStringLiteral(".mp4")
            << QStringLiteral("My Film_ Part_-Title01-Chapter02.mp4");
        QTest::newRow("label with separators")
            << QStringLiteral("A/B\\C") << QStringLiteral(".avi") << QStringLiteral("A_B_C-Title01-Chapter02.avi");
    }
    void outputNames()
    {
        QFETCH(QString, volume);
        QFETCH(QString, ext);
        QFETCH(QString, text);
        TTaskListModel list;
        Fill(list);
        DvdInfo.VolumeName = volume;
        SetOutputExt(ext);
        QCOMPARE(list.ColumnText(list.index(1, 0, list.index(0, 0)), TTaskListModel::OutputColumn), text);
    }

    void checkCommands()
    {
        TTaskListModel list;
        Fill(list);
        list.CheckAll(false, true);
        QCOMPARE(Marks(list), (QList<bool>{false, true, true, false, true, true}));
        list.CheckAll(true, false);
        QCOMPARE(Marks(list), (QList<bool>{true, true, true, true, true, true}));
        list.UncheckAll();
        QCOMPARE(Marks(list), (QList<bool>{false, false, false, false, false, false}));
        list.CheckAll(true, false);
        QCOMPARE(Marks(list), (QList<bool>{true, false, false, true, false, false}));
        // The view's proposed state does not matter: a click inverts the mark.
        QSignalSpy clicked(&list, &TTaskListModel::EntryCheckClicked);
        const QModelIndex chapter = list.index(1, 0, list.index(1, 0));
        QVERIFY(list.setData(chapter, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(list.data(chapter, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(clicked.size(), 1);
        QVERIFY(!list.setData(chapter.siblingAtColumn(2), Qt::Checked, Qt::CheckStateRole));
    }

    void longestTitle_data()
    {
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<QList<bool>>("marks");
        QTest::newRow("second longer") << 120.0 << 300.0 << QList<bool>{false, false, false, true, false, false};
        QTest::newRow("tie goes to the first")
            << 300.0 << 300.0 << QList<bool>{true, false, false, false, false, false};
        QTest::newRow("all zero: the first title")
            << 0.0 << 0.0 << QList<bool>{true, false, false, false, false, false};
    }
    void longestTitle()
    {
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(QList<bool>, marks);
        TTaskListModel list;
        Fill(list, first, second);
        list.CheckLongestTitle();
        QCOMPARE(Marks(list), marks);
        TTaskListModel empty;
        empty.CheckLongestTitle(); // nothing to do, nothing to fail
    }

    void choicesOnTitleReachChapters()
    {
        TTaskListModel list;
        Fill(list);
        const QModelIndex title = list.index(0, 0);
        list.StoreChoice(title, TTaskListModel::Choice::Audio, 1);
        for (const QModelIndex &i : {title, list.index(0, 0, title), list.index(1, 0, title)}) {
            QCOMPARE(list.Entry(i)->AudioIndex, 1);
            QCOMPARE(list.Entry(i)->AudioLanguageIndex, 1);
        }
        QCOMPARE(list.Entry(list.index(1, 0))->AudioIndex, 0); // the other title keeps its own

        const QModelIndex chapter = list.index(1, 0, title);
        list.StoreChoice(chapter, TTaskListModel::Choice::Subtitle, 1);
        list.StoreChoice(chapter, TTaskListModel::Choice::Angle, 1);
        QCOMPARE(list.Entry(chapter)->SubtitleIndex, 1);
        QCOMPARE(list.Entry(chapter)->AngleIndex, 1);
        QCOMPARE(list.Entry(title)->SubtitleIndex, 0);
        QCOMPARE(list.Entry(list.index(0, 0, title))->SubtitleIndex, 0);
    }

    // Several sound tracks: the first into AudioIndex, the rest in order; a title's reach its
    // chapters, a chapter's stay with it; one track chosen alone drops the others.
    void audioTracksOnTitleReachChapters()
    {
        TTaskListModel list;
        Fill(list);
        const QModelIndex title = list.index(0, 0);
        const QModelIndex chapter = list.index(1, 0, title);
        list.StoreAudioTracks(title, {1, 0});
        for (const QModelIndex &i : {title, list.index(0, 0, title), chapter}) {
            QCOMPARE(list.Entry(i)->AudioLanguageIndex, 1);
            QCOMPARE(ChosenAudioTracks(*list.Entry(i)), QList<int>({1, 0}));
        }
        QCOMPARE(ChosenAudioTracks(*list.Entry(list.index(1, 0))), QList<int>({0}));

        list.StoreAudioTracks(chapter, {0});
        QCOMPARE(ChosenAudioTracks(*list.Entry(chapter)), QList<int>({0}));
        QCOMPARE(ChosenAudioTracks(*list.Entry(title)), QList<int>({1, 0}));
        list.StoreAudioTracks(title, {}); // nothing to keep is no choice
        QCOMPARE(ChosenAudioTracks(*list.Entry(title)), QList<int>({1, 0}));

        list.StoreChoice(title, TTaskListModel::Choice::Audio, 0);
        for (const QModelIndex &i : {title, chapter})
            QCOMPARE(ChosenAudioTracks(*list.Entry(i)), QList<int>({0}));
    }

    void toggleAudioTrack_data()
    {
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<int>("track");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("checked goes behind") << QList<int>{2} << 0 << QList<int>{2, 0};
        QTest::newRow("first unchecked, next first") << QList<int>{0, 2, 1} << 0 << QList<int>{2, 1};
        QTest::newRow("middle unchecked") << QList<int>{0, 2, 1} << 2 << QList<int>{0, 1};
        QTest::newRow("the last one stays") << QList<int>{1} << 1 << QList<int>{1};
    }
    void toggleAudioTrack()
    {
        QFETCH(QList<int>, chosen);
        QFETCH(int, track);
        QFETCH(QList<int>, after);
        QCOMPARE(ToggleAudioTrack(chosen, track), after);
    }

    void audioChoiceText_data()
    {
        QTest::addColumn<QStringList>("tracks");
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<bool>("keepsSeveral");
        QTest::addColumn<QString>("text");
        const QStringList three = Strings({"English", "French", "Deutsch"});
        QTest::newRow("in the order chosen") << three << QList<int>{2, 0} << true << QStringLiteral("Deutsch + English");
        QTest::newRow("one-track file") << three << QList<int>{2, 0, 1} << false
                                        << QStringLiteral("Deutsch (+2 left out)");
        QTest::newRow("one track") << three << QList<int>{1} << false << QStringLiteral("French");
        QTest::newRow("beyond the list") << three << QList<int>{5, 1} << false << QStringLiteral("French");
        QTest::newRow("no tracks") << QStringList() << QList<int>{0} << true << QString();
    }
    void audioChoiceText()
    {
        QFETCH(QStringList, tracks);
        QFETCH(QList<int>, chosen);
        QFETCH(bool, keepsSeveral);
        QFETCH(QString, text);
        QCOMPARE(AudioChoiceText(tracks, chosen, keepsSeveral), text);
    }
};

QTEST_APPLESS_MAIN(TestTaskListModel)
#include "TestTaskListModel.moc"
