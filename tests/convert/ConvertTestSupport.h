#pragma once

#include "convert/run/TConversionHost.h"
#include "profiles/TProfileValues.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class TestProgramFolder;

// Grids that show what a profile file says, as the main window's grids do right after the
// profile is loaded, with single rows changed by the test.
class ShownGrids : public TParameterGrids
{
public:
    explicit ShownGrids(const QString &profileFile) : m_values(TProfileValues::FromFile(profileFile)) { }
    void Set(const QString &name, const QString &text) { m_changed.insert(name.toLower(), text); }
    bool FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const override;

private:
    TProfileValues m_values;
    QHash<QString, QString> m_changed;
};

// Links the program folder's tool names to the system's MEncoder and FFmpeg, as the build does.
bool LinkTools(const QString &programFolder);
// A test tool's notes go to `file` (QUARNEL_TEST_PIDS), whose folder the tools' fence lets them
// write; an empty name ends both.
void SetToolNotes(const QString &file);

// Answers the run's questions from a queue (Yes when empty) and records everything.
class RecordingHost : public TConversionHost
{
public:
    struct Message
    {
        QString kind; // "inform", "warn", "start", "ask"
        QString text;
        QString caption;
    };
    void Inform(const QString &text, const QString &caption) override
    {
        messages << Message{QStringLiteral("inform"), text, caption};
    }
    void Warn(const QString &text, const QString &caption) override
    {
        messages << Message{QStringLiteral("warn"), text, caption};
    }
    void ReportStartFailure(const QString &text) override
    {
        messages << Message{QStringLiteral("start"), text, QString()};
    }
    TOverwriteAnswer AskOverwrite(const QString &text, const QString &caption) override
    {
        messages << Message{QStringLiteral("ask"), text, caption};
        return answers.isEmpty() ? TOverwriteAnswer::Yes : answers.takeFirst();
    }
    bool TurnOffChecked() const override { return turnOff; }
    void OpenFolder(const QString &folder) override { opened << folder; }
    void HideBusyHint(std::function<void()> whenClosed) override;
    void CloseMainWindow() override { ++closes; }

    QStringList Texts() const;

    QList<Message> messages;
    QList<TOverwriteAnswer> answers;
    bool turnOff = false;
    QStringList opened;
    int closes = 0;
    int hintsHidden = 0;
};

// What ffprobe says about a file: "format_name", "duration", and per stream type
// "video.codec_name", "video.width", "video.height", "audio.codec_name".
QHash<QString, QString> Probe(const QString &file);

// A file as a viewer meets it: the pictures decoded, their display shape, the sound decoded.
struct ViewerFacts
{
    qint64 Frames = 0;
    double FrameRate = 0;
    double DisplayAspect = 0; // width × sample aspect / height
    double SoundSeconds = 0;
    double PeakDb = -200; // of the decoded sound, dBFS
    qint64 FullScale = 0; // decoded samples at full scale (clipped)
    qint64 Samples = 0;
    double VideoSeconds() const { return FrameRate > 0 ? Frames / FrameRate : 0; }
};
ViewerFacts Watch(const QString &file);

// What a program writes on its standard output (with `errors`, on its standard error too).
QByteArray ToolOutput(const QString &program, const QStringList &arguments, bool errors = false);
// Where a stream of a file ("a:0", "v:0") starts on the file's clock, seconds.
double StreamStart(const QString &file, const QString &stream);

// The audio's main frequency in Hz, from the zero crossings of a second of decoded sound.
double DominantFrequency(const QString &file, int track = 0);

// A file's sound tracks in order: each one's language tag and whether it plays by default.
struct SoundTrackFacts
{
    QString Language;
    bool Default = false;
};
QList<SoundTrackFacts> SoundTracks(const QString &file);

// Pictures decoded small and grey, as FFmpeg gives them for `input` (its input options and
// file or lavfi graph), each cropped first where `crop` says (w:h:x:y), at most `count` of them.
QList<QByteArray> GreyPictures(const QStringList &input, const QString &crop, int count);
constexpr int kGreyWidth = 240, kGreyHeight = 144;
// PSNR of the luma of two such pictures, in dB (99 for equal ones).
double PsnrY(const QByteArray &a, const QByteArray &b);

// FFmpeg's idet over a file's pictures: how many it finds interlaced (either field first) and
// how many progressive.
struct IdetCounts
{
    qint64 Interlaced = 0;
    qint64 Progressive = 0;
};
IdetCounts Idet(const QString &file);

// A sync picture's flashes (a picture much brighter than the one before) and beeps (the sound
// rising above a quarter of full scale after half a second of quiet), in seconds of the
// file's clock.
QList<double> FlashTimes(const QString &file);
QList<double> BeepTimes(const QString &file);

// The lavfi graph that makes title `title` of a test disc again, from its sources.txt.
QString SourceGraph(const QString &disc, int title);

// Child processes of this test process that are still alive (not zombies).
QList<qint64> LiveChildren();
