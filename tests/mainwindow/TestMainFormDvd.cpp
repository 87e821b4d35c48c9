#include "TestSupport.h"
#include "WindowTestBase.h"

#include "convert/run/TConversionController.h"
#include "core/OutputExt.h"
#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "core/TImageButton.h"
#include "mainwindow/TMainForm.h"
#include "tasklist/AudioTrackChoice.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"
#include "tasklist/TTrackChoiceBox.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

QString Dvd(const char *name)
{
    return TestDvdsDir() + QLatin1Char('/') + QString::fromLatin1(name);
}

QStringList Items(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList TitleNames(const TTaskListModel &list)
{
    QStringList names;
    for (int t = 0; t < list.rowCount(); ++t)
        names << list.Entry(list.index(t, 0))->ShortName;
    return names;
}

void CopyDvd(const QString &from, const QString &to)
{
    QDir().mkpath(to + QStringLiteral("/VIDEO_TS"));
    const QDir source(from + QStringLiteral("/VIDEO_TS"));
    for (const QString &name : source.entryList(QDir::Files))
        QVERIFY(QFile::copy(source.filePath(name), to + QStringLiteral("/VIDEO_TS/") + name));
}

} // namespace

class TestMainFormDvd : public WindowTestBase
{
    Q_OBJECT
private slots:
    void noArgumentsKeepsTheCover()
    {
        TMainForm &m = StartWindows({});
        QTest::qWait(50);
        QVERIFY(m.panbg->isVisible());
        QVERIFY(m.TaskList->IsEmpty());
        QVERIFY(!m.sbtnSegment->isEnabled());
        QVERIFY(!m.IsOpeningDvd());
    }

    void listFileOpensEachFolderInTurn()
    {
        TestProgramFolder folder(false);
        // Capital extension, CR LF line ends, an item that names nothing.
        folder.writeFile(QStringLiteral("list.TMP"), (Dvd("pal-simple") + QStringLiteral("\r\n/no/such/folder\r\n")
                                                      + Dvd("ntsc-multi") + QStringLiteral("\r\n"))
                                                         .toUtf8());
        const QByteArray before = folder.readFile(QStringLiteral("list.TMP"));
        TMainForm &m = StartWindows({folder.file(QStringLiteral("list.TMP"))});
        QSignalSpy opened(&m, &TMainForm::DvdOpened);
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 10000);
        QTRY_VERIFY(!m.IsOpeningDvd());
        QCOMPARE(TitleNames(*m.TaskList), Strings({"Title01", "Title02", "Title03", "Title04", "Title05"}));
        QCOMPARE(DvdInfo.DvdPath, Dvd("ntsc-multi") + QStringLiteral("/VIDEO_TS/"));
        QCOMPARE(folder.readFile(QStringLiteral("list.TMP")), before);
        QVERIFY(!m.panbg->isVisible());
        QVERIFY(m.sbtnSegment->isEnabled());
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    // Relative lines of a list file name folders beside the list file, not in the Profiles
    // folder (the program's current one) nor where the program was started.
    void listFileLinesBesideTheListFile()
    {
        TestProgramFolder folder(false);
        CopyDvd(Dvd("pal-twolang"), folder.file(QStringLiteral("lists/discs/two")));
        folder.writeFile(QStringLiteral("lists/list.tmp"), "discs/two\n");
        TMainForm &m = StartWindows({folder.file(QStringLiteral("lists/list.tmp"))});
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 3);
        QCOMPARE(DvdInfo.DvdPath, folder.file(QStringLiteral("lists/discs/two/VIDEO_TS/")));
    }

    void fileInsideADvdFolderOpensThatFolder()
    {
        TMainForm &m = StartWindows({Dvd("pal-simple") + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")});
        WaitOpened(m);
        QCOMPARE(DvdInfo.DvdPath, Dvd("pal-simple") + QStringLiteral("/VIDEO_TS/"));
        QCOMPARE(DvdInfo.Standard, QStringLiteral("PAL"));
        QCOMPARE(m.TaskList->rowCount(), 1);
        QVERIFY(m.TaskList->Entry(m.TaskList->index(0, 0))->Checked); // the longest title
        QVERIFY(!m.ltvTask->isExpanded(m.TaskList->index(0, 0))); // titles start collapsed
    }

    // Opening the program makes its Profiles folder the current one; a relative path still
    // names what it named where the program was started.
    void relativePathOpens()
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(TestDvdsDir());
        TMainForm &m = StartWindows({QStringLiteral("pal-simple")});
        QDir::setCurrent(before);
        WaitOpened(m);
        QCOMPARE(DvdInfo.DvdPath, Dvd("pal-simple") + QStringLiteral("/VIDEO_TS/"));
        QCOMPARE(m.TaskList->rowCount(), 1);
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void dropOpensOnlyTheFirstItem()
    {
        TMainForm &m = StartWindows({});
        Drop(m, {Dvd("pal-simple"), Dvd("ntsc-multi"), Dvd("pal-twolang")});
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 1);
        QTest::qWait(100);
        QVERIFY(!m.IsOpeningDvd()); // the other two were not queued

        // During a conversion the list is disabled and drops do nothing.
        m.ltvTask->setEnabled(false);
        Drop(m, {Dvd("ntsc-multi")});
        QTest::qWait(100);
        QVERIFY(!m.IsOpeningDvd());
        QCOMPARE(m.TaskList->rowCount(), 1);
    }

    void checkMarksAndPopupMenu()
    {
        TMainForm &m = StartWindows({});
        m.PopupMenu1Popup();
        QVERIFY(!m.pmiCheckAll->isEnabled());
        QVERIFY(!m.pmiUncheck->isEnabled());
        QVERIFY(!m.pmiDVDVolume->isEnabled());
        QVERIFY(m.pmiOpenDVD->isEnabled() && m.pmiOpenDir->isEnabled() && m.pmiTrimTime->isEnabled());
        QCOMPARE(m.pmiTrimTime->text(), QStringLiteral("Edit Start && End Time"));

        m.OpenDvdFolder(Dvd("ntsc-multi"));
        WaitOpened(m);
        m.PopupMenu1Popup();
        QVERIFY(m.pmiCheckAll->isEnabled() && m.pmiUncheck->isEnabled() && m.pmiDVDVolume->isEnabled());

        // "All Chapters" with every title collapsed marks every chapter, titles unchanged.
        m.pmiUncheck->trigger();
        m.pmiCheckChapter->trigger();
        int checkedChapters = 0, checkedTitles = 0;
        for (const QModelIndex &i : m.TaskList->AllEntries()) {
            const TTaskNodeData *e = m.TaskList->Entry(i);
            (e->IsTitle ? checkedTitles : checkedChapters) += e->Checked ? 1 : 0;
            if (!e->IsTitle)
                QVERIFY(e->Checked);
        }
        QCOMPARE(checkedTitles, 0);
        QCOMPARE(checkedChapters, 11);

        // Uncheck All, then one click on a check box: exactly that entry, and it is focused.
        m.pmiUncheck->trigger();
        const QModelIndex third = m.TaskList->index(2, 0);
        QVERIFY(m.TaskList->setData(third, Qt::Checked, Qt::CheckStateRole)); // what the view does on a click
        int checked = 0;
        for (const QModelIndex &i : m.TaskList->AllEntries())
            checked += m.TaskList->Entry(i)->Checked ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(m.TaskList->Entry(third)->Checked);
        QCOMPARE(m.ltvTask->currentIndex().siblingAtColumn(0), third);
    }

    void comboBoxesFollowTheFocusedEntry()
    {
        TMainForm &m = StartWindows({Dvd("ntsc-multi")});
        WaitOpened(m);
        const QModelIndex title = m.TaskList->index(0, 0);
        m.ltvTask->setCurrentIndex(title);
        QCOMPARE(Items(m.cmbAudio), Strings({"English AC3 2ch", "French AC3 2ch"}));
        QCOMPARE(Items(m.cmbAudioLanguage), Strings({"en", "fr"}));
        QCOMPARE(Items(m.cmbSub).first(), QStringLiteral("None"));
        QCOMPARE(Items(m.cmbSub).size(), 3);
        QCOMPARE(Items(m.cmbAngle), Strings({"1"}));
        QCOMPARE(m.cmbAudio->currentIndex(), 0);

        // The second track on a title goes into all its chapters.
        m.cmbAudio->setFocus();
        QTest::keyClick(m.cmbAudio, Qt::Key_Down);
        QCOMPARE(m.cmbAudio->currentIndex(), 1);
        for (int c = 0; c < m.TaskList->rowCount(title); ++c)
            QCOMPARE(m.TaskList->Entry(m.TaskList->index(c, 0, title))->AudioIndex, 1);
        const QModelIndex chapter = m.TaskList->index(1, 0, title);
        m.ltvTask->setCurrentIndex(chapter);
        QCOMPARE(Items(m.cmbAudio), Strings({"English AC3 2ch", "French AC3 2ch"}));
        QCOMPARE(m.cmbAudio->currentIndex(), 1);
        QCOMPARE(m.cmbAudioLanguage->currentText(), QStringLiteral("fr"));

        // A subtitle on one chapter changes only that chapter.
        QTest::keyClick(m.cmbSub, Qt::Key_Down);
        QCOMPARE(m.TaskList->Entry(chapter)->SubtitleIndex, 1);
        QCOMPARE(m.TaskList->Entry(title)->SubtitleIndex, 0);
        QCOMPARE(m.TaskList->Entry(m.TaskList->index(0, 0, title))->SubtitleIndex, 0);
    }

    // In the open Audio Track list each click checks or unchecks a track and the list stays
    // open; the order checked is the file's order and a title's choice reaches its chapters.
    void audioTrackListKeepsSeveralInOrder()
    {
        TMainForm &m = StartWindows({Dvd("ntsc-multi")});
        WaitOpened(m);
        SetOutputExt(QStringLiteral(".mkv"));
        const QModelIndex title = m.TaskList->index(0, 0);
        const QModelIndex chapter = m.TaskList->index(1, 0, title);
        m.ltvTask->setCurrentIndex(title);
        auto chosen = [&m](const QModelIndex &entry) { return ChosenAudioTracks(*m.TaskList->Entry(entry)); };
        m.cmbAudio->showPopup();
        QAbstractItemView *list = m.cmbAudio->view();
        QTRY_VERIFY(list->isVisible());
        auto click = [list](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
        };

        click(1);
        QVERIFY(list->isVisible());
        QCOMPARE(list->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        for (const QModelIndex &e : {title, m.TaskList->index(0, 0, title), chapter})
            QCOMPARE(chosen(e), QList<int>({0, 1}));
        QCOMPARE(m.cmbAudio->ChoiceText(), QStringLiteral("English AC3 2ch + French AC3 2ch"));

        // The first unchecked: the next is the file's first; the only one left stays.
        click(0);
        click(1);
        QCOMPARE(chosen(chapter), QList<int>({1}));
        QCOMPARE(m.TaskList->Entry(chapter)->AudioLanguageIndex, 1);
        QCOMPARE(m.cmbAudioLanguage->currentText(), QStringLiteral("fr"));
        QCOMPARE(m.cmbAudio->ChoiceText(), QStringLiteral("French AC3 2ch"));
        QCOMPARE(list->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

        // Space checks the track under the cursor; Enter closes with what is checked.
        list->setCurrentIndex(list->model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(chosen(title), QList<int>({1, 0}));
        QCOMPARE(m.cmbAudio->currentIndex(), 1);

        // A one-track file keeps the first; the box says what is left out.
        SetOutputExt(QStringLiteral(".avi"));
        QCOMPARE(m.cmbAudio->ChoiceText(), QStringLiteral("French AC3 2ch (+1 left out)"));
        SetOutputExt(QStringLiteral(".mkv"));

        // A chapter shows its title's choice; a choice made on it stays with it.
        m.ltvTask->setCurrentIndex(chapter);
        QCOMPARE(m.cmbAudio->Chosen(), QList<int>({1, 0}));
        m.cmbAudio->ToggleTrack(1);
        QCOMPARE(chosen(chapter), QList<int>({0}));
        QCOMPARE(chosen(title), QList<int>({1, 0}));
        QCOMPARE(chosen(m.TaskList->index(0, 0, title)), QList<int>({1, 0}));
        SetOutputExt(QString());
    }

    void openDirAndBrowse()
    {
        TMainForm &m = StartWindows({});
        DvdInfo.VolumeName = QStringLiteral("EARLIER DISC");
        m_chooser->ChooseFolder(Dvd("pal-twolang"));
        QTest::mouseClick(m.sbtnOpenDir, Qt::LeftButton);
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 3);
        QCOMPARE(DvdInfo.VolumeName, QString()); // a folder has no label; the earlier disc's goes

        QTest::mouseClick(m.sbtnOpenDir, Qt::LeftButton); // cancelled: nothing changes
        QTest::qWait(50);
        QVERIFY(!m.IsOpeningDvd());
        // Open Dir begins in the user's home, then where the last disc was.
        QCOMPARE(m_chooser->FolderPresets(), (QStringList{QDir::homePath(), Dvd("pal-twolang")}));

        m.edtOutputDir->setText(QStringLiteral("/keep/this/"));
        m_chooser->ChooseFolder(QStringLiteral("/no/such/folder"));
        QTest::mouseClick(m.bbtnBrowser, Qt::LeftButton);
        QCOMPARE(m.edtOutputDir->text(), QStringLiteral("/keep/this/"));
        m_chooser->ChooseFolder(TestDvdsDir());
        QTest::mouseClick(m.bbtnBrowser, Qt::LeftButton);
        QCOMPARE(m.edtOutputDir->text(), TestDvdsDir() + QLatin1Char('/'));
        QCOMPARE(m_chooser->FolderTitles(), QStringList(4, QStringLiteral("Please specify a DVD-ROM")));
    }

    void badDvdsNeverStopTheProgram()
    {
        QTemporaryDir temp;
        const QString broken = temp.path() + QStringLiteral("/broken disc");
        CopyDvd(Dvd("pal-simple"), broken);
        // The title set's file and its backup both spoilt: there is no title to list.
        for (const char *extension : {"IFO", "BUP"}) {
            QFile f(broken + QStringLiteral("/VIDEO_TS/VTS_01_0.") + QLatin1String(extension));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(2048, '\x7f'));
        }

        TMainForm &m = StartWindows({broken});
        WaitOpened(m);
        QVERIFY(m.TaskList->IsEmpty());
        QCOMPARE(m_boxes->Calls().size(), 1);
        QVERIFY2(m_boxes->Calls().first().text.contains(QStringLiteral("VTS_01_0.IFO")),
                 qPrintable(m_boxes->Texts().first()));
        QVERIFY(!m.PanHint->isVisible());

        // A folder that is not a DVD: an empty list and the words the script mode prints.
        m.OpenDvdFolder(temp.path());
        WaitOpened(m);
        QVERIFY(m.TaskList->IsEmpty());
        QVERIFY(!m.sbtnSegment->isEnabled());
        QCOMPARE(m_boxes->Calls().size(), 2);
        QCOMPARE(
            m_boxes->Texts().last(),
            QStringLiteral("No DVD in \"%1\": the file \"%1/VIDEO_TS/VIDEO_TS.IFO\" does not exist.").arg(temp.path()));

        // The program goes on: a good DVD opens after the bad ones.
        m.OpenDvdFolder(Dvd("pal-simple"));
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 1);
    }

    // A double-click (Play) while the opening's hint panel still closes: the opening still
    // ends, and opening by every road keeps working afterwards.
    void doubleClickWhileTheHintCloses()
    {
        TMainForm &m = StartWindows({});
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "[Main]\r\nFirstUse=0\r\n");
        bool clicked = false;
        connect(&m, &TMainForm::BusyHintHeightChanged, this, [&](int height) {
            if (clicked || m.TaskList->IsEmpty() || height != 100)
                return;
            clicked = true;
            DoubleClickFirstEntry(m);
        });
        m.OpenDvdFolder(Dvd("pal-simple"));
        QTRY_VERIFY_WITH_TIMEOUT(clicked, 10000);
        WaitOpened(m);
        QTRY_VERIFY_WITH_TIMEOUT(!m.PanHint->isVisible(), 10000); // the Play's own hint came and went
        QTest::mouseClick(m.sbtnStop, Qt::LeftButton);

        m_chooser->ChooseFolder(Dvd("ntsc-multi"));
        QTest::mouseClick(m.sbtnOpenDir, Qt::LeftButton);
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 5);
        Drop(m, {Dvd("pal-twolang")});
        WaitOpened(m);
        QCOMPARE(m.TaskList->rowCount(), 3);
    }

    // The same overlap after a conversion: Stop, then a double-click while the hint closes;
    // the next Start is not refused as busy.
    void doubleClickWhileTheHintClosesAfterAConversion()
    {
        m_folder = std::make_unique<TestProgramFolder>(true);
        TMainForm &m = StartWindows({Dvd("pal-simple")});
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "[Main]\r\nFirstUse=0\r\n");
        WaitOpened(m);
        QTemporaryDir out;
        m.edtOutputDir->setText(out.path() + QLatin1Char('/'));
        QVERIFY(m.cmbProfile->currentIndex() >= 0);
        auto *conversion = m.findChild<TConversionController *>();
        QVERIFY(conversion);

        QTest::mouseClick(m.imgStart, Qt::LeftButton);
        QVERIFY(conversion->IsBusy());
        QTest::mouseClick(m.imgStop, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m.imgStart->isVisible(), 20000); // unlocked; the hint now closes
        QVERIFY(m.PanHint->isVisible());
        DoubleClickFirstEntry(m);
        QTRY_VERIFY_WITH_TIMEOUT(!conversion->IsBusy(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m.PanHint->isVisible(), 10000);
        QTest::mouseClick(m.sbtnStop, Qt::LeftButton);
    }

    // Nothing of one disc stays with the next: the choice lists, the volume name, the
    // standard and the frame rate.
    void eachOpeningStartsAfresh()
    {
        TMainForm &m = StartWindows({});
        m.OpenDvdFolder(Dvd("ntsc-multi"), QStringLiteral("MOVIE"));
        WaitOpened(m);
        QCOMPARE(DvdInfo.VolumeName, QStringLiteral("MOVIE"));
        QCOMPARE(DvdInfo.FrameRateFactor, 29970.0);
        m.ltvTask->setCurrentIndex(m.TaskList->index(0, 0));
        QCOMPARE(Items(m.cmbAudio), Strings({"English AC3 2ch", "French AC3 2ch"}));
        QCOMPARE(m.TaskList->ColumnText(m.TaskList->index(0, 0), TTaskListModel::OutputColumn).left(13),
                 QStringLiteral("MOVIE-Title01"));

        m.OpenDvdFolder(Dvd("pal-simple"));
        WaitOpened(m);
        // The longest title is focused and its lists are filled at once, with nothing of the
        // earlier disc.
        const QModelIndex title = m.TaskList->index(0, 0);
        QCOMPARE(m.ltvTask->currentIndex(), title);
        QCOMPARE(Items(m.cmbAudioLanguage), Strings({"en"}));
        QCOMPARE(Items(m.cmbSub), Strings({"None"}));
        QCOMPARE(Items(m.cmbAngle), Strings({"1"}));
        QCOMPARE(DvdInfo.VolumeName, QString());
        QCOMPARE(DvdInfo.Standard, QStringLiteral("PAL"));
        QCOMPARE(DvdInfo.FrameRateFactor, 25000.0);

        // A folder that is not a DVD leaves the open one as it was, its checks included, and
        // says why.
        m.TaskList->SetChecked(title, false);
        const qsizetype told = m_boxes->Texts().size();
        QTemporaryDir notADvd;
        m.OpenDvdFolder(notADvd.path());
        WaitOpened(m);
        QCOMPARE(m_boxes->Texts().size(), told + 1);
        QVERIFY(m_boxes->Texts().last().startsWith(QStringLiteral("No DVD in \"") + notADvd.path()));
        QCOMPARE(m.TaskList->rowCount(), 1);
        QVERIFY(!m.TaskList->Entry(title)->Checked);
        QCOMPARE(DvdInfo.Standard, QStringLiteral("PAL"));
        QCOMPARE(DvdInfo.FrameRateFactor, 25000.0);
        QVERIFY(DvdInfo.DvdPath.startsWith(Dvd("pal-simple")));
        QVERIFY(m.sbtnSegment->isEnabled());
    }

    // The Title and Output File columns hold their longest texts, chapters included; with
    // a short label the list needs no sideways scrolling for it.
    void columnsHoldTheirTexts_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("fitsInView");
        QTest::newRow("short label") << QStringLiteral("MOVIE") << true;
        QTest::newRow("long label") << QStringLiteral("A RATHER LONG LABEL OF A DISC") << false;
    }
    void columnsHoldTheirTexts()
    {
        QFETCH(QString, label);
        QFETCH(bool, fitsInView);
        TMainForm &m = StartWindows({});
        // At the window's first size: the test screen is smaller, and a smaller window scrolls.
        m.resize(868, 554);
        SetOutputExt(QStringLiteral(".mpeg"));
        m.OpenDvdFolder(Dvd("ntsc-multi"), label);
        WaitOpened(m);
        m.ltvTask->expandAll();
        QTest::qWait(50);
        const QFontMetrics fm(m.ltvTask->font());
        // Check box and icon stand before the title's text.
        const int titleExtras = m.ltvTask->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 16 + 8;
        for (const QModelIndex &entry : m.TaskList->AllEntries()) {
            const QModelIndex output = entry.siblingAtColumn(TTaskListModel::OutputColumn);
            const QString outputText = m.TaskList->ColumnText(entry, TTaskListModel::OutputColumn);
            QVERIFY2(fm.horizontalAdvance(outputText) + 4 <= m.ltvTask->visualRect(output).width(),
                     qPrintable(outputText));
            const QString title = m.TaskList->ColumnText(entry, TTaskListModel::TitleColumn);
            QVERIFY2(fm.horizontalAdvance(title) + titleExtras <= m.ltvTask->visualRect(entry).width(),
                     qPrintable(title));
        }
        QVERIFY(m.ltvTask->columnWidth(TTaskListModel::TitleColumn) >= 175);
        auto total = [&m] {
            int sum = 0;
            for (int c = 0; c < TTaskListModel::ColumnCount; ++c)
                sum += m.ltvTask->columnWidth(c);
            return sum;
        };
        if (fitsInView)
            QTRY_VERIFY2(total() <= m.ltvTask->viewport()->width(),
                         qPrintable(QStringLiteral("%1 > %2").arg(total()).arg(m.ltvTask->viewport()->width())));
    }

private:
    static void DoubleClickFirstEntry(TMainForm &m)
    {
        const QModelIndex first = m.TaskList->index(0, 0);
        const QPoint at = m.ltvTask->visualRect(first).center();
        QTest::mouseDClick(m.ltvTask->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    static void WaitOpened(TMainForm &m) { QTRY_VERIFY_WITH_TIMEOUT(!m.IsOpeningDvd(), 10000); }

    static void Drop(TMainForm &m, const QStringList &paths)
    {
        auto *mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << QUrl::fromLocalFile(p);
        mime->setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m, &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m, &drop);
        delete mime;
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestMainFormDvd test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestMainFormDvd.moc"
