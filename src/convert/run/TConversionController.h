#pragma once

#include "convert/run/TConversionHost.h"
#include "convert/run/TConversionRequest.h"
#include "convert/run/TConversionRun.h"

#include <QObject>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QWidget;
class TBusyHint;
class TImageButton;
class TParameterGrids;
class TTaskListModel;

// The main window's controls a conversion works with, named as the window names them, and
// its lock around a run (each callback runs once the hint panel is open, or closed).
struct TConversionPanel
{
    QWidget *window; // messages are its; closing it during a run stops the run
    TImageButton *imgStart, *imgStop;
    TTaskListModel *TaskList;
    QLineEdit *edtOutputDir;
    QComboBox *cmbProfile;
    QCheckBox *chkTurnoff;
    QWidget *panBottomLeft, *panBottomCenter;
    QProgressBar *pgbCurrent, *pgbTotal;
    QLabel *labCurProgress, *labTotalProgress, *labFrame, *labElapsed, *labRemaining, *labHint;
    QPlainTextEdit *Memo1, *Memo2;
    TBusyHint *hint;
    std::function<void(std::function<void()>)> LockUiForConversion, UnlockUiAfterConversion;
};

// Binds the conversion run to the main window: Start and Stop, the progress panel and its
// labels, the hint text, the hidden text boxes, the lock around a run, and a close of the
// window during a run (both tools end, the intermediate file goes, the close goes on). The
// window's own code stays free of conversion rules.
class TConversionController : public QObject, private TConversionHost
{
    Q_OBJECT
public:
    using PreferencesSource = std::function<TConversionPreferences()>;

    explicit TConversionController(const TConversionPanel &panel, QObject *parent = nullptr);
    ~TConversionController() override;

    // The main window's parameter grids (the option builder reads them).
    void SetGrids(const TParameterGrids *grids) { m_grids = grids; }
    // Where the preferences in effect come from; read at every Start. Without one the
    // defaults apply (ask before overwriting, stay open, do not open the folder).
    void SetPreferencesSource(PreferencesSource source) { m_preferences = std::move(source); }
    // The Settings dialog's controls as preferences.
    static TConversionPreferences ReadPreferences(const QAbstractButton *rdbAsk, const QAbstractButton *rdbRename,
                                                  const QAbstractButton *chkExit, const QAbstractButton *chkOpenDir);

    // What pressing Start and Stop do.
    void imgStartClick();
    void imgStopClick();

    // The request Start would make now.
    TConversionRequest CurrentRequest() const;

    TConversionRun &Run() { return m_run; }
    // From Start's press until the window is unlocked again.
    bool IsBusy() const { return m_busy; }

signals:
    // The window is unlocked again after a run (or after a start that did not get going).
    void ConversionEnded(TConversionRun::Outcome outcome);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Inform(const QString &text, const QString &caption) override;
    void Warn(const QString &text, const QString &caption) override;
    void ReportStartFailure(const QString &text) override;
    TOverwriteAnswer AskOverwrite(const QString &text, const QString &caption) override;
    bool TurnOffChecked() const override;
    void OpenFolder(const QString &folder) override;
    void HideBusyHint(std::function<void()> whenClosed) override;
    void CloseMainWindow() override;
    void AnnounceEnd(const QString &summary) override;
    // Offers to make an output folder typed that does not exist yet; false when the start
    // goes no further.
    bool OutputFolderReady();

    void ShowProgress(const TConversionProgress &progress);
    void OnFinished(TConversionRun::Outcome outcome);

    TConversionPanel m_main;
    TConversionRun m_run;
    const TParameterGrids *m_grids = nullptr;
    PreferencesSource m_preferences;
    bool m_busy = false;
    bool m_closing = false;
    bool m_stopBeforeStart = false;
    QString m_lastOutput;
    bool m_outputPending = false;
};
