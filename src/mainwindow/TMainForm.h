#pragma once

#include "core/TBusyHint.h"
#include <QModelIndex>
#include <QStringList>
#include <QTimer>

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSlider;
class QToolButton;
class QMenu;
class QAction;
class TAboutForm;
class TBusyHint;
class TImageButton;
class TMainProfileGrids;
class TSettingForm;
class TPreviewPane;
struct TPreviewControls;
struct TConversionPanel;
class TOpenDVDForm;
class TTaskListModel;
class TTaskTreeView;
class TTrackChoiceBox;
class TValueListEditor;
class DvdOpener;
struct TDvdReading;
class DvdTitleLoader;

// The main window: the task list, the tool strip, the bottom panel, the preview pane, the
// parameter grids and the Start/Stop area; 868 x 554 at first, resizable, its size kept.
class TMainForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 868;
    static constexpr int ClientHeight = 554;
    static constexpr int HintFullHeight = TBusyHint::FullHeight;

    // programFolder is the folder of the executable (tests pass a folder of their own).
    explicit TMainForm(const QString &programFolder, QWidget *parent = nullptr);
    ~TMainForm() override;

    void SetAboutForm(TAboutForm *about) { m_aboutForm = about; }
    void SetOpenDVDForm(TOpenDVDForm *form) { m_openDvdForm = form; }
    void SetSettingForm(TSettingForm *form) { m_settingForm = form; }
    void SetPreview(TPreviewPane *preview) { m_preview = preview; }

    // Paths from the command line: each names a DVD folder or a file inside one; a single
    // ".tmp" list file holds one such path per line. Every existing one is opened in turn.
    void CommandLineIntake(const QStringList &arguments);

    // The one way a DVD gets loaded. Openings asked for while one runs wait their turn.
    // Each one starts afresh: the choices of the previous disc go, and the volume name
    // (the output files' prefix) becomes volumeName, the disc's label when a drive's disc
    // is opened, else empty.
    void OpenDvdFolder(const QString &folder, const QString &volumeName = QString());
    bool IsOpeningDvd() const { return m_opening; }

    // What the task list's popup menu and the combo boxes do.
    void ltvTaskChange();
    void PopupMenu1Popup();

    // The sliding hint panel. Requests are carried out one after another, in the order made;
    // each one's callback runs exactly once, when the panel is fully open (or closed and
    // hidden). A show on an open panel only changes the text; a hide on a hidden one does
    // nothing more than call back.
    void ShowBusyHint(const QString &text, std::function<void()> whenOpen = {});
    void HideBusyHint(std::function<void()> whenClosed = {});
    TBusyHint *BusyHint() const { return m_busyHint; }
    // The controls the preview pane works with.
    TPreviewControls PreviewControls();
    // The controls and the lock a conversion works with.
    TConversionPanel ConversionPanel();

    // Enabling around a conversion; whenReady runs once the hint panel is open.
    void LockUiForConversion(std::function<void()> whenReady = {});
    void UnlockUiAfterConversion(std::function<void()> whenDone = {});

    void LoadMainPreferences();
    void SaveMainPreferences();
    void FormResize();
    void cmbProfileChange();

    // Controls, named as the rest of the program refers to them.
    QLabel *panTopMargin, *panLeftMargin, *panBottomMargin, *panSplitter;
    QLabel *Image4; // the bottom margin's picture
    QWidget *panMain, *panProfile;

    QWidget *panPreview, *VideoWindow, *panPreviewButton;
    QSlider *TrackBar;
    QLabel *labStart, *labMiddle, *labEnd, *labPreviewPlayTime;
    QToolButton *sbtnPlay, *sbtnPause, *sbtnStop;

    QScrollArea *ScrollBox1;
    QToolButton *btnVideo, *btnAudio, *btnAdvanced;
    TValueListEditor *vleVideo, *vleAudio, *vleAdvanced;

    QWidget *Panel1;
    QLabel *Image10;
    TImageButton *imgStart, *imgStop;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3;

    TTaskTreeView *ltvTask;
    TTaskListModel *TaskList;
    QMenu *PopupMenu1;
    QAction *pmiOpenDVD, *pmiOpenDir, *pmiCheckAll, *pmiCheckTitleChapter, *pmiCheckTitle, *pmiCheckChapter,
        *pmiUncheck, *pmiTrimTime, *pmiDVDVolume;
    QLabel *Panel2;
    QToolButton *sbtnOpenDVD, *sbtnOpenDir, *sbtnSegment, *sbtnOptions;

    QWidget *panBottom, *panBottomCenter, *panBottomLeft;
    TTrackChoiceBox *cmbAudio; // several tracks can be checked, in order
    QComboBox *cmbSub, *cmbAngle, *cmbAudioLanguage, *cmbProfile;
    QPushButton *bbtnSetting, *bbtnBrowser, *bbtnOpen;
    QLineEdit *edtOutputDir;
    QLabel *labFrame, *labElapsed, *labRemaining, *labCurProgress, *labTotalProgress;
    QFrame *panCurrentFrame, *panTotalFrame;
    QProgressBar *pgbCurrent, *pgbTotal;

    QFrame *PanHint;
    QLabel *labHint;
    QCheckBox *chkTurnoff;
    QPlainTextEdit *Memo1, *Memo2;
    QLabel *panbg, *labProgramName;

signals:
    void BusyHintHeightChanged(int height);
    // An opening has ended (with or without titles).
    void DvdOpened();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void BuildLayout();
    void BuildPreviewPane();
    void BuildGrids();
    void BuildStartStopArea();
    void BuildMainArea();
    void BuildBottomCenter();
    void BuildBottomLeft();
    void BuildHintAndCover();
    // Shortcuts, their hints, and the order Tab goes in.
    void BuildKeyboard();
    // FormResize's parts: the right column, and the first lines of the bottom panels.
    void LayOutRightColumn(int width, int height);
    void LayOutChoicesLine();
    void LayOutFiguresLine();
    void FormCreate();
    void FormClose();
    void BuildPopupMenu();
    void OpenNextDvd();
    // The worker's reading of the DVD being opened, put in place on the window's thread.
    void DvdRead(const TDvdReading &reading);
    void OpenItem(const QString &path);
    void StoreChoice(int kind, int value);
    void StoreAudioTracks(const QList<int> &tracks);
    // Whether the files of the profile and the preferences shown keep more than one sound track.
    bool KeepsSeveralSoundTracks() const;

    void sbtnOpenDVDClick();
    void sbtnOpenDirClick();
    void bbtnBrowserClick();

    void bbtnOpenClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();

    TAboutForm *m_aboutForm = nullptr;
    TOpenDVDForm *m_openDvdForm = nullptr;
    TMainProfileGrids *m_profileGrids = nullptr;
    TSettingForm *m_settingForm = nullptr;
    TPreviewPane *m_preview = nullptr;
    std::unique_ptr<DvdTitleLoader> m_titleLoader;
    DvdOpener *m_dvdOpener = nullptr; // reads each DVD off the window's thread
    struct Opening
    {
        QString folder, volumeName;
    };
    QList<Opening> m_pendingOpenings;
    QString m_openingVolume; // of the DVD being read
    bool m_opening = false;
    bool m_shownOnce = false;
    // Laid out by FormResize with the controls above.
    QLabel *m_previewStrip = nullptr, *m_gridStrip = nullptr;
    QLabel *m_subCaption = nullptr, *m_angleCaption = nullptr;
    QList<QLabel *> m_figureCaptions; // Frames, Time Elapsed, Time Remaining
    TBusyHint *m_busyHint = nullptr;
};
