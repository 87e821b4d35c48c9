#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

// "Open a DVD": the disc drives with their labels; opens the chosen disc's VIDEO_TS folder.
// While shown it disables the main window, which makes it modal in effect.
class TOpenDVDForm : public QWidget
{
    Q_OBJECT
public:
    // openFolder is the main window's OpenDvdFolder (which also hides its start-up cover),
    // given the disc's VIDEO_TS folder and its label as the volume name.
    using OpenFolder = std::function<void(const QString &folder, const QString &volumeName)>;
    TOpenDVDForm(QWidget *mainWindow, OpenFolder openFolder);

    void RefreshDrives();

    QLabel *Label1;
    QComboBox *cmbDrive;
    QPushButton *btnRefresh, *btnOpen, *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Each drive item holds its root folder (Qt::UserRole) and the label shown in brackets.
    static constexpr int LabelRole = Qt::UserRole + 1;

    void btnOpenClick();

    QWidget *m_mainWindow;
    int m_driveCount = 0; // disc drives found by the last listing, with or without a disc
    OpenFolder m_openFolder;
};
