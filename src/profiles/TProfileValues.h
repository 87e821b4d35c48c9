#pragma once

#include "TParameterGrids.h"
#include "TProfile.h"

#include <QString>

// A profile's rows exactly as the grids show them right after the profile is loaded, with
// no widgets: what the conversion reads when there is no window (and what the window's
// grids give until the user changes a row).
class TProfileValues : public TParameterGrids
{
public:
    explicit TProfileValues(TProfile profile) : m_profile(std::move(profile)) { }
    // The profile file read through the platform INI routines, as the main window reads it.
    static TProfileValues FromFile(const QString &profileFile);

    const TProfile &Profile() const { return m_profile; }

    bool FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const override;

private:
    TProfile m_profile;
};
