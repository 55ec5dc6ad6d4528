#include "frmOptions.h"

#include "RateText.h"
#include "chrome/Centering.h"
#include "chrome/MsgBox.h"
#include "chrome/PanelLabel.h"
#include "chrome/Pictures.h"
#include "chrome/WindowDragger.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

namespace {

// While a press that moved the focus is still held, the rate check waits; this often it
// looks again.
constexpr int kPressPollMs = 20;

} // namespace

frmOptions::frmOptions(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(385, 226);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = loadPicture(QStringLiteral("options_background.png"));

    // Created in tab order, so the focus chain needs no reordering.
    Check1 = new QCheckBox(QStringLiteral("Auto Refresh"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(32, 80, 145, 33);
    Check1->setChecked(true);
    paintOnPanel(*Check1);

    Text1 = new QLineEdit(QStringLiteral("600"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(136, 112, 89, 25);

    cmdApply = new GraphicalButton(QStringLiteral("&Apply"), QColor(0xC0, 0xC0, 0xFF), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setGeometry(168, 176, 105, 33);

    cmdClose = new GraphicalButton(QStringLiteral("&Close"), QColor(0xFF, 0xC0, 0xC0), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(280, 176, 89, 33);

    Label1 = panelLabel(QStringLiteral("Refresh Rate:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(48, 120, 81, 33);
    Label1->setBuddy(Text1); // names the rate box for screen readers

    Label2 = panelLabel(QStringLiteral("milli seconds"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(232, 120, 81, 33);

    CrossBtn = new PictureBox(this);
    CrossBtn->setObjectName(QStringLiteral("CrossBtn"));
    CrossBtn->setGeometry(360, 8, 15, 15);
    CrossBtn->setPicture(loadPicture(QStringLiteral("form_cross.png")));
    CrossBtn->setAccessibleName(QStringLiteral("Close"));

    Timer1 = new FormTimer(true, 0, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    new WindowDragger(*this, *Timer1);

    connect(Check1, &QCheckBox::toggled, this, &frmOptions::Check1_Click);
    connect(Check1, &QCheckBox::pressed, this, &frmOptions::Check1_Pressed);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmOptions::Close);
    connect(CrossBtn, &PictureBox::Click, this, &frmOptions::Close);
    Text1->installEventFilter(this);
}

void frmOptions::Open(FormTimer& refreshTimer) {
    refreshTimer_ = &refreshTimer;
    Check1->setChecked(refreshTimer.Enabled());
    // Placed once; later openings find the dialog where it was last hidden.
    if (!placed_) {
        centerOnScreen(*this);
        placed_ = true;
    }
    exec();
}

void frmOptions::Check1_Click() {
    const bool enabled = Check1->isChecked();
    Label1->setEnabled(enabled);
    Text1->setEnabled(enabled);
    Label2->setEnabled(enabled);
}

// The press that took the focus from the rate comes here before it can switch the box,
// which would switch the rate off: the rate is checked first. A message takes the focus
// back to the rate, which lets the box go up again, so the click changes nothing.
void frmOptions::Check1_Pressed() {
    if (!rateCheckPending_)
        return;
    rateCheckPending_ = false;
    if (!RateText::acceptedRate(Text1->text()))
        showRateMessage();
}

// The rate is checked here as well: an enabled timer with an interval of 0 or out of range
// would never refresh, while the dialog closed as if all were well.
void frmOptions::cmdApply_Click() {
    rateCheckPending_ = false; // the message, if any, is shown here and only once
    const bool autoRefresh = Check1->isChecked();
    const std::optional<int> rate = RateText::acceptedRate(Text1->text());
    if (autoRefresh && !rate) {
        showRateMessage();
        return;
    }
    if (refreshTimer_) {
        if (rate)
            refreshTimer_->setInterval(*rate);
        refreshTimer_->setEnabled(autoRefresh);
    }
    hide();
}

void frmOptions::Close() {
    rateCheckPending_ = false;
    hide();
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this dialog counts. A message box or another
        // window becoming active, or the dialog hiding, also takes the focus away; checking
        // then would let each message box bring up the next one.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const QWidget* next = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            isVisible() && next && next != Text1 && isAncestorOf(next))
            checkRateLater();
    }
    return QDialog::eventFilter(watched, event);
}

// The check never runs inside the focus change itself: a message box there would swallow
// the release of the press that moved the focus and leave a button stuck down.
void frmOptions::checkRateLater() {
    rateCheckPending_ = true;
    QTimer::singleShot(0, this, &frmOptions::runPendingRateCheck);
}

void frmOptions::runPendingRateCheck() {
    if (!rateCheckPending_)
        return;
    if (!isVisible()) {
        rateCheckPending_ = false;
        return;
    }
    // A click on "Apply" or "Close" that took the focus finishes first: Close always
    // leaves, and Apply shows the message itself.
    if (pressInProgress()) {
        QTimer::singleShot(kPressPollMs, this, &frmOptions::runPendingRateCheck);
        return;
    }
    rateCheckPending_ = false;
    // Switched off meanwhile, the rate no longer matters, and the focus could not go back.
    if (!Text1->isEnabled())
        return;
    if (!RateText::acceptedRate(Text1->text()))
        showRateMessage();
}

bool frmOptions::pressInProgress() const {
    return QGuiApplication::mouseButtons() != Qt::NoButton || cmdApply->isDown() ||
           cmdClose->isDown();
}

void frmOptions::showRateMessage() {
    MsgBox(QStringLiteral("Please enter a valid numeric number in the range {10 to 10,000}"),
           vbOKOnly | vbInformation, QStringLiteral("Invalid Input"));
    Text1->setFocus(Qt::OtherFocusReason);
}

// The dialog has no cancel button, so Escape does not close it.
void frmOptions::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmOptions::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kPanelColour);
    painter.drawPixmap(0, 0, background_);
}
