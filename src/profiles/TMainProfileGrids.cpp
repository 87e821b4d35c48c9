#include "TMainProfileGrids.h"

#include "MainPreferences.h"
#include "TIniFile.h"
#include "TProfile.h"
#include "TValueListEditor.h"
#include "core/AppFolders.h"
#include "core/OutputExt.h"
#include "tasklist/TTaskListModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>

TMainProfileGrids::TMainProfileGrids(QWidget *main, const TMainGridControls &controls)
    : TProfileGrids(controls.video, controls.audio, controls.advanced, main)
    , m_controls(controls)
{
    connect(controls.video, &TValueListEditor::StringsChange, this, &TMainProfileGrids::vleVideoStringsChange);
}

TMainProfileGrids *TMainProfileGrids::Of(QWidget *main)
{
    return main ? main->findChild<TMainProfileGrids *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void TMainProfileGrids::LoadProfileToGrids(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile())
        return;
    const TProfile profile = TProfile::Read(TIniFile(fileName));
    SetOutputExt(profile.OutputExtension());
    Fill(profile);
}

void TMainProfileGrids::cmbProfileChange()
{
    LoadProfileToGrids(MainPreferences::ProfileFile(m_controls.profile->currentText()));
    // The output names end in the profile's extension.
    if (m_controls.list)
        m_controls.list->RefreshTexts();
}

void TMainProfileGrids::vleVideoStringsChange()
{
    const TValueListEditor *grid = m_controls.video;
    const int row = grid->Row();
    if (row >= 0 && grid->Key(row) == u"Video Size" && grid->ValueAt(row) == u"Custom Size" && m_customSize)
        m_customSize();
}
