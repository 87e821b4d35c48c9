#pragma once

#include "TParameterGrids.h"

#include <QObject>

class TProfile;
class TValueListEditor;

// A window's three parameter grids (video, audio, advanced) filled from a profile and read
// back by name. A mouse press in any of them repaints all three, so only the grid with the
// focus shows its highlighted key.
class TProfileGrids : public QObject, public TParameterGrids
{
    Q_OBJECT
public:
    static constexpr int RowPitch = 18; // 17 pixels plus the grid line

    TProfileGrids(TValueListEditor *video, TValueListEditor *audio, TValueListEditor *advanced, QObject *parent);

    // The grid of "Sort" 1 to 3; null for any other.
    TValueListEditor *Grid(int sort) const;

    // Replaces every row by the profile's parameters, each in the grid of its "Sort", in
    // profile order, and sets each grid's height to its rows.
    void Fill(const TProfile &profile);

    // The rows the grids hold until a profile is loaded, all with empty values.
    void ShowInitialRows();

    bool FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const override;

    void RepaintAll();

private:
    TValueListEditor *m_grids[3];
};
