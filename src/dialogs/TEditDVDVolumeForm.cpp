#include "TEditDVDVolumeForm.h"

#include "DialogInputChecks.h"
#include "core/MessageBox.h"
#include "core/OutputExt.h"
#include "core/TDVDInformation.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TargetNames.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TEditDVDVolumeForm::TEditDVDVolumeForm(QWidget *owner, TTaskListModel *list)
    : QDialog(nullptr)
    , m_main(owner)
    , m_list(list)
{
    // No parent: a child window would be disabled together with the main window.
    setWindowTitle(QStringLiteral("Edit the DVD Volume"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(401, 125);

    Label1 = new QLabel(QStringLiteral("DVD Volume (Prefixsion of output files:)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    edtDVDVolume = new QLineEdit(this);
    edtDVDVolume->setObjectName(QStringLiteral("edtDVDVolume"));
    edtDVDVolume->setMinimumWidth(200);
    Label1->setBuddy(edtDVDVolume);
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {btnOK, btnCancel})
        b->setFixedSize(80, 26);

    // The edit grows with the window; the buttons keep to the lower right.
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 16, 24, 14);
    column->setSpacing(6);
    column->addWidget(Label1);
    column->addWidget(edtDVDVolume);
    column->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    column->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &TEditDVDVolumeForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TEditDVDVolumeForm::pmiDVDVolumeClick()
{
    edtDVDVolume->setText(DvdInfo.VolumeName);
    edtDVDVolume->selectAll();
    show();
    activateWindow();
}

void TEditDVDVolumeForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || !m_main)
        return;
    move(m_main->geometry().center() - rect().center());
    m_main->setEnabled(false);
    edtDVDVolume->setFocus();
}

void TEditDVDVolumeForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous() && m_main)
        m_main->setEnabled(true);
}

void TEditDVDVolumeForm::btnOKClick()
{
    const QString name = edtDVDVolume->text();
    // Taken as typed, blanks and all; only what would move the files elsewhere is refused.
    if (!DialogInputChecks::IsUsableVolumeName(name)) {
        MessageBox::Information(this, QStringLiteral("The DVD volume can not contain the character \"/\"."),
                                QStringLiteral("Incorrect DVD Volume"));
        edtDVDVolume->setFocus();
        return;
    }
    // Refused here, not found out at Start when no file can be made.
    QStringList outputNames;
    if (m_list) {
        for (const QModelIndex &entry : m_list->AllEntries())
            outputNames << m_list->Entry(entry)->OutputName;
    }
    const int fit = VolumeCharactersThatFit(name, outputNames, OutputExt());
    if (fit < name.size()) {
        MessageBox::Information(this,
                                QStringLiteral("The DVD volume is too long: the output file names would be longer "
                                               "than %1 bytes. Please shorten it to at most %2 characters.")
                                    .arg(kMaxFileNameBytes)
                                    .arg(fit),
                                QStringLiteral("Incorrect DVD Volume"));
        edtDVDVolume->setFocus();
        return;
    }
    DvdInfo.VolumeName = name;
    if (m_list)
        m_list->RefreshTexts();
    accept();
}
