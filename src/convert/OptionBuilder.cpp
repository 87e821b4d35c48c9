#include "OptionBuilder.h"

#include "TMencOutputSettings.h"
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

} // namespace

QString ResolveParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids)
{
    QString text;
    QStringList pickList;
    grids.FindRow(parameter.Sort, parameter.Name, text, pickList); // a missing row reads as empty
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

QString BuildTranscoderOptions(const QString &profileFile, const TParameterGrids &grids)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    QString options;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        QString value = ResolveParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty())
            continue;
        if (value == u"\\")
            value.clear();
        options += QLatin1Char(' ') + p.Cmd + QLatin1Char(' ') + value;
    }
    return options;
}

QString BuildEncoderOptions(const QString &profileFile, const TParameterGrids &grids, TMencOutputSettings &settings)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    settings = TMencOutputSettings();
    QString bitrate, rate;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
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
    return QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=") + bitrate + QStringLiteral(":mbd=2:autoaspect")
        + QStringLiteral(" -oac mp3lame -lameopts vbr=2:q=5") + QStringLiteral(" -channels 2") + srate
        + QStringLiteral(" -af volume=10:0");
}
