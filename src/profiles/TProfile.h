#pragma once

#include "TProfileParameter.h"

#include <QList>
#include <QString>

class TNewInifile;
class TParameterGrids;

// A profile file as the program uses it: the output type and the parameters in their
// numbered order. Read through either INI access (TIniFile for the main window, TNewInifile
// for the Settings dialog), which match keys differently, so the reader takes the one given.
class TProfile
{
public:
    // No real profile comes near this; it bounds the work a damaged "Para" can cause.
    static constexpr int MaxParameters = 256;

    QString Type;
    QList<TProfileParameter> Parameters;

    // Malformed parameters are left out, so that loading, saving and the option builder
    // all see the same list: a parameter without a name, one whose "Sort" names no grid,
    // and a second parameter of a name already seen (rows are addressed by name).
    template <class Ini> static TProfile Read(const Ini &ini);

    // The values of `grids` written back into the profile: "Index" of list parameters,
    // "Caption" and "Value" of free ones. Read-only parameters and parameters without a
    // row in the grids are left as they are; nothing else in the file changes.
    static void WriteBack(TNewInifile &ini, const TParameterGrids &grids);

    // "." + Type. A type that could not end a file name (empty, a path separator, control
    // characters) gives ".mp4", the type of a profile that lacks one.
    QString OutputExtension() const;

private:
    void Add(TProfileParameter parameter);
};

template <class Ini> TProfile TProfile::Read(const Ini &ini)
{
    const QString main = QStringLiteral("Main");
    TProfile profile;
    profile.Type = ini.ReadString(main, QStringLiteral("Type"), QStringLiteral("mp4"));
    const int count = qBound(0, ini.ReadInteger(main, QStringLiteral("Para"), 0), MaxParameters);
    for (int i = 0; i < count; ++i) {
        TProfileParameter p;
        p.Name = ini.ReadString(main, QString::number(i), QString());
        if (p.Name.isEmpty())
            continue;
        p.Sort = ini.ReadInteger(p.Name, QStringLiteral("Sort"), -1);
        p.ReadOnly = ini.ReadBool(p.Name, QStringLiteral("ReadOnly"), false);
        p.IsList = ini.ReadBool(p.Name, QStringLiteral("List"), true);
        p.Caption = ini.ReadString(p.Name, QStringLiteral("Caption"), QString());
        p.Index = ini.ReadInteger(p.Name, QStringLiteral("Index"), 0);
        p.Value = ini.ReadString(p.Name, QStringLiteral("Value"), QString());
        p.Cmd = ini.ReadString(p.Name, QStringLiteral("cmd"), QString());
        profile.Add(std::move(p));
    }
    return profile;
}
