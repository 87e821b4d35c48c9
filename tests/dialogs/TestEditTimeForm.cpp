#include "TestSupport.h"
#include "WindowTestBase.h"

#include "ListOwner.h"
#include "core/QuarnelApplication.h"
#include "core/TimeText.h"
#include "dialogs/TEditTimeForm.h"
#include "dialogs/TmkRangeSlider.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// A task-list record as the DVD loader makes it: seconds and texts written together.
TTaskNodeData Entry(bool isTitle, const QString &origStart, const QString &origEnd, const QString &start = {},
                    const QString &end = {})
{
    TTaskNodeData d;
    d.IsTitle = isTitle;
    d.Number = 1;
    d.Caption = d.ShortName = isTitle ? QStringLiteral("Title01") : QStringLiteral("Chapter01");
    d.OutputName = isTitle ? QStringLiteral("Title01") : QStringLiteral("Title01-Chapter01");
    d.ImageIndex = isTitle ? 0 : 1;
    d.OrigStartText = origStart;
    d.OrigEndText = origEnd;
    d.OrigStart = TimeTextToSeconds(origStart);
    d.OrigEnd = TimeTextToSeconds(origEnd);
    d.Duration = isTitle ? d.OrigEnd - d.OrigStart : 0;
    d.StartText = start.isEmpty() ? origStart : start;
    d.EndText = end.isEmpty() ? origEnd : end;
    d.Start = TimeTextToSeconds(d.StartText);
    d.End = TimeTextToSeconds(d.EndText);
    return d;
}

QString Positions(const TmkRangeSlider *s)
{
    return QStringLiteral("%1..%2 at %3..%4").arg(s->Min()).arg(s->Max()).arg(s->MinPosition()).arg(s->MaxPosition());
}

} // namespace

class TestEditTimeForm : public WindowTestBase
{
    Q_OBJECT
private:
    void SetUp() override
    {
        m_main = std::make_unique<ListOwner>();
        m_form = std::make_unique<TEditTimeForm>(m_main.get(), m_main->TaskList, m_main->ltvTask);
        connect(m_main->sbtnSegment, &QToolButton::clicked, m_form.get(), &TEditTimeForm::sbtnSegmentClick);
        connect(m_main->pmiTrimTime, &QAction::triggered, m_form.get(), &TEditTimeForm::sbtnSegmentClick);
        m_main->sbtnSegment->setEnabled(true); // as after a DVD with entries was opened
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override
    {
        m_form.reset();
        m_main.reset();
    }

private slots:
    void openingRefused_data()
    {
        QTest::addColumn<bool>("focusEntry");
        QTest::addColumn<double>("origStart");
        QTest::addColumn<double>("origEnd");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");

        QTest::newRow("no entry focused") << false << 0.0 << 100.0 << "Please select a Title/Chapter firstly."
                                          << "No Title/Chapter selected";
        QTest::newRow("zero length") << true << 300.0 << 300.0 << "The Start Time is equal to the End Time."
                                     << "Time can not be edited";
        // Only a record off the loader's whole seconds gets here: the slider refuses the range.
        QTest::newRow("start and end on the same rounded second") << true << 10.2 << 10.4 << "Min >= Max"
                                                                  << "";
    }
    void openingRefused()
    {
        QFETCH(bool, focusEntry);
        QFETCH(double, origStart);
        QFETCH(double, origEnd);
        TTaskNodeData d = Entry(false, QStringLiteral("00:00:00"), QStringLiteral("00:00:10"));
        d.OrigStart = d.Start = origStart;
        d.OrigEnd = d.End = origEnd;
        const QModelIndex title =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:30:00")));
        const QModelIndex chapter = m_main->TaskList->AddChapterNode(title, d);
        if (focusEntry)
            m_main->ltvTask->setCurrentIndex(chapter);

        QTest::mouseClick(m_main->sbtnSegment, Qt::LeftButton);
        QCOMPARE(m_boxes->Calls().size(), 1);
        QTEST(m_boxes->Calls().first().text, "text");
        QFETCH(QString, caption);
        if (!caption.isEmpty()) // the top-level report's own caption otherwise
            QCOMPARE(m_boxes->Calls().first().caption, caption);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
    }

    void opensOnChapterSpan()
    {
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        QCOMPARE(Positions(m_form->tkbTime), QStringLiteral("600..900 at 600..900"));
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:10:00"));
        QCOMPARE(m_form->edtEndTime->text(), QStringLiteral("00:15:00"));
        QCOMPARE(m_form->labLength->text(), QStringLiteral("Length:00:05:00"));
        QCOMPARE(m_form->labStartTime->text(), QStringLiteral("00:10:00"));
        QCOMPARE(m_form->labEndTime->text(), QStringLiteral("00:15:00"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Edit the Start & End Time"));
        QCOMPARE(m_form->size(), QSize(456, 181));
        QCOMPARE(m_form->tkbTime->size(), QSize(371, 32));
        QCOMPARE(m_form->tkbTime->Frequency(), 100000);
        QVERIFY(!m_main->isEnabled());

        m_form->close(); // the close box
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    // The first pass clamps MinPosition against the previous entry's thumbs; the second,
    // on show, puts both thumbs where the entry says.
    void secondPassPutsThumbsExactly()
    {
        const QModelIndex first =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:01:40")));
        const QModelIndex second =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:16:40"),
                                                 QStringLiteral("00:08:20"), QStringLiteral("00:15:00")));
        m_main->ltvTask->setCurrentIndex(first);
        Open();
        QCOMPARE(Positions(m_form->tkbTime), QStringLiteral("0..100 at 0..100"));
        m_form->btnCancel->click();

        m_main->ltvTask->setCurrentIndex(second);
        m_form->LoadSliderFromEntry(*m_main->TaskList->Entry(second));
        QCOMPARE(Positions(m_form->tkbTime), QStringLiteral("0..1000 at 100..900")); // the first pass alone
        Open();
        QCOMPARE(Positions(m_form->tkbTime), QStringLiteral("0..1000 at 500..900"));
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:08:20"));
        QCOMPARE(m_form->labLength->text(), QStringLiteral("Length:00:06:40"));
    }

    void rangeBelowPreviousMinOpens()
    {
        const QModelIndex title =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:30:00")));
        const QModelIndex late = m_main->TaskList->AddChapterNode(
            title, Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        const QModelIndex early = m_main->TaskList->AddChapterNode(
            title, Entry(false, QStringLiteral("00:00:10"), QStringLiteral("00:00:50")));
        m_main->ltvTask->setCurrentIndex(late);
        Open();
        m_form->btnCancel->click();
        m_main->ltvTask->setCurrentIndex(early);
        Open();
        QCOMPARE(Positions(m_form->tkbTime), QStringLiteral("10..50 at 10..50"));
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    // The check runs on every key release, cursor keys too; a valid text moves its thumb
    // and stays as typed.
    void typing_data()
    {
        QTest::addColumn<bool>("startBox");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("positions");

        const QString unmoved = QStringLiteral("600..900 at 600..900");
        QTest::newRow("start equal to the end thumb") << true << "00:15:00"
                                                      << "Invalid Start Time." << unmoved;
        QTest::newRow("end after Max") << false << "00:15:01"
                                       << "Invalid End Time" << unmoved;
        QTest::newRow("start before Min") << true << "00:09:59"
                                          << "Invalid Start Time." << unmoved;
        QTest::newRow("end equal to the start thumb") << false << "00:10:00"
                                                      << "Invalid End Time" << unmoved;
        QTest::newRow("start not a time") << true << "ten past"
                                          << "Invalid Start Time." << unmoved;
        QTest::newRow("start with a negative field") << true << "0:-1:30"
                                                     << "Invalid Start Time." << unmoved;
        QTest::newRow("end empty") << false << ""
                                   << "Invalid End Time" << unmoved;
        QTest::newRow("start with a fraction, half to even down") << true << "00:11:00.5"
                                                                  << "Length:00:04:00"
                                                                  << "600..900 at 660..900";
        QTest::newRow("start with a fraction, half to even up") << true << "00:11:01.5"
                                                                << "Length:00:03:58"
                                                                << "600..900 at 662..900";
        QTest::newRow("start one second before the end thumb") << true << "00:14:59"
                                                               << "Length:00:00:01"
                                                               << "600..900 at 899..900";
        QTest::newRow("end inside") << false << "00:14:00"
                                    << "Length:00:04:00"
                                    << "600..900 at 600..840";
        QTest::newRow("end in short form") << false << "0:14:0"
                                           << "Length:00:04:00"
                                           << "600..900 at 600..840";
    }
    void typing()
    {
        QFETCH(bool, startBox);
        QFETCH(QString, text);
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        QLineEdit *edit = startBox ? m_form->edtStartTime : m_form->edtEndTime;
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_End);
        QTEST(m_form->labLength->text(), "length");
        QTEST(Positions(m_form->tkbTime), "positions");
        QCOMPARE(edit->text(), text);
        QVERIFY(!m_form->EditDrivenChange());
    }

    // Typing character by character: the thumb follows, but the box is never rewritten
    // under the typing hand.
    void typedTextIsNotReplacedWhileTyping()
    {
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        m_form->edtStartTime->clear();
        QTest::keyClicks(m_form->edtStartTime, QStringLiteral("00:11:00.5"));
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:11:00.5"));
        QCOMPARE(m_form->tkbTime->MinPosition(), 660);
        QCOMPARE(m_form->edtEndTime->text(), QStringLiteral("00:15:00"));
    }

    // A typed value on the thumb's own second moves nothing; the next thumb move must still
    // refresh the boxes.
    void typedValueOnTheThumbDoesNotBlockRefresh()
    {
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00"), QStringLiteral("00:10:10")));
        Open();
        m_form->edtStartTime->setText(QStringLiteral("00:10:10"));
        QTest::keyClick(m_form->edtStartTime, Qt::Key_Left);
        QVERIFY(!m_form->EditDrivenChange());
        QTest::mouseClick(m_form->sbtnStartTime, Qt::LeftButton);
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:10:09"));
    }

    void okStoresTypedFraction()
    {
        const QModelIndex chapter = FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        m_form->edtStartTime->setText(QStringLiteral("00:11:00.5"));
        QTest::keyClick(m_form->edtStartTime, Qt::Key_End);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        const TTaskNodeData *e = m_main->TaskList->Entry(chapter);
        QCOMPARE(e->Start, 660.5);
        QCOMPARE(e->StartText, QStringLiteral("00:11:00.5"));
        QCOMPARE(e->End, 900.0);
        QCOMPARE(e->EndText, QStringLiteral("00:15:00"));
        QCOMPARE(e->OrigStart, 600.0);
        QCOMPARE(e->OrigStartText, QStringLiteral("00:10:00"));
    }

    // OK used to store an unreadable text as -1 seconds; now it keeps the dialog open and
    // names the box, as typing does.
    void okRefusesWhatIsNoTime_data()
    {
        QTest::addColumn<QString>("sameSpot"); // both thumbs put here first ("" for none)
        QTest::addColumn<QString>("startText");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<bool>("startFocused");

        QTest::newRow("start not a time") << ""
                                          << "11 minutes"
                                          << ""
                                          << "Invalid Start Time." << true;
        QTest::newRow("end emptied") << ""
                                     << ""
                                     << "<empty>"
                                     << "Invalid End Time" << false;
        QTest::newRow("start left where typing refused it") << ""
                                                            << "00:15:00"
                                                            << ""
                                                            << "Invalid Start Time." << true;
        QTest::newRow("end left after Max") << ""
                                            << ""
                                            << "00:16:00"
                                            << "Invalid End Time" << false;
        QTest::newRow("fractions put the start after the end") << "660"
                                                               << "00:11:00.4"
                                                               << "00:11:00.2"
                                                               << "Invalid End Time" << false;
    }
    void okRefusesWhatIsNoTime()
    {
        QFETCH(QString, sameSpot);
        QFETCH(QString, startText);
        QFETCH(QString, endText);
        const QModelIndex chapter = FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        const TTaskNodeData before = *m_main->TaskList->Entry(chapter);
        Open();
        if (!sameSpot.isEmpty()) {
            m_form->tkbTime->SetMaxPosition(sameSpot.toInt());
            m_form->tkbTime->SetMinPosition(sameSpot.toInt());
        }
        if (!startText.isEmpty()) {
            m_form->edtStartTime->setText(startText);
            QTest::keyClick(m_form->edtStartTime, Qt::Key_End);
        }
        if (!endText.isEmpty()) {
            m_form->edtEndTime->setText(endText == u"<empty>" ? QString() : endText);
            QTest::keyClick(m_form->edtEndTime, Qt::Key_End);
        }
        m_form->labLength->clear();
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_main->isEnabled());
        QTEST(m_form->labLength->text(), "notice");
        QFETCH(bool, startFocused);
        QCOMPARE(m_form->focusWidget(), startFocused ? m_form->edtStartTime : m_form->edtEndTime);
        const TTaskNodeData *e = m_main->TaskList->Entry(chapter);
        QCOMPARE(e->Start, before.Start);
        QCOMPARE(e->StartText, before.StartText);
        QCOMPARE(e->End, before.End);
        QCOMPARE(e->EndText, before.EndText);

        // Corrected, OK goes through.
        m_form->tkbTime->SetMinPosition(600);
        m_form->tkbTime->SetMaxPosition(840);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_main->TaskList->Entry(chapter)->End, 840.0);
    }

    void oneSecondButtons_data()
    {
        QTest::addColumn<bool>("startButton");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("positions");
        QTest::addColumn<QString>("startEdit");
        QTest::addColumn<QString>("endEdit");

        QTest::newRow("start at Min: nothing") << true << "00:10:00"
                                               << "00:13:20"
                                               << "600..900 at 600..800"
                                               << "00:10:00"
                                               << "00:13:20";
        QTest::newRow("start one second earlier") << true << "00:11:40"
                                                  << "00:13:20"
                                                  << "600..900 at 699..800"
                                                  << "00:11:39"
                                                  << "00:13:20";
        QTest::newRow("end at Max: nothing") << false << "00:11:40"
                                             << "00:15:00"
                                             << "600..900 at 700..900"
                                             << "00:11:40"
                                             << "00:15:00";
        QTest::newRow("end one second later") << false << "00:11:40"
                                              << "00:13:20"
                                              << "600..900 at 700..801"
                                              << "00:11:40"
                                              << "00:13:21";
    }
    void oneSecondButtons()
    {
        QFETCH(bool, startButton);
        QFETCH(QString, start);
        QFETCH(QString, end);
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00"), start, end));
        Open();
        QTest::mouseClick(startButton ? m_form->sbtnStartTime : m_form->sbtnEndTime, Qt::LeftButton);
        QTEST(Positions(m_form->tkbTime), "positions");
        QTEST(m_form->edtStartTime->text(), "startEdit");
        QTEST(m_form->edtEndTime->text(), "endEdit");
    }

    void keysInTheSliderRefreshTheBoxes()
    {
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        QTest::keyClick(m_form->tkbTime, Qt::Key_Right);
        QTest::keyClick(m_form->tkbTime, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:10:01"));
        QCOMPARE(m_form->edtEndTime->text(), QStringLiteral("00:14:59"));
        QCOMPARE(m_form->labLength->text(), QStringLiteral("Length:00:04:58"));
    }

    // The dialog's pictures over the slider take no clicks: the slider under them gets them.
    void dragThumbsOntoOneSecond()
    {
        const QModelIndex chapter = FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        TmkRangeSlider *slider = m_form->tkbTime;
        const QPoint grab = slider->MaxThumbRect().center();
        QCOMPARE(QApplication::widgetAt(slider->mapToGlobal(grab)), slider);
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, grab);
        QTest::mouseMove(slider, grab - QPoint(100, 0));
        QTest::mouseMove(slider, grab - QPoint(400, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, grab - QPoint(400, 0));
        QCOMPARE(Positions(slider), QStringLiteral("600..900 at 600..600"));
        QCOMPARE(m_form->labLength->text(), QStringLiteral("Length:00:00:00"));
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        const TTaskNodeData *e = m_main->TaskList->Entry(chapter);
        QCOMPARE(e->Start, 600.0);
        QCOMPARE(e->End, 600.0);
        QCOMPARE(e->EndText, QStringLiteral("00:10:00"));
    }

    void trimMarksInTheTaskList()
    {
        const QModelIndex chapter = FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        auto column = [&](int c) { return m_main->TaskList->ColumnText(chapter, c); };
        Open();
        m_form->edtStartTime->setText(QStringLiteral("00:11:00"));
        QTest::keyClick(m_form->edtStartTime, Qt::Key_End);
        m_form->btnOK->click();
        QCOMPARE(column(TTaskListModel::StartColumn), QStringLiteral("[ 00:11:00"));
        QCOMPARE(column(TTaskListModel::EndColumn), QStringLiteral("00:15:00"));

        Open();
        QCOMPARE(m_form->edtStartTime->text(), QStringLiteral("00:11:00"));
        m_form->edtEndTime->setText(QStringLiteral("00:14:00"));
        QTest::keyClick(m_form->edtEndTime, Qt::Key_End);
        m_form->btnOK->click();
        QCOMPARE(column(TTaskListModel::EndColumn), QStringLiteral("00:14:00 ]"));

        Open();
        m_form->tkbTime->SetMinPosition(600);
        m_form->tkbTime->SetMaxPosition(900);
        m_form->btnOK->click();
        QCOMPARE(column(TTaskListModel::StartColumn), QStringLiteral("00:10:00"));
        QCOMPARE(column(TTaskListModel::EndColumn), QStringLiteral("00:15:00"));
    }

    void cancelLeavesTheEntry_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "close";
    }
    void cancelLeavesTheEntry()
    {
        QFETCH(QString, how);
        const QModelIndex chapter = FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        Open();
        m_form->edtStartTime->setText(QStringLiteral("00:11:00"));
        QTest::keyClick(m_form->edtStartTime, Qt::Key_End);
        if (how == u"cancel")
            QTest::mouseClick(m_form->btnCancel, Qt::LeftButton);
        else if (how == u"escape")
            QTest::keyClick(m_form->edtStartTime, Qt::Key_Escape);
        else
            m_form->close();
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        const TTaskNodeData *e = m_main->TaskList->Entry(chapter);
        QCOMPARE(e->Start, 600.0);
        QCOMPARE(e->StartText, QStringLiteral("00:10:00"));
    }

    void trimmingATitleLeavesItsChapters()
    {
        const QModelIndex title =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:30:00")));
        const QModelIndex chapter = m_main->TaskList->AddChapterNode(
            title, Entry(false, QStringLiteral("00:00:00"), QStringLiteral("00:10:00")));
        m_main->ltvTask->setCurrentIndex(title);
        Open();
        m_form->tkbTime->SetMinPosition(120);
        m_form->btnOK->click();
        QCOMPARE(m_main->TaskList->Entry(title)->Start, 120.0);
        QCOMPARE(m_main->TaskList->Entry(chapter)->Start, 0.0);
        QCOMPARE(m_main->TaskList->Entry(chapter)->StartText, QStringLiteral("00:00:00"));
    }

    // The list's menu item does what the button does, also before the button is enabled.
    void popupItemOpensTheEditor()
    {
        m_main->sbtnSegment->setEnabled(false);
        m_main->pmiTrimTime->trigger();
        QCOMPARE(m_boxes->Texts(), Strings({"Please select a Title/Chapter firstly."}));
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00")));
        m_main->pmiTrimTime->trigger();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->tkbTime->MinPosition(), 600);
    }

    // The band lies between the thumbs on a white bar; the dialog's thumb pictures cover the
    // slider's own, and all of it follows a typed time.
    void overlayFollowsTheThumbs()
    {
        FocusChapter(Entry(false, QStringLiteral("00:10:00"), QStringLiteral("00:15:00"), QStringLiteral("00:11:40"),
                           QStringLiteral("00:13:20")));
        Open();
        TmkRangeSlider *s = m_form->tkbTime;
        QCOMPARE(s->RulerRect().left(), 13);
        auto look = [&] { return s->grab().toImage(); };
        const QRgb band = m_form->Image1.toImage().pixel(0, 3);
        const QRgb white = QColor(Qt::white).rgb();
        QImage img = look();
        const int from = 13 + s->P(700), to = 13 + s->P(800);
        QCOMPARE(from, 13 + 115);
        QCOMPARE(img.pixel(from + 1, 10), band);
        QCOMPARE(img.pixel(to - 1, 10), band);
        QCOMPARE(img.pixel(from - 30, 10), white);
        QCOMPARE(img.pixel(to + 30, 10), white);
        QCOMPARE(img.pixel(from - 5, 12), m_form->Image2.toImage().pixel(5, 10));
        QCOMPARE(img.pixel(to + 5, 12), m_form->Image3.toImage().pixel(5, 10));

        m_form->edtStartTime->setText(QStringLiteral("00:10:50"));
        QTest::keyClick(m_form->edtStartTime, Qt::Key_End);
        img = look();
        QCOMPARE(img.pixel(13 + s->P(650) + 1, 10), band);
        QCOMPARE(img.pixel(from - 5, 10), band); // the old thumb's place is band now
    }

private:
    QModelIndex FocusChapter(const TTaskNodeData &chapter)
    {
        const QModelIndex title =
            m_main->TaskList->AddTitleNode(Entry(true, QStringLiteral("00:00:00"), QStringLiteral("00:30:00")));
        const QModelIndex index = m_main->TaskList->AddChapterNode(title, chapter);
        m_main->ltvTask->setCurrentIndex(index);
        return index;
    }
    void Open()
    {
        QTest::mouseClick(m_main->sbtnSegment, Qt::LeftButton);
        QVERIFY(m_form->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    std::unique_ptr<ListOwner> m_main;
    std::unique_ptr<TEditTimeForm> m_form;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestEditTimeForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestEditTimeForm.moc"
