#pragma once

#include "TPreferences.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class TProfileGrids;
class TValueListEditor;
struct TPreferences;

// The Settings dialog: the preferences on the "General" page (its controls are the
// preferences in effect; the conversion reads them here) and the profiles on the
// "Profiles" page. Made once at start-up, after the main window; shown on demand, and while
// shown the main window is disabled.
class TSettingForm : public QWidget
{
    Q_OBJECT
public:
    // What it sees of the main window: the window it centres on and disables while shown,
    // its profile choice and its output folder.
    struct MainControls
    {
        QWidget *window;
        QComboBox *profile;
        QLineEdit *outputDir;
    };
    explicit TSettingForm(const MainControls &main);

    // The main window's two buttons: "&Settings" opens the Profiles page with the main
    // window's profile loaded; the toolbar's "Settings" opens the General page.
    void bbtnSettingClick();
    void sbtnOptionsClick();

    // The General page from section "Default" (fromDefault) or "Main"; sets WorkDir.
    void LoadPreferences(bool fromDefault);
    // The General page into section "Main". Throws EQuarnelError naming the file.
    void SavePreferences();
    // "Stall Seconds" as last read; no control shows it.
    int StallSeconds() const { return m_stallSeconds; }
    // What the controls show, "Stall Seconds" included: the preferences in effect.
    TPreferences ShownPreferences() const;

    // The Settings grids from a profile file, and their values back into one. Both throw
    // EQuarnelError naming a file that cannot be read or written.
    void LoadProfileToGrids(const QString &fileName);
    void SaveGridsToProfile(const QString &fileName);
    void cmbProfileChange();

    QTabWidget *PageControl1;
    QWidget *tsGeneral, *tsProfiles;

    QLineEdit *edtOutputDir, *edtWorkDir;
    QToolButton *sbtnBrowse, *SpeedButton1;
    QComboBox *cmbSyn;
    QComboBox *cmbIntermediate; // the encoder pass's picture quality
    QCheckBox *chkChapterMarks;
    QComboBox *cmbSubtitles;
    QCheckBox *chkOpenDir, *chkExit, *chkTurnoff;
    QGroupBox *grpOverwrite;
    QRadioButton *rdbAsk, *rdbOverWrite, *rdbRename;

    QComboBox *cmbProfile;
    QPushButton *btnSaveAs;
    QScrollArea *ScrollBox1;
    QToolButton *btnVideo, *btnAudio, *btnAdvanced;
    TValueListEditor *vleVideo, *vleAudio, *vleAdvanced;

    QPushButton *btnDefault, *btnOK, *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Its whole size where the screen has room for it, else as much as there is, scrolled.
    void FitScreen();
    int m_stallSeconds = TPreferences().StallSeconds;

    struct Snapshot
    {
        QString outputDir, workDir;
        int syn = 0;
        bool openDir = false, exit = false, turnOff = false;
        bool ask = false, overwrite = false, rename = false;
        int intermediate = 1;
        bool chapterMarks = true;
        int subtitles = 0;
    };

    void BuildGeneralPage();
    void BuildProfilesPage();
    void FormCreate();
    void ShowPreferences(const TPreferences &preferences);
    Snapshot TakeSnapshot() const;
    void RestoreSnapshot(const Snapshot &snapshot);
    QString ProfileFile() const;
    void RelistProfiles();
    // The main window's grids and extension again when `file` is the profile it shows.
    void ReloadMainGridsIfShown(const QString &file);
    void ReportError(const QString &text);

    void btnOKClick();
    void btnCancelClick();
    void btnDefaultClick();
    void btnSaveAsClick();
    void sbtnBrowseClick();
    void SpeedButton1Click();
    void ToggleGrid(QToolButton *button, TValueListEditor *grid);

    MainControls m_main;
    TProfileGrids *m_grids = nullptr;
    Snapshot m_snapshot;
};
