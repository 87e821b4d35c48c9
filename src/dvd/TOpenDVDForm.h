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
    // openFolder is the main window's OpenDvdFolder (which also hides its start-up cover).
    TOpenDVDForm(QWidget *mainWindow, std::function<void(const QString &)> openFolder);

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
    std::function<void(const QString &)> m_openFolder;
};
