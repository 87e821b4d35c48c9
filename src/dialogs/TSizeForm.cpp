#include "TSizeForm.h"

#include "DialogInputChecks.h"
#include "core/MessageBox.h"
#include "core/OwnedWindows.h"
#include "profiles/TValueListEditor.h"

#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {
constexpr int kWidth = 336;
constexpr int kHeight = 106;

QString VideoSizeKey()
{
    return QStringLiteral("Video Size");
}
} // namespace

TSizeForm::TSizeForm(QWidget *owner) : QDialog(nullptr), m_main(owner)
{
    // No parent: a child window would be disabled together with the main window.
    setWindowTitle(QStringLiteral("Video Size of output files"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Wide enough for the whole caption, which title bars cut otherwise.
    const int width = qMax(kWidth, OwnedWindows::CaptionWidth(this));
    setFixedSize(width, kHeight);

    Label1 = new QLabel(QStringLiteral("Width:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 23, 50, 16);
    edtWidth = new QLineEdit(this);
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtWidth->setGeometry(76, 20, 80, 22);
    Label2 = new QLabel(QStringLiteral("Height:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(178, 23, 52, 16);
    edtHeight = new QLineEdit(this);
    edtHeight->setObjectName(QStringLiteral("edtHeight"));
    edtHeight->setGeometry(232, 20, 80, 22);
    Label1->setBuddy(edtWidth);
    Label2->setBuddy(edtHeight);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(width - 186, kHeight - 40, 80, 26);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(width - 96, kHeight - 40, 80, 26);
    setTabOrder(edtWidth, edtHeight);
    setTabOrder(edtHeight, btnOK);
    setTabOrder(btnOK, btnCancel);

    connect(btnOK, &QPushButton::clicked, this, &TSizeForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSizeForm::ShowFor(TValueListEditor *grid)
{
    m_grid = grid;
    show();
    activateWindow();
}

void TSizeForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_main) {
        move(m_main->geometry().center() - rect().center());
        m_main->setEnabled(false);
    }
    edtWidth->setFocus();
}

void TSizeForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormClose();
}

void TSizeForm::btnOKClick()
{
    int width = 0, height = 0;
    if (!DialogInputChecks::ReadFrameSide(edtWidth->text(), width)) {
        MessageBox::Information(this, QStringLiteral("Please specify a proper width for output videos."),
                                QStringLiteral("Incorrect Width"));
        edtWidth->setFocus();
        return;
    }
    if (!DialogInputChecks::ReadFrameSide(edtHeight->text(), height)) {
        MessageBox::Information(this, QStringLiteral("Please specify a proper height for output videos."),
                                QStringLiteral("Incorrect Height"));
        edtHeight->setFocus();
        return;
    }
    // Written as plain numbers: the encoder reads this cell as its frame size.
    if (m_grid)
        m_grid->SetValue(VideoSizeKey(), DialogInputChecks::FrameSizeText(width, height));
    accept();
}

void TSizeForm::FormClose()
{
    if (m_grid && m_grid->Value(VideoSizeKey()) == u"Custom Size")
        m_grid->SetValue(VideoSizeKey(), QStringLiteral("Original Size"));
    if (m_main)
        m_main->setEnabled(true);
}
