#pragma once

#include "TProfileGrids.h"

#include <functional>

class QComboBox;
class QWidget;
class TTaskListModel;
class TValueListEditor;

// The main window's controls the grids work with.
struct TMainGridControls
{
    TValueListEditor *video, *audio, *advanced;
    QComboBox *profile; // the profile chosen
    TTaskListModel *list; // repainted when the extension changes
};

// The main window's profile grids: they hold the values the next conversion uses (read by
// the option builder through TParameterGrids) and are never saved. Loads read the profile
// through the platform INI routines and set OutputExt.
class TMainProfileGrids : public TProfileGrids
{
    Q_OBJECT
public:
    // Made once by the main window, as its child.
    TMainProfileGrids(QWidget *main, const TMainGridControls &controls);
    static TMainProfileGrids *Of(QWidget *main);

    // Fills the grids from the profile file and sets OutputExt; nothing happens when the
    // file does not exist.
    void LoadProfileToGrids(const QString &fileName);

    // The profile chosen in the main cmbProfile into the grids, then the task list repainted
    // so that its output names show the new extension.
    void cmbProfileChange();

    // Called when the user picks "Custom Size" in the "Video Size" row: the size dialog's
    // place. It writes the size (or "Original Size") into that row of vleVideo.
    void SetCustomSizeHandler(std::function<void()> handler) { m_customSize = std::move(handler); }

    void vleVideoStringsChange();

private:
    TMainGridControls m_controls;
    std::function<void()> m_customSize;
};
