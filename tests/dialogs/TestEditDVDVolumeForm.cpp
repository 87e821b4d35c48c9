#include "TestSupport.h"
#include "WindowTestBase.h"

#include "ListOwner.h"
#include "convert/run/TargetFiles.h"
#include "core/OutputExt.h"
#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "dialogs/TEditDVDVolumeForm.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TargetNames.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestEditDVDVolumeForm : public WindowTestBase
{
    Q_OBJECT
private:
    void SetUp() override
    {
        DvdInfo.VolumeName = QStringLiteral("MY_DISC");
        SetOutputExt(QStringLiteral(".avi"));
        m_main = std::make_unique<ListOwner>();
        m_form = std::make_unique<TEditDVDVolumeForm>(m_main.get(), m_main->TaskList);
        connect(m_main->pmiDVDVolume, &QAction::triggered, m_form.get(), &TEditDVDVolumeForm::pmiDVDVolumeClick);
        TTaskNodeData title;
        title.IsTitle = true;
        title.OutputName = QStringLiteral("Title01");
        TTaskNodeData chapter;
        chapter.OutputName = QStringLiteral("Title01-Chapter02");
        m_title = m_main->TaskList->AddTitleNode(title);
        m_chapter = m_main->TaskList->AddChapterNode(m_title, chapter);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }
    void TearDown() override
    {
        m_form.reset();
        m_main.reset();
        SetOutputExt(QString());
        DvdInfo.VolumeName.clear();
    }

private slots:
    void popupItemOpensWithTheCurrentName()
    {
        m_main->pmiDVDVolume->trigger();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->edtDVDVolume->text(), QStringLiteral("MY_DISC"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Edit the DVD Volume"));
        QCOMPARE(m_form->Label1->text(), QStringLiteral("DVD Volume (Prefixsion of output files:)"));
        QVERIFY(!m_main->isEnabled());
    }

    // Taken exactly as typed; the output names follow at once.
    void okSetsThePrefix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("titleOutput");
        QTest::addColumn<QString>("chapterOutput");
        QTest::newRow("a new name") << "MOVIE"
                                    << "MOVIE-Title01.avi"
                                    << "MOVIE-Title01-Chapter02.avi";
        QTest::newRow("empty: no prefix, no dash") << ""
                                                   << "Title01.avi"
                                                   << "Title01-Chapter02.avi";
        QTest::newRow("blanks kept") << " Two Words "
                                     << " Two Words -Title01.avi"
                                     << " Two Words -Title01-Chapter02.avi";
        QTest::newRow("dots are only dots") << ".."
                                            << "..-Title01.avi"
                                            << "..-Title01-Chapter02.avi";
    }
    void okSetsThePrefix()
    {
        QFETCH(QString, typed);
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(typed);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        QCOMPARE(DvdInfo.VolumeName, typed);
        QTEST(m_main->TaskList->ColumnText(m_title, TTaskListModel::OutputColumn), "titleOutput");
        QTEST(m_main->TaskList->ColumnText(m_chapter, TTaskListModel::OutputColumn), "chapterOutput");
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void closingWithoutOkKeepsTheName_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "close";
    }
    void closingWithoutOkKeepsTheName()
    {
        QFETCH(QString, how);
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(QStringLiteral("OTHER"));
        if (how == u"cancel")
            QTest::mouseClick(m_form->btnCancel, Qt::LeftButton);
        else if (how == u"escape")
            QTest::keyClick(m_form->edtDVDVolume, Qt::Key_Escape);
        else
            m_form->close();
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        QCOMPARE(DvdInfo.VolumeName, QStringLiteral("MY_DISC"));
        m_main->pmiDVDVolume->trigger();
        QCOMPARE(m_form->edtDVDVolume->text(), QStringLiteral("MY_DISC"));
    }

    // The name starts every output path: a separator in it would send the files elsewhere.
    void pathSeparatorRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("subfolder") << "MOVIE/x";
        QTest::newRow("climbing out") << "../../elsewhere";
        QTest::newRow("absolute") << "/tmp/x";
    }
    void pathSeparatorRefused()
    {
        QFETCH(QString, typed);
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(typed);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QCOMPARE(m_boxes->Texts(), Strings({"The DVD volume can not contain the character \"/\"."}));
        QCOMPARE(m_boxes->Calls().first().caption, QStringLiteral("Incorrect DVD Volume"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(DvdInfo.VolumeName, QStringLiteral("MY_DISC"));
        QCOMPARE(m_form->edtDVDVolume->text(), typed);
    }

    // Every name taken can be written, hidden first, then under a rename number; a longer one
    // is refused here with the length that fits, not failed at Start.
    void longNamesRefusedAtEntry_data()
    {
        QTest::addColumn<QString>("unit"); // repeated to make the name
        QTest::newRow("plain letters") << "A";
        QTest::newRow("two bytes each") << QStringLiteral("\u00e9");
        QTest::newRow("four bytes each") << QStringLiteral("\U0001F3AC");
    }
    void longNamesRefusedAtEntry()
    {
        QFETCH(QString, unit);
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(unit.repeated(240));
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QCOMPARE(m_boxes->Calls().size(), 1);
        const QString text = m_boxes->Calls().first().text;
        QVERIFY2(text.startsWith(QStringLiteral("The DVD volume is too long")), qPrintable(text));
        QVERIFY(m_form->isVisible());
        QCOMPARE(DvdInfo.VolumeName, QStringLiteral("MY_DISC"));

        // The length the message names is taken, and its files can be made.
        const qsizetype at = text.lastIndexOf(QStringLiteral("at most ")) + 8;
        const int fit = text.mid(at, text.indexOf(QLatin1Char(' '), at) - at).toInt();
        QVERIFY(fit > 0 && fit < unit.size() * 240);
        const QString longest = unit.repeated(240).left(fit);
        m_boxes->Clear();
        m_form->edtDVDVolume->setText(longest);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QVERIFY(m_boxes->Calls().isEmpty());
        QCOMPARE(DvdInfo.VolumeName, longest);
        QTemporaryDir out;
        const QString target = TargetFileName(out.path() + QLatin1Char('/'), longest, QStringLiteral("Title01-Chapter02"),
                                              QStringLiteral(".avi"));
        QString error;
        const QString hidden = CreatePartialFile(RenameCandidate(target, QStringLiteral(".avi"), 999), error);
        QVERIFY2(!hidden.isEmpty(), qPrintable(error));
        // One more character would not have been taken.
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(unit.repeated(240).left(fit + unit.size()));
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QCOMPARE(m_boxes->Calls().size(), 1);
    }

    // Enter in the edit box is OK.
    void enterAccepts()
    {
        m_main->pmiDVDVolume->trigger();
        m_form->edtDVDVolume->setText(QStringLiteral("MOVIE"));
        QTest::keyClick(m_form->edtDVDVolume, Qt::Key_Return);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(DvdInfo.VolumeName, QStringLiteral("MOVIE"));
    }

private:
    std::unique_ptr<ListOwner> m_main;
    std::unique_ptr<TEditDVDVolumeForm> m_form;
    QModelIndex m_title, m_chapter;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestEditDVDVolumeForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestEditDVDVolumeForm.moc"
