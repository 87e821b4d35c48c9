#include "Fakes.h"
#include "TestSupport.h"

#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"
#include "preview/TPreviewPane.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

#include <clocale>
#include <memory>

// The program's own preview pane under a real X server (run-under-xvfb.sh: Xvfb, Mesa's
// software OpenGL), drawing the picture and playing to the system's sound output, if any.
// mpv must draw only through the program's OpenGL widget: a video output of its own once
// opened a second display connection and closed descriptors that were Qt's, which took
// the whole program down after a few Play / Stop / next entry rounds.
namespace {

// Share of the picture clearly brighter than black.
double LitShare(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return 0;
    qint64 lit = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            lit += qGray(line[x]) > 40;
    }
    return double(lit) / (qint64(rgb.width()) * rgb.height());
}

struct FileId
{
    dev_t dev = 0;
    ino_t ino = 0;
    bool open = false;
    bool operator==(const FileId &o) const { return dev == o.dev && ino == o.ino && open == o.open; }
};

FileId Descriptor(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return {};
    return {st.st_dev, st.st_ino, true};
}

} // namespace

class TestPreviewVideo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server: run through tests/preview/run-under-xvfb.sh");
        std::setlocale(LC_NUMERIC, "C");
        const QString disc = qEnvironmentVariable("QUARNEL_PREVIEW_DVD");
        QVERIFY2(QFile::exists(disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")), "make_preview_dvd must run first");

        m_folder = std::make_unique<TestProgramFolder>(false);
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "[Main]\nFirstUse=0\n");
        m_windows = std::make_unique<TQuarnelWindows>(m_folder->path());
        m_main = m_windows->MainForm();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
        m_video = m_main->findChild<QOpenGLWidget *>(QStringLiteral("VideoSurface"));
        QVERIFY(m_video);
        QTRY_VERIFY(m_video->context() && m_video->context()->isValid());
        m_video->makeCurrent();
        qInfo("OpenGL: %s", reinterpret_cast<const char *>(m_video->context()->functions()->glGetString(GL_RENDERER)));
        m_video->doneCurrent();

        m_main->OpenDvdFolder(disc);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->IsOpeningDvd(), 10000);
        m_main->ltvTask->expandAll();
        // Both titles and their chapters: Title01 (3 chapters), Title02 (2 chapters).
        for (int t = 0; t < m_main->TaskList->rowCount(); ++t) {
            const QModelIndex title = m_main->TaskList->index(t, 0);
            m_entries << title;
            for (int c = 0; c < m_main->TaskList->rowCount(title); ++c)
                m_entries << m_main->TaskList->index(c, 0, title);
        }
        QCOMPARE(m_entries.size(), 7);
    }
    void cleanupTestCase()
    {
        m_windows.reset();
        m_folder.reset();
    }

    // Rounds end in turn with Stop, with Pause then Stop, and with the next entry's Play
    // replacing the playing one.
    void playPauseStopAndSwitchEntries()
    {
        const FileId stdinAtStart = Descriptor(0);
        TPreviewPane *pane = m_main->findChild<TPreviewPane *>();
        QVERIFY(pane);
        const TPreviewEngine *engine = pane->FilterGraph();
        for (int round = 0; round < 50; ++round) {
            const QByteArray where = "round " + QByteArray::number(round);
            const QModelIndex entry = m_entries.at(round % m_entries.size());
            QTest::mouseClick(m_main->ltvTask->viewport(), Qt::LeftButton, {},
                              m_main->ltvTask->visualRect(entry).center());
            QVERIFY2(m_main->ltvTask->currentIndex() == entry, where.constData());
            QTest::mouseClick(m_main->sbtnPlay, Qt::LeftButton);
            QTRY_VERIFY2_WITH_TIMEOUT(!pane->IsLoading() && !m_main->PanHint->isVisible(), where.constData(), 10000);
            QVERIFY2(engine->GetState() == TPreviewEngine::State::Running, where.constData());
            QTRY_VERIFY2_WITH_TIMEOUT(LitShare(m_video->grabFramebuffer()) > 0.3, where.constData(), 15000);

            switch (round % 3) {
            case 0:
                break;
            case 1:
                QTest::mouseClick(m_main->sbtnPause, Qt::LeftButton);
                QVERIFY2(engine->GetState() == TPreviewEngine::State::Paused, where.constData());
                QTest::qWait(100);
                QVERIFY2(LitShare(m_video->grabFramebuffer()) > 0.3, where.constData()); // the paused picture stays
                break;
            case 2:
                continue; // the next round's Play replaces this playback
            }
            QTest::mouseClick(m_main->sbtnStop, Qt::LeftButton);
            QVERIFY2(engine->GetState() == TPreviewEngine::State::None, where.constData());
            QVERIFY2(LitShare(m_video->grabFramebuffer()) == 0, where.constData());
        }
        QVERIFY(m_boxes.Calls().isEmpty());
        // mpv once closed descriptor 0 after it had handed the number on.
        QVERIFY(Descriptor(0) == stdinAtStart);
    }

    // The windows go while a title plays: the picture and the player end in whatever
    // order the window deletes them.
    void windowsDeletedWhilePlaying()
    {
        QTest::mouseClick(m_main->sbtnPlay, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(LitShare(m_video->grabFramebuffer()) > 0.3, 15000);
        m_windows.reset();
        m_main = nullptr;
        m_video = nullptr;
        QTest::qWait(200); // calls mpv posted meanwhile find no receiver
    }

private:
    RecordingMessageBox m_boxes;
    FakePowerManager m_power;
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<TQuarnelWindows> m_windows;
    TMainForm *m_main = nullptr;
    QOpenGLWidget *m_video = nullptr;
    QList<QPersistentModelIndex> m_entries;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestPreviewVideo test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPreviewVideo.moc"
