#include "convert/commands/OptionBuilder.h"

#include "convert/commands/TMencOutputSettings.h"
#include "convert/commands/Bitrates.h"
#include "convert/commands/ProfileSwitches.h"
#include "profiles/TIniFile.h"
#include "profiles/TParameterGrids.h"
#include "profiles/TProfile.h"

#include <QFileInfo>

namespace {

// The main window reads profiles through the platform INI routines.
bool ReadProfile(const QString &profileFile, TProfile &profile)
{
    if (!QFileInfo(profileFile).isFile())
        return false;
    profile = TProfile::Read(TIniFile(profileFile));
    return true;
}

// The encoder's vbitrate: kilobits below 16000, bits from there on.
QString EncoderBitrate(const QString &value)
{
    if (IsWholeNumber(value))
        return value;
    const double kbps = BitrateKbps(value);
    return kbps >= 16 ? QString::number(qRound64(kbps * 1000)) : QString::number(qRound64(kbps));
}

// The parameter's value for the text a grid shows, unchecked.
QString ValueOfText(const TProfileParameter &parameter, const QString &text)
{
    if (parameter.IsList) {
        const QStringList items = parameter.CaptionItems();
        for (int i = 0; i < items.size(); ++i) {
            if (items.at(i).compare(text, Qt::CaseInsensitive) == 0)
                return parameter.ValueItem(i);
        }
        return text;
    }
    return parameter.ReadOnly ? parameter.Value : text;
}

// The parameter's value as the grids give it, unchecked.
QString RawParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids)
{
    QString text;
    QStringList pickList;
    grids.FindRow(parameter.Sort, parameter.Name, text, pickList); // a missing row reads as empty
    return ValueOfText(parameter, text);
}

} // namespace

bool IsProgramRow(const TProfileParameter &parameter)
{
    return parameter.Name.compare(u"Deinterlace", Qt::CaseInsensitive) == 0
        || parameter.Name.compare(u"Crop", Qt::CaseInsensitive) == 0;
}

QString ResolveParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids)
{
    const QString value = RawParameterValue(parameter, grids);
    if (parameter.Cmd.isEmpty() || value.isEmpty())
        return value;
    return SwitchProblem(parameter.Cmd).isEmpty() && ValueProblem(parameter.Cmd, value).isEmpty() ? value : QString();
}

bool CheckProfileValues(const QString &profileFile, const TParameterGrids &grids, QString &problem)
{
    problem.clear();
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return true;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        const QString value = RawParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsProgramRow(p))
            continue; // never on a command line
        QString why = SwitchProblem(p.Cmd);
        const bool badSwitch = !why.isEmpty();
        if (!badSwitch)
            why = ValueProblem(p.Cmd, value);
        if (!why.isEmpty()) {
            problem = QStringLiteral("The profile \"%1\" has an unusable %2 for \"%3\": %4.")
                          .arg(QFileInfo(profileFile).completeBaseName(),
                               badSwitch ? QStringLiteral("switch") : QStringLiteral("value"), p.Name, why);
            return false;
        }
    }
    return true;
}

QString BuildTranscoderOptions(const QString &profileFile, const TParameterGrids &grids)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    return BuildTranscoderOptions(profile, grids);
}

QString BuildTranscoderOptions(const TProfile &profile, const TParameterGrids &grids)
{
    QString options;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        QString value = ResolveParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsProgramRow(p))
            continue;
        if (value == u"\\")
            value.clear();
        options += QLatin1Char(' ') + p.Cmd + QLatin1Char(' ') + value;
    }
    return options;
}

QString BuildEncoderOptions(const QString &profileFile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate, bool streamed)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    return BuildEncoderOptions(profile, grids, settings, highQualityIntermediate, streamed);
}

QString BuildEncoderOptions(const TProfile &profile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate, bool streamed)
{
    settings = TMencOutputSettings();
    QString bitrate, rate;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        if (IsProgramRow(p)) {
            // Grids without the row (a script's run) take the profile's own choice.
            QString text;
            QStringList pickList;
            if (!grids.FindRow(p.Sort, p.Name, text, pickList))
                text = p.ShownValue();
            const QString value = ValueOfText(p, text);
            if (p.Name.compare(u"Crop", Qt::CaseInsensitive) == 0)
                settings.AutoCrop = value.compare(u"auto", Qt::CaseInsensitive) == 0;
            else
                settings.Deinterlace = DeinterlaceFromValue(value, true);
            continue;
        }
        const QString value = ResolveParameterValue(p, grids);
        if (p.Cmd == u"-s") {
            QString size = value;
            size.replace(QLatin1Char('x'), QLatin1Char(':')).replace(QLatin1Char('X'), QLatin1Char(':'));
            settings.OutputSize = size;
            if (!size.isEmpty()) {
                const qsizetype colon = size.indexOf(QLatin1Char(':'));
                settings.OutputWidth = colon < 0 ? QString() : size.left(colon);
                settings.OutputHeight = size.mid(colon + 1);
            }
        } else if (p.Cmd == u"-aspect") {
            settings.OutputAspect = value;
        } else if (p.Cmd == u"-c:v" || p.Cmd == u"-vcodec") {
            settings.VideoCodec = value;
        } else if (p.Cmd == u"-b" || p.Cmd == u"-b:v") {
            // FFmpeg calls a bare "-b" ambiguous; profiles may name the video bitrate either way.
            bitrate = value;
            settings.VideoBitrate = value;
        } else if (p.Cmd == u"-ar") {
            rate = value;
            settings.AudioSampleRate = value;
        }
    }
    if (bitrate.isEmpty())
        bitrate = QStringLiteral("800");
    // Without a rate the encoder keeps the source's; a bare "-srate" would swallow the next switch.
    const QString srate = rate.isEmpty() ? QString() : QStringLiteral(" -srate ") + rate;
    // A fixed quantiser of 2 keeps the intermediate from costing the final encode anything
    // measurable; the profile's own bitrate costs it a second generation of loss.
    const QString quality =
        highQualityIntermediate ? QStringLiteral("vqscale=2") : QStringLiteral("vbitrate=") + EncoderBitrate(bitrate);
    // The sound stays PCM: a lossy coder would cost a generation of loss and start the sound
    // late by its own delay. It is raised by the converter, where it is still in floating point
    // and a limiter keeps loud scenes from clipping (SoundFilters).
    const QString sound = QStringLiteral(" -oac pcm") + QStringLiteral(" -channels 2") + srate;
    // Streamed, nothing is coded twice: the converter takes the pictures as they are.
    settings.RawPicture = streamed;
    if (streamed)
        return QStringLiteral(" -ovc raw") + sound;
    return QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:") + quality + QStringLiteral(":mbd=2") + sound;
}
