#include "ProfileTestWindows.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/AppFolders.h"
#include "core/OutputExt.h"
#include "core/PathText.h"
#include "core/QuarnelApplication.h"
#include "profiles/TProfileValues.h"
#include "profiles/TValueListEditor.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

namespace {

// One grid as text: key=value per row, "*" after a pick list, "!" after a read-only row.
QString Rows(const TValueListEditor *grid)
{
    QStringList rows;
    for (int r = 0; r < grid->RowCount(); ++r) {
        QString row = grid->Key(r) + QLatin1Char('=') + grid->ValueAt(r);
        if (grid->Style(r) == TValueListEditor::EditStyle::PickList)
            row += QLatin1Char('*');
        if (grid->ReadOnly(r))
            row += QLatin1Char('!');
        rows << row;
    }
    return rows.join(QLatin1Char('|'));
}

QStringList AllRows(TValueListEditor *video, TValueListEditor *audio, TValueListEditor *advanced)
{
    return {Rows(video), Rows(audio), Rows(advanced)};
}

// The profile read without a window (the --convert path) must give the options the main
// window's freshly loaded grids give.
void CompareWithoutWindow(const QString &file, const TParameterGrids &windowGrids)
{
    const TProfileValues values = TProfileValues::FromFile(file);
    QCOMPARE(values.Profile().OutputExtension(), OutputExt());
    QCOMPARE(BuildTranscoderOptions(file, values), BuildTranscoderOptions(file, windowGrids));
    TMencOutputSettings fromValues, fromWindow;
    QCOMPARE(BuildEncoderOptions(file, values, fromValues), BuildEncoderOptions(file, windowGrids, fromWindow));
    QCOMPARE((QStringList{fromValues.OutputSize, fromValues.OutputAspect, fromValues.VideoBitrate,
                          fromValues.AudioSampleRate}),
             (QStringList{fromWindow.OutputSize, fromWindow.OutputAspect, fromWindow.VideoBitrate,
                          fromWindow.AudioSampleRate}));
}

QByteArray Parameter(const char *name, const char *keys)
{
    return QByteArray("[") + name + "]\r\n" + keys;
}

// A profile whose "Main" lists `names` (Para = their count unless given).
QByteArray Profile(const QList<QByteArray> &names, const QByteArray &sections, const QByteArray &para = {})
{
    QByteArray text =
        "[Main]\r\nType=avi\r\nPara=" + (para.isEmpty() ? QByteArray::number(names.size()) : para) + "\r\n";
    for (int i = 0; i < names.size(); ++i)
        text += QByteArray::number(i) + '=' + names.at(i) + "\r\n";
    return text + sections;
}

} // namespace

class TestProfileGrids : public WindowTestBase
{
    Q_OBJECT
private slots:
    void exampleInEitherWindow_data()
    {
        QTest::addColumn<bool>("main");
        QTest::newRow("main window") << true;
        QTest::newRow("Settings dialog") << false;
    }
    void exampleInEitherWindow()
    {
        QFETCH(bool, main);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        ProfileTestWindows w(folder);
        SetOutputExt(QStringLiteral(".before"));
        TValueListEditor *video = main ? w.main.vleVideo : w.settings->vleVideo;
        TValueListEditor *audio = main ? w.main.vleAudio : w.settings->vleAudio;
        TValueListEditor *advanced = main ? w.main.vleAdvanced : w.settings->vleAdvanced;
        ProfileTestWindows::Choose(main ? w.main.cmbProfile : w.settings->cmbProfile, QStringLiteral("Example"));

        QCOMPARE(AllRows(video, audio, advanced),
                 Strings({"Video Size=320x240*!|Bit Rate=800", "Channels=Stereo*!", "Aspect=4:3!"}));
        QCOMPARE(video->PickList(0), Strings({"Original Size", "320x240", "640x480", "Custom Size"}));
        QCOMPARE(video->height(), 2 * 18);
        QCOMPARE(audio->height(), 18);
        QCOMPARE(advanced->height(), 18);
        // Only a main-window load sets the output extension.
        QCOMPARE(OutputExt(), main ? QStringLiteral(".mp4") : QStringLiteral(".before"));
    }

    void mainEditsAreNeverSaved()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        folder.writeFile(QStringLiteral("Profiles/Other.apf"), "[Main]\r\nType=avi\r\nPara=0\r\n");
        ProfileTestWindows w(folder);
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        QVERIFY(w.main.vleVideo->SetValue(QStringLiteral("Bit Rate"), QStringLiteral("1200")));
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Other"));
        QCOMPARE(AllRows(w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced), Strings({"", "", ""}));
        QCOMPARE(w.main.vleVideo->height(), 0);
        QCOMPARE(OutputExt(), QStringLiteral(".avi"));
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        QCOMPARE(w.main.vleVideo->Value(QStringLiteral("Bit Rate")), QStringLiteral("800"));
        QCOMPARE(folder.readFile(QStringLiteral("Profiles/Example.apf")), kExampleProfile); // not even rewritten
    }

    void removedProfileChangesNothing()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        folder.writeFile(QStringLiteral("Profiles/Gone.apf"), "[Main]\r\nType=avi\r\nPara=0\r\n");
        ProfileTestWindows w(folder);
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        ProfileTestWindows::Choose(w.settings->cmbProfile, QStringLiteral("Example"));
        QVERIFY(QFile::remove(folder.file(QStringLiteral("Profiles/Gone.apf"))));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Profiles/Gone.apf"))); // not a file either
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Gone"));
        ProfileTestWindows::Choose(w.settings->cmbProfile, QStringLiteral("Gone"));
        QCOMPARE(OutputExt(), QStringLiteral(".mp4"));
        QCOMPARE(Rows(w.main.vleVideo), QStringLiteral("Video Size=320x240*!|Bit Rate=800"));
        QCOMPARE(Rows(w.settings->vleVideo), QStringLiteral("Video Size=320x240*!|Bit Rate=800"));
    }

    void initialRowsUntilALoad()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        w.profiles->cmbProfileChange(); // nothing chosen: "Profiles/.apf" names no file
        QCOMPARE(AllRows(w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced),
                 Strings({"Video Codec=|Video Size=|Bit Rate=|Frame Rate=|Aspect=|Disable Video=",
                          "Audio Codec=|Audio Bitrate=|Sample Rate=|Channels=|Volumn=|Disable Audio=",
                          "Bit Exact Algorithms=|Deinterlace="}));
    }

    // What each malformed profile loads as, the same in both windows (which read through
    // different INI access), and that the load ends at once.
    void malformedProfiles_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("extension");

        const QByteArray good = Parameter("Good", "Sort=2\r\nList=0\r\nCaption=ok\r\n");
        QTest::newRow("Sort outside 1 to 3: left out, also as the first parameter")
            << Profile({"Zero", "Four", "Word", "Missing", "Good"},
                       Parameter("Zero", "Sort=0\r\nList=0\r\nCaption=a\r\n")
                           + Parameter("Four", "Sort=4\r\nList=0\r\nCaption=b\r\n")
                           + Parameter("Word", "Sort=one\r\nList=0\r\nCaption=c\r\n")
                           + Parameter("Missing", "List=0\r\n") + good)
            << Strings({"", "Good=ok", ""}) << QStringLiteral(".avi");
        QTest::newRow("Index outside the items: the first item")
            << Profile({"High", "Negative"},
                       Parameter("High", "Sort=1\r\nCaption=a,b,c,\r\nValue=1,2,3,\r\nIndex=7\r\n")
                           + Parameter("Negative", "Sort=1\r\nCaption=a,b,c,\r\nValue=1,2,3,\r\nIndex=-1\r\n"))
            << Strings({"High=a*!|Negative=a*!", "", ""}) << QStringLiteral(".avi");
        QTest::newRow("plain row lacking List=0 reads as a list of its one item")
            << Profile({"Rate"}, Parameter("Rate", "Sort=1\r\nCaption=800\r\nValue=800\r\n"))
            << Strings({"Rate=800*!", "", ""}) << QStringLiteral(".avi");
        QTest::newRow("Caption without its last comma: the last item kept")
            << Profile({"Pick"}, Parameter("Pick", "Sort=3\r\nCaption=a,b\r\nIndex=1\r\n"))
            << Strings({"", "", "Pick=b*!"}) << QStringLiteral(".avi");
        QTest::newRow("Value list shorter than the Caption list loads as usual")
            << Profile({"Size"}, Parameter("Size", "Sort=1\r\nCaption=a,b,c,\r\nValue=1,\r\nIndex=2\r\n"))
            << Strings({"Size=c*!", "", ""}) << QStringLiteral(".avi");
        QTest::newRow("Para missing: every grid empty")
            << QByteArray("[Main]\r\nType=mkv\r\n0=Good\r\n") + good << Strings({"", "", ""}) << QStringLiteral(".mkv");
        QTest::newRow("Para negative") << Profile({"Good"}, good, "-3") << Strings({"", "", ""})
                                       << QStringLiteral(".avi");
        QTest::newRow("Para 2000000000: the parameters that exist")
            << Profile({"Good"}, good, "2000000000") << Strings({"", "Good=ok", ""}) << QStringLiteral(".avi");
        QTest::newRow("Para not a number")
            << Profile({"Good"}, good, "many") << Strings({"", "", ""}) << QStringLiteral(".avi");
        QTest::newRow("duplicate names, also in other case: the first one only")
            << Profile({"Good", "Good", "GOOD"}, good) << Strings({"", "Good=ok", ""}) << QStringLiteral(".avi");
        QTest::newRow("empty name skipped, the rest still load")
            << Profile({"", "Good"}, good) << Strings({"", "Good=ok", ""}) << QStringLiteral(".avi");
        QTest::newRow("Type with a path separator: .mp4")
            << QByteArray("[Main]\r\nType=../../x\r\nPara=0\r\n") << Strings({"", "", ""}) << QStringLiteral(".mp4");
        QTest::newRow("empty Type: .mp4")
            << QByteArray("[Main]\r\nType=\r\nPara=0\r\n") << Strings({"", "", ""}) << QStringLiteral(".mp4");
        QTest::newRow("empty file") << QByteArray() << Strings({"", "", ""}) << QStringLiteral(".mp4");
    }
    void malformedProfiles()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, rows);
        QFETCH(QString, extension);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Bad.apf"), profile);
        ProfileTestWindows w(folder);
        QElapsedTimer clock;
        clock.start();
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Bad"));
        ProfileTestWindows::Choose(w.settings->cmbProfile, QStringLiteral("Bad"));
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(AllRows(w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced), rows);
        QCOMPARE(AllRows(w.settings->vleVideo, w.settings->vleAudio, w.settings->vleAdvanced), rows);
        QCOMPARE(OutputExt(), extension);
        // The option builder sees the same parameters and stops as soon.
        BuildTranscoderOptions(folder.file(QStringLiteral("Profiles/Bad.apf")), *w.profiles);
        QVERIFY(clock.elapsed() < 3000);
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Bad"));
        CompareWithoutWindow(folder.file(QStringLiteral("Profiles/Bad.apf")), *w.profiles);
    }

    void binaryProfiles()
    {
        TestProgramFolder folder(false);
        auto *random = QRandomGenerator::global();
        for (int round = 0; round < 8; ++round) {
            // Random bytes, seasoned with the characters the INI form gives meaning to.
            QByteArray bytes(4000 + round * 3000, Qt::Uninitialized);
            for (char &c : bytes) {
                const quint32 pick = random->bounded(40u);
                c = pick < 30 ? char(random->bounded(256u)) : "[]=,\r\n\0\\19"[pick - 30];
            }
            bytes.prepend("[Main]\r\nPara=2000000000\r\n0=");
            folder.writeFile(QStringLiteral("Profiles/Binary.apf"), bytes);
            ProfileTestWindows w(folder);
            QElapsedTimer clock;
            clock.start();
            ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Binary"));
            ProfileTestWindows::Choose(w.settings->cmbProfile, QStringLiteral("Binary"));
            BuildTranscoderOptions(folder.file(QStringLiteral("Profiles/Binary.apf")), *w.profiles);
            QVERIFY(clock.elapsed() < 5000);
            QVERIFY(OutputExt().startsWith(QLatin1Char('.')));
            QVERIFY(!OutputExt().contains(QLatin1Char('/')));
        }
    }

    void customSizeHandOff()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        QByteArray atCustom = kExampleProfile;
        atCustom.replace("Index=1\r\ncmd=-s", "Index=3\r\ncmd=-s");
        folder.writeFile(QStringLiteral("Profiles/AtCustom.apf"), atCustom);
        ProfileTestWindows w(folder);
        // Shown first: showing restores the stored profile choice.
        w.main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.main));
        TValueListEditor *video = w.main.vleVideo;
        int asked = 0;
        // The size dialog's part: it writes the size the user typed into the row.
        w.profiles->SetCustomSizeHandler([&] {
            ++asked;
            video->SetValue(QStringLiteral("Video Size"), QStringLiteral("720x480"));
        });

        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("AtCustom"));
        QCOMPARE(asked, 0); // a load is no choice of the user's
        QCOMPARE(video->Value(QStringLiteral("Video Size")), QStringLiteral("Custom Size"));

        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        QCOMPARE(video->Value(QStringLiteral("Video Size")), QStringLiteral("320x240"));
        // The user picks the item below the shown one, twice: 640x480, then Custom Size.
        auto pickNext = [&] {
            const QRect cell = video->visualRect(video->model()->index(0, 1));
            QTest::mouseClick(video->viewport(), Qt::LeftButton, {}, cell.center());
            // The editor the click opened, found by its cell: the focus depends on the window
            // being active, and a Down key in the profile drop-down would load another profile.
            auto *combo = qobject_cast<QComboBox *>(video->indexWidget(video->model()->index(0, 1)));
            QVERIFY(combo);
            QTest::keyClick(combo, Qt::Key_Down);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        pickNext();
        QCOMPARE(video->Value(QStringLiteral("Video Size")), QStringLiteral("640x480"));
        QCOMPARE(asked, 0);
        pickNext();
        QCOMPARE(asked, 1);
        QCOMPARE(video->Value(QStringLiteral("Video Size")), QStringLiteral("720x480"));
        QCOMPARE(BuildTranscoderOptions(folder.file(QStringLiteral("Profiles/Example.apf")), *w.profiles),
                 QStringLiteral(" -s 720x480 -b 800 -aspect 4:3"));

        // Only the row named exactly "Video Size" hands off.
        QByteArray otherCase = kExampleProfile;
        otherCase.replace("Video Size", "video size");
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), otherCase);
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        video->setCurrentCell(0, 1);
        video->SetValueAt(0, QStringLiteral("Custom Size"));
        QCOMPARE(asked, 1);
    }

    // Every profile we ship: well formed, and choosing it fills the main grids and sets the
    // output extension from its type.
    void shippedProfiles()
    {
        TestProgramFolder folder;
        const QStringList files =
            QDir(folder.file(QStringLiteral("Profiles"))).entryList({QStringLiteral("*.apf")}, QDir::Files);
        QVERIFY(files.size() >= 10);
        ProfileTestWindows w(folder);
        QCOMPARE(w.main.cmbProfile->count(), files.size());
        for (const QString &file : files) {
            const QByteArray bytes = folder.readFile(QStringLiteral("Profiles/") + file);
            QVERIFY2(!bytes.contains("\n") || bytes.count("\n") == bytes.count("\r\n"), qPrintable(file));
            const QString text = QString::fromLatin1(bytes);
            const QString type = QRegularExpression(QStringLiteral("Type=(\\w+)\r\n")).match(text).captured(1);
            const int para = QRegularExpression(QStringLiteral("Para=(\\d+)\r\n")).match(text).captured(1).toInt();
            QVERIFY2(!type.isEmpty() && para > 0, qPrintable(file));

            ProfileTestWindows::Choose(w.main.cmbProfile, file.chopped(4));
            QCOMPARE(OutputExt(), QLatin1Char('.') + type);
            CompareWithoutWindow(folder.file(QStringLiteral("Profiles/") + file), *w.profiles);
            TValueListEditor *grids[] = {w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced};
            int rows = 0;
            for (TValueListEditor *grid : grids) {
                QVERIFY2(grid->RowCount() > 0, qPrintable(file));
                QCOMPARE(grid->height(), 18 * grid->RowCount());
                for (int r = 0; r < grid->RowCount(); ++r) {
                    const QString where = file + QLatin1Char('/') + grid->Key(r);
                    QVERIFY2(!grid->ValueAt(r).isEmpty(), qPrintable(where));
                    if (grid->Style(r) == TValueListEditor::EditStyle::PickList) {
                        QVERIFY2(grid->PickList(r).contains(grid->ValueAt(r)), qPrintable(where));
                        const QString section = QStringLiteral("\r\n[") + grid->Key(r) + QStringLiteral("]\r\n");
                        const QString body =
                            text.mid(text.indexOf(section) + section.size()).section(QLatin1Char('['), 0, 0);
                        const QString values =
                            QRegularExpression(QStringLiteral("Value=(.*)\r\n")).match(body).captured(1);
                        QCOMPARE(SplitCommaList(values).size(), grid->PickList(r).size());
                    }
                }
                rows += grid->RowCount();
            }
            QCOMPARE(rows, para); // no parameter left out: names unique, every Sort valid
            int size = -1;
            QVERIFY2(w.main.vleVideo->FindRow(QStringLiteral("Video Size"), size), qPrintable(file));
            QCOMPARE(w.main.vleVideo->PickList(size).first(), QStringLiteral("Original Size"));
            QCOMPARE(w.main.vleVideo->PickList(size).last(), QStringLiteral("Custom Size"));
        }
    }

private:
    // No grid has anything to tell.
    void TearDown() override { QVERIFY2(m_boxes->Calls().isEmpty(), qPrintable(m_boxes->Texts().join(u'\n'))); }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestProfileGrids test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestProfileGrids.moc"
