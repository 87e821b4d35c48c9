#include "TAboutForm.h"

#include "core/Artwork.h"
#include "core/ProgramInfo.h"
#include "core/ShellOpen.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {
constexpr int kWidth = 476;
constexpr int kHeight = 330;
} // namespace

TAboutForm::TAboutForm(QWidget *mainWindow) : QWidget(nullptr), m_mainWindow(mainWindow)
{
    // No parent: a child window would be disabled together with the main window.
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);

    auto *background = new QLabel(this);
    background->setGeometry(0, 0, kWidth, kHeight);
    background->setPixmap(Artwork::AboutBackground(QSize(kWidth, kHeight)));

    labProgramName = new QLabel(ProgramInfo::ProductName(), this);
    labProgramName->setObjectName(QStringLiteral("labProgramName"));
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labProgramName->setGeometry(180, 90, 270, 30);
    QFont nameFont(QStringLiteral("Verdana"));
    nameFont.setPixelSize(17);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    labProgramName->setFont(nameFont);

    labVersion = new QLabel(QStringLiteral("Version ") + ProgramInfo::ProductVersion(), this);
    labVersion->setObjectName(QStringLiteral("labVersion"));
    labVersion->setAlignment(Qt::AlignRight);
    labVersion->setGeometry(180, 126, 270, 20);

    auto *blurb =
        new QLabel(QStringLiteral("Converts the titles and chapters of video DVDs into ordinary video files."), this);
    blurb->setWordWrap(true);
    blurb->setAlignment(Qt::AlignRight);
    blurb->setGeometry(200, 156, 250, 40);

    labVisitWebsite = new QLabel(QStringLiteral("Visit our website"), this);
    labVisitWebsite->setAlignment(Qt::AlignRight);
    labVisitWebsite->setGeometry(180, 210, 270, 18);

    labWebsite = new QLabel(ProgramInfo::WebsiteUrl(), this);
    labWebsite->setObjectName(QStringLiteral("labWebsite"));
    labWebsite->setAlignment(Qt::AlignRight);
    labWebsite->setGeometry(180, 230, 270, 18);
    QFont linkFont = labWebsite->font();
    linkFont.setUnderline(true);
    labWebsite->setFont(linkFont);
    QPalette linkPalette = labWebsite->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    labWebsite->setPalette(linkPalette);
    labWebsite->setCursor(Qt::PointingHandCursor);
    labWebsite->installEventFilter(this);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(kWidth - 95, kHeight - 40, 80, 26);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QWidget::close);
}

void TAboutForm::showEvent(QShowEvent *event)
{
    if (m_mainWindow) {
        move(m_mainWindow->geometry().center() - rect().center());
        m_mainWindow->setEnabled(false);
    }
    QWidget::showEvent(event);
}

void TAboutForm::closeEvent(QCloseEvent *event)
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    QWidget::closeEvent(event);
}

bool TAboutForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == labWebsite && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        labWebsiteClick();
    return QWidget::eventFilter(watched, event);
}

void TAboutForm::labWebsiteClick()
{
    ShellOpen::Open(labWebsite->text());
}
