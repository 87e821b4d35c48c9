#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class TAboutForm;
class TMainForm;
class TOpenDVDForm;
class TSettingForm;
class TEditDVDVolumeForm;
class TEditTimeForm;
class TSizeForm;

// Creates the program's windows once each, in start-up order, and wires them together.
// Only the main window is shown at start; the others are shown on demand and hidden, not
// destroyed, when closed.
class TQuarnelWindows
{
public:
    // arguments: the command line's paths (without the program's own name).
    TQuarnelWindows(const QString &programFolder, const QStringList &arguments = {});
    ~TQuarnelWindows();

    TMainForm *MainForm() const { return m_main.get(); }
    TOpenDVDForm *OpenDVDForm() const { return m_openDvd.get(); }
    TSettingForm *SettingForm() const { return m_settings.get(); }
    TEditDVDVolumeForm *EditDVDVolumeForm() const { return m_volume.get(); }
    TEditTimeForm *EditTimeForm() const { return m_editTime.get(); }
    TAboutForm *AboutForm() const { return m_about.get(); }
    TSizeForm *SizeForm() const { return m_size.get(); }

private:
    std::unique_ptr<TMainForm> m_main;
    std::unique_ptr<TOpenDVDForm> m_openDvd;
    std::unique_ptr<TSettingForm> m_settings;
    std::unique_ptr<TEditDVDVolumeForm> m_volume;
    std::unique_ptr<TEditTimeForm> m_editTime;
    std::unique_ptr<TAboutForm> m_about;
    std::unique_ptr<TSizeForm> m_size;
};
