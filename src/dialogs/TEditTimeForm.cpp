#include "TEditTimeForm.h"

#include "EmkRangeSlider.h"
#include "TmkRangeSlider.h"
#include "core/MessageBox.h"
#include "core/QuarnelApplication.h"
#include "core/SegmentTimes.h"
#include "core/TimeText.h"
#include "tasklist/TTaskListModel.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

namespace {

// Paints the dialog's pictures over the slider; it takes no mouse input of its own.
class SegmentOverlay : public QWidget
{
public:
    SegmentOverlay(const TEditTimeForm *form, QWidget *slider) : QWidget(slider), m_form(form)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(slider->rect());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        m_form->FormPaint(p);
    }

private:
    const TEditTimeForm *m_form;
};

const QColor kBandTop(0x8c, 0xc4, 0xf4);
const QColor kBandBottom(0x2f, 0x6f, 0xb8);
const QColor kKnob(0x2f, 0x40, 0x5e);

// A thumb picture whose edge at `pointSide` marks the position (right for the start thumb).
QPixmap ThumbPicture(bool pointRight)
{
    QPixmap pm(10, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 10, 0);
    g.setColorAt(0, pointRight ? kKnob.lighter(150) : kKnob);
    g.setColorAt(1, pointRight ? kKnob : kKnob.lighter(150));
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, 0.5, 9, 21), 2.5, 2.5);
    p.setPen(QPen(QColor(0x1c, 0x26, 0x38), 1));
    p.setBrush(g);
    p.drawPath(body);
    // The marking edge: a bright line where the selection begins or ends.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(pointRight ? 8 : 1, 3, 1, 16), kBandTop);
    p.setPen(QColor(255, 255, 255, 160));
    for (int y = 8; y <= 14; y += 3)
        p.drawLine(pointRight ? 3 : 4, y, pointRight ? 5 : 6, y);
    return pm;
}

QPixmap StepGlyph(bool forward)
{
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    QPolygonF arrow;
    if (forward) {
        arrow << QPointF(1, 1) << QPointF(8, 6) << QPointF(1, 11);
        p.drawRect(QRectF(9, 1, 2, 10));
    } else {
        arrow << QPointF(11, 1) << QPointF(4, 6) << QPointF(11, 11);
        p.drawRect(QRectF(1, 1, 2, 10));
    }
    p.drawPolygon(arrow);
    return pm;
}

} // namespace

TEditTimeForm::TEditTimeForm(QWidget *owner, TTaskListModel *list, QAbstractItemView *view)
    : QDialog(nullptr)
    , m_main(owner)
    , m_list(list)
    , m_view(view)
{
    // No parent: a child window would be disabled together with the main window.
    setWindowTitle(QStringLiteral("Edit the Start & End Time"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    BuildPictures();

    Label2 = new QLabel(QStringLiteral("Use the Slide Bar or Edit Boxes to change the Start and End Time."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(14, 10, 428, 18);

    constexpr int sliderLeft = 42;
    constexpr int sliderTop = 52;
    panTop = new QWidget(this);
    panTop->setObjectName(QStringLiteral("panTop"));
    panTop->setGeometry(sliderLeft, 34, 371, 16);
    labStartTime = new QLabel(panTop);
    labStartTime->setObjectName(QStringLiteral("labStartTime"));
    labStartTime->setText(QStringLiteral("Start Time"));
    labStartTime->setGeometry(0, 0, 180, 16);
    labEndTime = new QLabel(panTop);
    labEndTime->setObjectName(QStringLiteral("labEndTime"));
    labEndTime->setText(QStringLiteral("End Time"));
    labEndTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labEndTime->setGeometry(191, 0, 180, 16);

    auto stepButton = [this](const char *name, bool forward, int x) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(StepGlyph(forward));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(x, sliderTop + 1, 20, 20);
        return b;
    };
    sbtnStartTime = stepButton("sbtnStartTime", false, 18);
    sbtnStartTime->setToolTip(QStringLiteral("Start one second earlier"));
    sbtnEndTime = stepButton("sbtnEndTime", true, sliderLeft + 371 + 5);
    sbtnEndTime->setToolTip(QStringLiteral("End one second later"));

    tkbTime = new TmkRangeSlider(this);
    tkbTime->setObjectName(QStringLiteral("tkbTime"));
    tkbTime->setGeometry(sliderLeft, sliderTop, 371, 32);
    tkbTime->SetFrequency(100000);
    tkbTime->setMinimumSize(50, 10);
    m_overlay = new SegmentOverlay(this, tkbTime);

    constexpr int rowTop = 100;
    labStart = new QLabel(QStringLiteral("Start:"), this);
    labStart->setObjectName(QStringLiteral("labStart"));
    labStart->setGeometry(18, rowTop + 3, 36, 16);
    edtStartTime = new QLineEdit(this);
    edtStartTime->setObjectName(QStringLiteral("edtStartTime"));
    edtStartTime->setGeometry(56, rowTop, 88, 22);
    Label1 = new QLabel(QStringLiteral("End:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(160, rowTop + 3, 30, 16);
    edtEndTime = new QLineEdit(this);
    edtEndTime->setObjectName(QStringLiteral("edtEndTime"));
    edtEndTime->setGeometry(192, rowTop, 88, 22);
    labLength = new QLabel(QStringLiteral("Length:"), this);
    labLength->setObjectName(QStringLiteral("labLength"));
    labLength->setGeometry(298, rowTop + 3, 146, 16);
    edtStartTime->installEventFilter(this);
    edtEndTime->installEventFilter(this);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(ClientWidth - 186, ClientHeight - 38, 80, 26);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(ClientWidth - 96, ClientHeight - 38, 80, 26);

    setTabOrder(tkbTime, edtStartTime);
    setTabOrder(edtStartTime, edtEndTime);
    setTabOrder(edtEndTime, btnOK);
    setTabOrder(btnOK, btnCancel);

    tmrRefresh = new QTimer(this);
    tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
    tmrRefresh->setInterval(1);
    tmrRefresh->setSingleShot(true);

    connect(tmrRefresh, &QTimer::timeout, this, &TEditTimeForm::tmrRefreshTimer);
    connect(btnOK, &QPushButton::clicked, this, &TEditTimeForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(sbtnStartTime, &QToolButton::clicked, this, &TEditTimeForm::sbtnStartTimeClick);
    connect(sbtnEndTime, &QToolButton::clicked, this, &TEditTimeForm::sbtnEndTimeClick);
    connect(tkbTime, &TmkRangeSlider::OnMinChange, this, &TEditTimeForm::tkbTimeChange);
    connect(tkbTime, &TmkRangeSlider::OnMaxChange, this, &TEditTimeForm::tkbTimeChange);
    connect(tkbTime, &TmkRangeSlider::OnMinPosChange, this, &TEditTimeForm::tkbTimeChange);
    connect(tkbTime, &TmkRangeSlider::OnMaxPosChange, this, &TEditTimeForm::tkbTimeChange);
}

void TEditTimeForm::BuildPictures()
{
    Image1 = QPixmap(16, 8);
    {
        QPainter p(&Image1);
        QLinearGradient g(0, 0, 0, 8);
        g.setColorAt(0, kBandTop);
        g.setColorAt(1, kBandBottom);
        p.fillRect(Image1.rect(), g);
    }
    Image2 = ThumbPicture(true);
    Image3 = ThumbPicture(false);
}

TTaskNodeData *TEditTimeForm::FocusedEntry() const
{
    return m_list && m_view ? m_list->Entry(m_view->currentIndex()) : nullptr;
}

void TEditTimeForm::sbtnSegmentClick()
{
    const TTaskNodeData *entry = FocusedEntry();
    if (!entry) {
        MessageBox::Information(m_main, QStringLiteral("Please select a Title/Chapter firstly."),
                                QStringLiteral("No Title/Chapter selected"));
        return;
    }
    if (entry->OrigEnd == entry->OrigStart) {
        MessageBox::Information(m_main, QStringLiteral("The Start Time is equal to the End Time."),
                                QStringLiteral("Time can not be edited"));
        return;
    }
    try {
        LoadSliderFromEntry(*entry);
    } catch (const EmkRangeSlider &e) {
        // An entry under a second long: the slider refuses its range and the dialog stays shut.
        ShowSliderError(e.text());
        return;
    }
    show();
    activateWindow();
}

void TEditTimeForm::ShowSliderError(const QString &text)
{
    // The same report as for any error no handler catches; caught here because an exception
    // must not travel back through Qt's signal code.
    QuarnelApplication::ShowException(text);
}

void TEditTimeForm::LoadSliderFromEntry(const TTaskNodeData &entry)
{
    const SegmentTimes::SliderValues v = SegmentTimes::SliderValuesOf(entry);
    // Min 0 first, so that a range lying wholly below the previous entry's Min can be set.
    tkbTime->SetMin(0);
    tkbTime->SetMax(v.Max);
    tkbTime->SetMin(v.Min);
    tkbTime->SetMinPosition(v.MinPosition);
    tkbTime->SetMaxPosition(v.MaxPosition);
}

void TEditTimeForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar keeps what the user has set.
    if (!event->spontaneous())
        FormShow();
}

void TEditTimeForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormClose();
}

void TEditTimeForm::FormShow()
{
    if (m_main) {
        move(m_main->geometry().center() - rect().center());
        m_main->setEnabled(false);
    }
    m_editDrivenChange = false;
    if (const TTaskNodeData *entry = FocusedEntry()) {
        // Second pass: the first may have clamped MinPosition against the thumbs the previous
        // entry left behind; now every value can be set as it is.
        const SegmentTimes::SliderValues v = SegmentTimes::SliderValuesOf(*entry);
        try {
            tkbTime->SetMax(v.Max);
            tkbTime->SetMin(v.Min);
            tkbTime->SetMinPosition(v.MinPosition);
            tkbTime->SetMaxPosition(v.MaxPosition);
        } catch (const EmkRangeSlider &e) {
            ShowSliderError(e.text());
            QTimer::singleShot(0, this, &QDialog::reject);
        }
        labStartTime->setText(entry->OrigStartText);
        labEndTime->setText(entry->OrigEndText);
    }
    tkbTime->setFocus();
    tmrRefresh->start();
}

void TEditTimeForm::FormClose()
{
    tmrRefresh->stop();
    if (m_main)
        m_main->setEnabled(true);
}

void TEditTimeForm::tmrRefreshTimer()
{
    tmrRefresh->stop();
    update();
    m_overlay->update();
}

void TEditTimeForm::tkbTimeChange()
{
    RefreshTimeEdits();
    m_overlay->update();
}

void TEditTimeForm::RefreshTimeEdits()
{
    if (m_editDrivenChange) {
        m_editDrivenChange = false;
        return;
    }
    edtStartTime->setText(SecondsToTimeText(tkbTime->MinPosition()));
    edtEndTime->setText(SecondsToTimeText(tkbTime->MaxPosition()));
    labLength->setText(SegmentTimes::LengthText(tkbTime->MinPosition(), tkbTime->MaxPosition()));
}

bool TEditTimeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        if (watched == edtStartTime)
            edtStartTimeKeyUp();
        else if (watched == edtEndTime)
            edtEndTimeKeyUp();
    }
    return QDialog::eventFilter(watched, event);
}

void TEditTimeForm::edtStartTimeKeyUp()
{
    int v = 0;
    if (!SegmentTimes::IsValidStartText(edtStartTime->text(), tkbTime->Min(), tkbTime->MaxPosition(), v)) {
        labLength->setText(SegmentTimes::InvalidStartNotice());
        return;
    }
    // The text being typed stays as it is; a value equal to the thumb moves nothing, and the
    // flag must not outlive this keystroke either way.
    m_editDrivenChange = true;
    tkbTime->SetMinPosition(v);
    m_editDrivenChange = false;
    m_overlay->update();
    labLength->setText(SegmentTimes::LengthText(tkbTime->MinPosition(), tkbTime->MaxPosition()));
}

void TEditTimeForm::edtEndTimeKeyUp()
{
    int v = 0;
    if (!SegmentTimes::IsValidEndText(edtEndTime->text(), tkbTime->MinPosition(), tkbTime->Max(), v)) {
        labLength->setText(SegmentTimes::InvalidEndNotice());
        return;
    }
    m_editDrivenChange = true;
    tkbTime->SetMaxPosition(v);
    m_editDrivenChange = false;
    m_overlay->update();
    labLength->setText(SegmentTimes::LengthText(tkbTime->MinPosition(), tkbTime->MaxPosition()));
}

void TEditTimeForm::sbtnStartTimeClick()
{
    if (tkbTime->MinPosition() > tkbTime->Min())
        tkbTime->SetMinPosition(tkbTime->MinPosition() - 1);
}

void TEditTimeForm::sbtnEndTimeClick()
{
    if (tkbTime->MaxPosition() < tkbTime->Max())
        tkbTime->SetMaxPosition(tkbTime->MaxPosition() + 1);
}

void TEditTimeForm::btnOKClick()
{
    const QString startText = edtStartTime->text();
    const QString endText = edtEndTime->text();
    // A text that is no time would reach the encoder as -1 seconds: OK refuses it and says
    // which box is wrong, as typing does.
    switch (SegmentTimes::CheckOkTexts(startText, endText, tkbTime->MinPosition(), tkbTime->MaxPosition())) {
    case SegmentTimes::OkRefusal::Start:
        labLength->setText(SegmentTimes::InvalidStartNotice());
        edtStartTime->setFocus();
        edtStartTime->selectAll();
        return;
    case SegmentTimes::OkRefusal::End:
        labLength->setText(SegmentTimes::InvalidEndNotice());
        edtEndTime->setFocus();
        edtEndTime->selectAll();
        return;
    case SegmentTimes::OkRefusal::None:
        break;
    }
    if (m_list && m_view) {
        const QModelIndex focused = m_view->currentIndex();
        if (TTaskNodeData *entry = m_list->Entry(focused)) {
            SegmentTimes::StoreTimes(*entry, startText, endText);
            m_list->EntryChanged(focused);
        }
    }
    accept();
}

void TEditTimeForm::FormPaint(QPainter &painter) const
{
    // In the slider's pixels: the ruler starts one thumb width plus 3 in.
    const QRect ruler = tkbTime->RulerRect();
    const int origin = ruler.left();
    const int top = ruler.top() + 1; // 7 for the standard thumbs
    const int from = tkbTime->P(tkbTime->MinPosition());
    const int to = tkbTime->P(tkbTime->MaxPosition());
    painter.fillRect(QRect(origin, top, tkbTime->width() - 2 * origin, 8), Qt::white);
    if (to > from)
        painter.drawPixmap(QRect(origin + from, top, to - from, 8), Image1);
    const int thumbTop = top - 5; // 2: the slider's own thumbs lie there
    painter.drawPixmap(QRect(origin + from - Image2.width(), thumbTop, Image2.width(), Image2.height()), Image2);
    painter.drawPixmap(QRect(origin + to, thumbTop, Image3.width(), Image3.height()), Image3);
}
