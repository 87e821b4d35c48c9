#include "TOpenDVDForm.h"

#include "OpticalDrives.h"
#include "TDVDInformation.h"
#include "app/MessageBox.h"
#include "app/PathText.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

TOpenDVDForm::TOpenDVDForm(QWidget *mainWindow, std::function<void(const QString &)> openFolder)
    : QWidget(nullptr), m_mainWindow(mainWindow), m_openFolder(std::move(openFolder))
{
    // No parent: a child window would be disabled together with the main window.
    setWindowTitle(QStringLiteral("Open a DVD"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(377, 108);

    Label1 = new QLabel(QStringLiteral("DVD Disc:"), this);
    Label1->setGeometry(12, 22, 70, 20);
    cmbDrive = new QComboBox(this);
    cmbDrive->setObjectName(QStringLiteral("cmbDrive"));
    cmbDrive->setGeometry(76, 20, 289, 24);
    btnRefresh = new QPushButton(QStringLiteral("&Refresh"), this);
    btnRefresh->setGeometry(115, 68, 80, 26);
    btnOpen = new QPushButton(QStringLiteral("&Open"), this);
    btnOpen->setGeometry(200, 68, 80, 26);
    btnOpen->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setGeometry(285, 68, 80, 26);
    connect(btnRefresh, &QPushButton::clicked, this, &TOpenDVDForm::RefreshDrives);
    connect(btnOpen, &QPushButton::clicked, this, &TOpenDVDForm::btnOpenClick);
    connect(btnCancel, &QPushButton::clicked, this, &QWidget::close);
}

void TOpenDVDForm::showEvent(QShowEvent *event)
{
    if (m_mainWindow) {
        move(m_mainWindow->geometry().center() - rect().center());
        m_mainWindow->setEnabled(false);
    }
    RefreshDrives();
    QWidget::showEvent(event);
}

void TOpenDVDForm::closeEvent(QCloseEvent *event)
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    QWidget::closeEvent(event);
}

void TOpenDVDForm::RefreshDrives()
{
    cmbDrive->clear();
    int preselected = 0;
    for (const OpticalDrives::Drive &drive : OpticalDrives::List()) {
        // A drive without a readable disc is not listed, so it cannot be preselected either.
        if (drive.Serial == 0)
            continue;
        const QString label = drive.Label.isEmpty() ? QStringLiteral("No Disc") : drive.Label;
        // Root and label travel beside the text: mount folders are named after labels, so
        // either may hold " [" or "]" and the text alone cannot be split back.
        cmbDrive->addItem(drive.Root + QStringLiteral(" [") + label + QLatin1Char(']'), drive.Root);
        cmbDrive->setItemData(cmbDrive->count() - 1, label, LabelRole);
        if (label != QStringLiteral("No Disc"))
            preselected = cmbDrive->count() - 1;
    }
    cmbDrive->setCurrentIndex(preselected);
}

void TOpenDVDForm::btnOpenClick()
{
    const int item = cmbDrive->currentIndex();
    const QString root = item < 0 ? QString() : cmbDrive->itemData(item).toString();
    const QString path = EnsureTrailingBackslash(root + QStringLiteral("VIDEO_TS"));
    // Without a drive the path is relative; whatever the working folder holds is no disc.
    if (root.isEmpty() || !QDir(path).exists()) {
        MessageBox::Information(this, path + QStringLiteral(" is not found. Please insert a DVD disc."),
                                QStringLiteral("No DVD Detected."));
        return;
    }
    close();
    DvdInfo.VolumeName = cmbDrive->itemData(item, LabelRole).toString();
    m_openFolder(path);
}
