#include "TMainProfileGrids.h"

#include "MainPreferences.h"
#include "OutputExt.h"
#include "TIniFile.h"
#include "TProfile.h"
#include "TValueListEditor.h"
#include "app/AppFolders.h"
#include "app/TMainForm.h"
#include "app/TTaskListModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>

TMainProfileGrids::TMainProfileGrids(TMainForm *main)
    : TProfileGrids(main->vleVideo, main->vleAudio, main->vleAdvanced, main), m_main(main)
{
    connect(main->vleVideo, &TValueListEditor::StringsChange, this, &TMainProfileGrids::vleVideoStringsChange);
}

TMainProfileGrids *TMainProfileGrids::Of(TMainForm *main)
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
    LoadProfileToGrids(MainPreferences::ProfileFile(m_main->cmbProfile->currentText()));
    // The output names end in the profile's extension.
    if (m_main->TaskList)
        m_main->TaskList->RefreshTexts();
}

void TMainProfileGrids::vleVideoStringsChange()
{
    const TValueListEditor *grid = m_main->vleVideo;
    const int row = grid->Row();
    if (row >= 0 && grid->Key(row) == u"Video Size" && grid->ValueAt(row) == u"Custom Size" && m_customSize)
        m_customSize();
}
