#include "frmRun.h"

#include "PasteGuard.h"
#include "RunCommand.h"
#include "SelectionKeeper.h"
#include "app/basDeclares.h"
#include "chrome/Centering.h"
#include "chrome/MsgBox.h"
#include "chrome/PanelLabel.h"
#include "chrome/Pictures.h"
#include "chrome/WindowDragger.h"

#include <QDebug>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

QString helpText() {
    return QStringLiteral("You can type the program name or control pannel options as follow.\r\n"
                          "\"ACCESSIBILITY\" or \"ACCESSIBILITY OPTIONS\"\r\n"
                          "\"ADD OR REMOVE\" or \"APPLICATION WIZARD\"\r\n"
                          "\"DISPLAY PROPERTIES\" or \"DESKTOP PROPERTIES\"\r\n"
                          "\"ADD HARDWARE WIZARD\" or \"ADD HARDWARE\" or \"ADD NEW HARDWARE\"\r\n"
                          "\"INTERNET PROPERTIES\" or \"IE PROPERTIES\"\r\n"
                          "\"REGIONAL AND LANGUAGE OPTIONS\" or \"REGIONAL AND LANGUAGE\"\r\n"
                          "\"GAME CONTROLLER\" or \"JOYSTICK\"\r\n"
                          "\"MOSUE\" or \"MOSUE PROPERTIES\"\r\n"
                          "\"SOUND PROPERTIES\" or \"AUDIO PROPERTIES\"\r\n"
                          "\"NETWORK PROPERTIES\"\r\n"
                          "\"SYSTEM PROPERTIES\" or \"HOME PROPERTIES\"\r\n"
                          "\"DATE AND TIME PROPERTIES\" or \"DATE AND TIME\"");
}

bool textFits(const QLabel& label) {
    if (label.wordWrap())
        return label.heightForWidth(label.width()) <= label.height();
    const QFontMetrics metrics = label.fontMetrics();
    return metrics.boundingRect(label.text()).width() <= label.width() &&
           metrics.height() <= label.height();
}

// The boxes are sized for the small Windows font; where the default font is larger the
// text would be cut, so the label takes the largest smaller font in which it fits.
void fitTextToBox(QLabel& label) {
    constexpr int kSmallestPixelSize = 8;
    QFont font = label.font();
    int pixelSize = QFontInfo(font).pixelSize();
    while (!textFits(label) && pixelSize > kSmallestPixelSize) {
        font.setPixelSize(--pixelSize);
        label.setFont(font);
    }
}

// The failure message shows the typed text up to this many characters and line breaks,
// so a long text leaves a box that fits on the screen with its button.
constexpr qsizetype kShownCharacters = 300;
constexpr int kShownLineBreaks = 10;

// Whether a line break starts at this character; CR LF is one break, starting at the CR.
bool breaksLine(QStringView text, qsizetype at) {
    const QChar c = text[at];
    return c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
           (c == u'\n' && (at == 0 || text[at - 1] != u'\r'));
}

// The text as the failure message shows it: whole when short, else cut between two
// characters and followed by an ellipsis.
QString shownInMessage(const QString& typed) {
    qsizetype end = std::min(typed.size(), kShownCharacters);
    int breaks = 0;
    for (qsizetype at = 0; at < end; ++at)
        if (breaksLine(typed, at) && ++breaks == kShownLineBreaks)
            end = at;
    if (end == typed.size())
        return typed;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme,
                                   typed.left(std::min(typed.size(), end + kShownCharacters)));
    characters.setPosition(end);
    if (!characters.isAtBoundary())
        end = std::max<qsizetype>(characters.toPreviousBoundary(), 0);
    return typed.left(end) + QChar(0x2026);
}

constexpr int kLongestCommandLine = 32767;

// Enter on the main keyboard and on the keypad are one key, VK_RETURN, to the user.
bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

frmRun::frmRun(QWidget* parent) : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmRun"));
    setWindowTitle(QStringLiteral("Run a Task"));
    setWindowIcon(QIcon(loadPicture(QStringLiteral("run_icon.png"))));
    setFixedSize(385, 227);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = loadPicture(QStringLiteral("run_background.png"));

    txtRun = new QLineEdit(QStringLiteral("notepad"), this);
    txtRun->setObjectName(QStringLiteral("txtRun"));
    txtRun->setGeometry(64, 152, 305, 21);
    // The box holds the longest command line Windows starts.
    txtRun->setMaxLength(kLongestCommandLine);
    new PasteGuard(*txtRun,
                   QStringLiteral("Too long to paste: a command line holds at most %1 characters.")
                       .arg(QLocale(QLocale::English).toString(kLongestCommandLine)));
    // It keeps its text, selection and cursor as the user left them from one opening of the
    // dialog to the next.
    new SelectionKeeper(*txtRun);
    txtRun->installEventFilter(this);

    cmdRun = new GraphicalButton(QStringLiteral("&Run"), QColor(0xC0, 0xFF, 0xC0), this);
    cmdRun->setObjectName(QStringLiteral("cmdRun"));
    cmdRun->setGeometry(152, 184, 105, 33);

    cmdCancel = new GraphicalButton(QStringLiteral("&Cancel"), QColor(0xFF, 0xC0, 0xC0), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(264, 184, 105, 33);

    Label1 = panelLabel(
        QStringLiteral("Type the name of a program or a control pannel page name like \"mouse\", "
                       "\"ADD OR REMOVE\", \"ACCESSIBILITY\", or \"SYSTEM PROPERTIES\" etc. and "
                       "the command should be run for you."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 88, 361, 49);

    CrossBtn = new PictureBox(this);
    CrossBtn->setObjectName(QStringLiteral("CrossBtn"));
    CrossBtn->setGeometry(360, 8, 15, 15);
    CrossBtn->setPicture(loadPicture(QStringLiteral("form_cross.png")));

    About = new PictureBox(this);
    About->setObjectName(QStringLiteral("About"));
    About->setGeometry(344, 8, 15, 15);
    About->setPicture(loadPicture(QStringLiteral("form_about.png")));
    CrossBtn->setAccessibleName(QStringLiteral("Close"));
    About->setAccessibleName(QStringLiteral("Help"));

    Label2 = panelLabel(QStringLiteral("Program:"), this);
    Label2->setWordWrap(false); // one word: it must fit on its line
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(16, 152, 49, 25);
    Label2->setBuddy(txtRun); // names the text box for screen readers

    // Labels are drawn on the form itself, under every other control.
    for (QLabel* label : {Label1, Label2}) {
        fitTextToBox(*label);
        label->lower();
    }

    Timer1 = new FormTimer(true, 0, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    new WindowDragger(*this, *Timer1);

    // Neither button answers Enter or Escape on the dialog's behalf.
    for (QPushButton* button : {cmdRun, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(txtRun, cmdRun);
    setTabOrder(cmdRun, cmdCancel);
    txtRun->setFocus();

    connect(cmdRun, &QPushButton::clicked, this, &frmRun::cmdRun_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(CrossBtn, &PictureBox::Click, this, &QWidget::hide);
    connect(About, &PictureBox::Click, this, &frmRun::About_Click);

    // Centred on the screen the first time; from then on it stays where it was left.
    centerOnScreen(*this);
}

frmRun::~frmRun() = default;

void frmRun::Load() {
    txtRun->setSelection(0, static_cast<int>(txtRun->text().size()));
}

void frmRun::Run(QString strCommand) {
    bool started = false;
    try {
        const RunCommand command = RunCommand::resolve(strCommand);
        started = basDeclares::StartCommandLine(command.commandLine.toLocal8Bit().toStdString(),
                                                command.windowStyle);
    } catch (const std::exception& error) {
        qWarning() << "Run: nothing was started:" << error.what();
        started = false;
    }
    if (!started)
        MsgBox(QStringLiteral("Can't Run Application") + shownInMessage(strCommand), vbOKOnly);
}

void frmRun::cmdRun_Click() {
    Run(txtRun->text());
    emit Ran();
    hide();
}

void frmRun::About_Click() {
    MsgBox(helpText(), vbOKOnly, QStringLiteral("Run a task"));
}

void frmRun::txtRun_KeyUp(int keyCode) {
    if (isEnter(keyCode))
        cmdRun->setFocus(Qt::OtherFocusReason);
}

void frmRun::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.drawPixmap(0, 0, background_);
}

void frmRun::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        return; // no cancel button: Escape closes nothing
    QWidget::keyPressEvent(event);
}

bool frmRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtRun && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A held key repeats releases too; only the real one counts.
        if (!key->isAutoRepeat())
            txtRun_KeyUp(key->key());
    }
    return QDialog::eventFilter(watched, event);
}
