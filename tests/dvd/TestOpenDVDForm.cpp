// The "Open a DVD" dialog on drive lists given through the drive-listing seam; the discs
// that it opens are generated DVD folders.

#include "TestSupport.h"
#include "WindowTestBase.h"

#include "core/QuarnelApplication.h"
#include "dvd/OpticalDrives.h"
#include "dvd/TOpenDVDForm.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Drive = OpticalDrives::Drive;

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name + QLatin1Char('/');
}

QStringList Items(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

Q_DECLARE_METATYPE(QList<OpticalDrives::Drive>)

class TestOpenDVDForm : public WindowTestBase
{
    Q_OBJECT

private:
    void SetUp() override
    {
        m_main = std::make_unique<QWidget>();
        m_main->resize(800, 500);
        m_opened.clear();
        m_volumes.clear();
        m_form = std::make_unique<TOpenDVDForm>(m_main.get(), [this](const QString &folder, const QString &volume) {
            m_opened << folder;
            m_volumes << volume;
        });
        SetDrives({});
    }
    void TearDown() override
    {
        m_form.reset();
        m_main.reset();
        OpticalDrives::SetHook({});
    }

private slots:
    void layout();
    void driveList_data();
    void driveList();
    void refreshRebuildsTheList();
    void openWithoutVideoTs_data();
    void openWithoutVideoTs();
    void openGeneratedDisc_data();
    void openGeneratedDisc();
    void noDriveIgnoresTheWorkingFolder_data();
    void noDriveIgnoresTheWorkingFolder();
    void mainWindowDisabledWhileShown();

private:
    void SetDrives(const QList<Drive> &drives)
    {
        OpticalDrives::SetHook([drives] { return drives; });
    }
    void Show()
    {
        m_main->show();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<TOpenDVDForm> m_form;
    QStringList m_opened;
    QStringList m_volumes; // the volume name handed over with each opening
};

void TestOpenDVDForm::layout()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Open a DVD"));
    QCOMPARE(m_form->size(), QSize(377, 108));
    QCOMPARE(m_form->Label1->text(), QStringLiteral("DVD Disc:"));
    QCOMPARE(m_form->cmbDrive->width(), 289);
    QVERIFY(!m_form->cmbDrive->isEditable());
    QCOMPARE(m_form->btnRefresh->text(), QStringLiteral("&Refresh"));
    QCOMPARE(m_form->btnOpen->text(), QStringLiteral("&Open"));
    QCOMPARE(m_form->btnCancel->text(), QStringLiteral("&Cancel"));
}

void TestOpenDVDForm::driveList_data()
{
    QTest::addColumn<QList<Drive>>("drives");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");

    const Drive movie{QStringLiteral("/media/a/"), QStringLiteral("MOVIE"), 0x1234};
    const Drive backup{QStringLiteral("/media/b/"), QStringLiteral("BACKUP"), 0x5678};
    const Drive unlabelled{QStringLiteral("/media/c/"), QString(), 0x9abc};
    const Drive empty{QString(), QString(), 0};
    QTest::newRow("two labelled discs: the last preselected")
        << QList<Drive>{movie, backup} << Strings({"/media/a/ [MOVIE]", "/media/b/ [BACKUP]"}) << 1;
    QTest::newRow("unlabelled disc only") << QList<Drive>{unlabelled} << Strings({"/media/c/ [No Disc]"}) << 0;
    QTest::newRow("unlabelled after labelled: the labelled one")
        << QList<Drive>{movie, unlabelled} << Strings({"/media/a/ [MOVIE]", "/media/c/ [No Disc]"}) << 0;
    QTest::newRow("drive without a disc is left out")
        << QList<Drive>{empty, movie, empty} << Strings({"/media/a/ [MOVIE]"}) << 0;
    // A drive the system reports with a label but no readable disc is not listed, so it
    // cannot be the preselected item either.
    QTest::newRow("unreadable drive with a label before an unlabelled disc")
        << QList<Drive>{Drive{QStringLiteral("/media/x/"), QStringLiteral("GHOST"), 0}, unlabelled}
        << Strings({"/media/c/ [No Disc]"}) << 0;
    QTest::newRow("no drives") << QList<Drive>{} << QStringList() << -1;
    QTest::newRow("label holding brackets")
        << QList<Drive>{Drive{QStringLiteral("/media/d/"), QStringLiteral("A]B [x]"), 7}}
        << Strings({"/media/d/ [A]B [x]]"}) << 0;
}

void TestOpenDVDForm::driveList()
{
    QFETCH(QList<Drive>, drives);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    SetDrives(drives);
    Show();
    QCOMPARE(Items(m_form->cmbDrive), items);
    QCOMPARE(m_form->cmbDrive->currentIndex(), selected);
}

void TestOpenDVDForm::refreshRebuildsTheList()
{
    SetDrives({Drive{QStringLiteral("/media/a/"), QStringLiteral("MOVIE"), 1}});
    Show();
    QCOMPARE(Items(m_form->cmbDrive), Strings({"/media/a/ [MOVIE]"}));
    SetDrives({Drive{QStringLiteral("/media/a/"), QStringLiteral("MOVIE"), 1},
               Drive{QStringLiteral("/media/b/"), QStringLiteral("BACKUP"), 2}});
    QTest::mouseClick(m_form->btnRefresh, Qt::LeftButton);
    QCOMPARE(Items(m_form->cmbDrive), Strings({"/media/a/ [MOVIE]", "/media/b/ [BACKUP]"}));
    QCOMPARE(m_form->cmbDrive->currentIndex(), 1);
}

void TestOpenDVDForm::openWithoutVideoTs_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("labelled") << "MOVIE";
    QTest::newRow("mount folder with brackets") << "MY DVD [2]";
}

void TestOpenDVDForm::openWithoutVideoTs()
{
    QFETCH(QString, label);
    QTemporaryDir dir;
    const QString root = dir.path() + QLatin1Char('/') + label + QLatin1Char('/');
    QVERIFY(QDir().mkpath(root));
    SetDrives({Drive{root, label, 1}});
    Show();
    QTest::mouseClick(m_form->btnOpen, Qt::LeftButton);

    QCOMPARE(m_boxes->Calls().size(), 1);
    const MessageBox::Call &call = m_boxes->Calls().first();
    QCOMPARE(call.text, root + QStringLiteral("VIDEO_TS/ is not found. Please insert a DVD disc."));
    QCOMPARE(call.caption, QStringLiteral("No DVD Detected."));
    QCOMPARE(call.icon, MessageBox::Icon::Information);
    QVERIFY(m_form->isVisible());
    QVERIFY(!m_main->isEnabled());
    QVERIFY(m_opened.isEmpty());
}

void TestOpenDVDForm::openGeneratedDisc_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("volumeName");
    QTest::addColumn<QString>("videoTs"); // the disc's folder name
    QTest::newRow("labelled") << "MOVIE"
                              << "MOVIE"
                              << "VIDEO_TS";
    QTest::newRow("unlabelled") << ""
                                << "No Disc"
                                << "VIDEO_TS";
    QTest::newRow("label holding brackets") << "A]B [x]"
                                            << "A]B [x]"
                                            << "VIDEO_TS";
    // Mount folders are named after the label; " [" in the folder must not cut the path.
    QTest::newRow("mount folder named after a bracketed label") << "MY DVD [2]"
                                                                << "MY DVD [2]"
                                                                << "VIDEO_TS";
    QTest::newRow("lower-case folder") << "MOVIE"
                                       << "MOVIE"
                                       << "video_ts";
}

void TestOpenDVDForm::openGeneratedDisc()
{
    QFETCH(QString, label);
    QFETCH(QString, volumeName);
    QFETCH(QString, videoTs);
    // The disc is mounted at a folder named after its label, as desktops do.
    QTemporaryDir dir;
    const QString root =
        dir.path() + QLatin1Char('/') + (label.isEmpty() ? QStringLiteral("disc") : label) + QLatin1Char('/');
    QVERIFY(QDir().mkpath(root));
    QVERIFY(QFile::link(Disc(QStringLiteral("pal-simple")) + QStringLiteral("VIDEO_TS"), root + videoTs));
    QVERIFY(QFileInfo::exists(root + videoTs + QStringLiteral("/VIDEO_TS.IFO")));

    SetDrives({Drive{QStringLiteral("/media/empty/"), QStringLiteral("OTHER"), 1}, Drive{root, label, 2}});
    Show();
    QCOMPARE(m_form->cmbDrive->currentIndex(), label.isEmpty() ? 0 : 1);
    m_form->cmbDrive->setCurrentIndex(1);
    QTest::mouseClick(m_form->btnOpen, Qt::LeftButton);

    QVERIFY2(m_boxes->Calls().isEmpty(), qPrintable(m_boxes->Texts().join(QLatin1Char('\n'))));
    QCOMPARE(m_opened, QStringList{root + videoTs + QLatin1Char('/')});
    QCOMPARE(m_volumes, QStringList{volumeName});
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_main->isEnabled());
}

void TestOpenDVDForm::noDriveIgnoresTheWorkingFolder_data()
{
    QTest::addColumn<QList<Drive>>("drives");
    QTest::addColumn<QString>("message");
    QTest::newRow("no drive") << QList<Drive>{} << QStringLiteral("No DVD drive is found.");
    QTest::newRow("drives without a disc")
        << QList<Drive>{Drive{}, Drive{}}
        << QStringLiteral("No disc is found in the DVD drive. Please insert a DVD disc.");
}

void TestOpenDVDForm::noDriveIgnoresTheWorkingFolder()
{
    QFETCH(QList<Drive>, drives);
    QFETCH(QString, message);
    // A VIDEO_TS folder that happens to lie in the working folder is not a disc in a drive.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("VIDEO_TS")));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    SetDrives(drives);
    Show();
    QTest::mouseClick(m_form->btnOpen, Qt::LeftButton);
    QDir::setCurrent(before);

    QCOMPARE(m_boxes->Texts(), QStringList{message});
    QCOMPARE(m_boxes->Calls().first().caption, QStringLiteral("No DVD Detected."));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_form->isVisible());
}

void TestOpenDVDForm::mainWindowDisabledWhileShown()
{
    SetDrives({Drive{QStringLiteral("/media/a/"), QStringLiteral("MOVIE"), 1}});
    Show();
    QVERIFY(!m_main->isEnabled());
    QVERIFY(m_form->isEnabled());
    QTest::mouseClick(m_form->btnCancel, Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_main->isEnabled());
    QVERIFY(m_opened.isEmpty());

    // Shown again: disabled again, and the title bar's close enables it too.
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QVERIFY(!m_main->isEnabled());
    QVERIFY(m_form->close());
    QVERIFY(m_main->isEnabled());
    QVERIFY(m_opened.isEmpty());
}

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestOpenDVDForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestOpenDVDForm.moc"
