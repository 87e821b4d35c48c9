#include "TOpenDVDForm.h"

#include "OpticalDrives.h"
#include "core/MessageBox.h"
#include "core/PathText.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

TOpenDVDForm::TOpenDVDForm(QWidget *mainWindow, OpenFolder openFolder)
    : QWidget(nullptr)
    , m_mainWindow(mainWindow)
    , m_openFolder(std::move(openFolder))
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
    const QList<OpticalDrives::Drive> drives = OpticalDrives::List();
    m_driveCount = int(drives.size());
    for (const OpticalDrives::Drive &drive : drives) {
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
    if (item < 0) {
        // Nothing listed: there is no disc whose folder could be named.
        MessageBox::Information(this,
                                m_driveCount == 0
                                    ? QStringLiteral("No DVD drive is found.")
                                    : QStringLiteral("No disc is found in the DVD drive. Please insert a DVD disc."),
                                QStringLiteral("No DVD Detected."));
        return;
    }
    const QString root = cmbDrive->itemData(item).toString();
    // Copies and some file systems name it in lower case; the parser finds its files either way.
    const QString path = EnsureTrailingBackslash(FileInFolder(root, QStringLiteral("VIDEO_TS")));
    if (root.isEmpty() || !QDir(path).exists()) {
        MessageBox::Information(this, path + QStringLiteral(" is not found. Please insert a DVD disc."),
                                QStringLiteral("No DVD Detected."));
        return;
    }
    close();
    m_openFolder(path, cmbDrive->itemData(item, LabelRole).toString());
}
