#include "frmMain.h"

#include "CloseRequestFilter.h"
#include "about/frmAbout.h"
#include "about/frmAboutProgrammer.h"
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "app/RuntimeError.h"
#include "app/basDeclares.h"
#include "chrome/Accessibility.h"
#include "chrome/MsgBox.h"
#include "chrome/PictureSwap.h"
#include "chrome/Pictures.h"
#include "chrome/WindowDragger.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

#include <QCloseEvent>
#include <QDebug>
#include <QLoggingCategory>
#include <QOperatingSystemVersion>
#include <QPainter>
#include <charconv>
#include <optional>

namespace {

Q_LOGGING_CATEGORY(lcRefresh, "korvanta.refresh", QtInfoMsg)

const QColor kFormColour(0xC0, 0xC0, 0xFF);

constexpr char kMakersWebPage[] = "https://www.korvanta.example/";

// Runs one statement of the refresh; a statement that fails is skipped, as the refresh
// never reports an error. What it skips is logged at debug level
// (QT_LOGGING_RULES=korvanta.refresh.debug=true).
template <typename Statement> void skipOnError(Statement&& statement) {
    try {
        statement();
    } catch (const std::exception& error) {
        qCDebug(lcRefresh) << "Refresh: a step was skipped:" << error.what();
    }
}

// The list shows a text up to its first NUL; taking only that part spares the copy of
// the whole 260-character name buffer.
QStringView widened(std::u16string_view text) {
    const std::size_t nul = text.find(u'\0');
    return QStringView(
        text.data(), static_cast<qsizetype>(nul == std::u16string_view::npos ? text.size() : nul));
}

// A number's text, short enough to need no memory of its own: the list keeps the string it
// has when a cell reads the same as before, as most do at every refresh.
std::u16string decimal(std::int32_t value) {
    char text[12];
    const char* const end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::u16string(static_cast<const char*>(text), end); // a character a digit
}

} // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvanta Task List"));
    setWindowIcon(QIcon(loadPicture(QStringLiteral("main_icon.png"))));
    setFixedSize(529, 518);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = loadPicture(QStringLiteral("main_background.png"));

    lstProcess = new ProcessListView(this);
    lstProcess->setObjectName(QStringLiteral("lstProcess"));
    lstProcess->setGeometry(8, 152, 513, 350);

    cmdRun = new GraphicalButton(QStringLiteral("&Run a task"), QColor(0xFF, 0xE0, 0xC0), this);
    cmdRun->setObjectName(QStringLiteral("cmdRun"));
    cmdRun->setGeometry(8, 96, 97, 49);
    cmdRun->setPicture(loadPicture(QStringLiteral("run_button.png")));

    cmdKillProcess =
        new GraphicalButton(QStringLiteral("&Kill process"), QColor(0xFF, 0xC0, 0xC0), this);
    cmdKillProcess->setObjectName(QStringLiteral("cmdKillProcess"));
    cmdKillProcess->setGeometry(112, 96, 97, 49);

    cmdOptions = new GraphicalButton(QStringLiteral("&Options"), QColor(0xC0, 0xFF, 0xC0), this);
    cmdOptions->setObjectName(QStringLiteral("cmdOptions"));
    cmdOptions->setGeometry(216, 96, 97, 49);

    cmdStart = new GraphicalButton(QStringLiteral("&Start"), QColor(0xC0, 0xC0, 0xFF), this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setGeometry(320, 96, 97, 49);

    cmdExit = new GraphicalButton(QStringLiteral("&Exit"), QColor(0xFF, 0xC0, 0xC0), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(424, 96, 97, 49);

    // A flag the refresh reads; it lies below the window's edge, where nobody sees it.
    optYes = new QRadioButton(QStringLiteral("Option1"), this);
    optYes->setObjectName(QStringLiteral("optYes"));
    optYes->setGeometry(528, 608, 73, 33);
    optYes->setFocusPolicy(Qt::NoFocus);
    Accessibility::hideFromScreenReaders(*optYes);
    optYes->setChecked(true);

    MinBtn = new PictureBox(this);
    MinBtn->setObjectName(QStringLiteral("MinBtn"));
    MinBtn->setGeometry(488, 8, 15, 15);
    MinBtn->setPicture(loadPicture(QStringLiteral("form_min.png")));

    About = new PictureBox(this);
    About->setObjectName(QStringLiteral("About"));
    About->setGeometry(472, 8, 15, 15);
    About->setPicture(loadPicture(QStringLiteral("form_about.png")));

    CrossBtn = new PictureBox(this);
    CrossBtn->setObjectName(QStringLiteral("CrossBtn"));
    CrossBtn->setGeometry(504, 8, 15, 15);
    CrossBtn->setPicture(loadPicture(QStringLiteral("form_cross.png")));

    Timer1 = new FormTimer(true, 0, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new FormTimer(false, 600, this);
    Timer2->setObjectName(QStringLiteral("Timer2"));

    for (int position = 1; position <= 6; ++position)
        CrossL.Add(loadPicture(QStringLiteral("crossl_%1.png").arg(position)));
    new PictureSwap(*CrossBtn, CrossL, 1, 2);
    new PictureSwap(*About, CrossL, 3, 4);
    new PictureSwap(*MinBtn, CrossL, 5, 6);
    new WindowDragger(*this, *Timer1);

    QWidget* const tabOrder[] = {lstProcess, cmdRun, cmdKillProcess, cmdOptions, cmdStart,
                                 cmdExit,    optYes, MinBtn,         About,      CrossBtn};
    for (std::size_t k = 1; k < std::size(tabOrder); ++k)
        setTabOrder(tabOrder[k - 1], tabOrder[k]);
    lstProcess->setFocus();

    lstProcess->setAccessibleName(QStringLiteral("Processes"));
    MinBtn->setAccessibleName(QStringLiteral("Minimise"));
    About->setAccessibleName(QStringLiteral("About"));
    CrossBtn->setAccessibleName(QStringLiteral("Close"));
    // On Windows a frameless window comes back from the taskbar only with this hint;
    // elsewhere the hint would bring back the system frame.
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        setWindowFlag(Qt::WindowMinimizeButtonHint);

    connect(Timer2, &FormTimer::Timer, this, &frmMain::Timer2_Timer);
    connect(cmdRun, &QPushButton::clicked, this, &frmMain::cmdRun_Click);
    connect(cmdKillProcess, &QPushButton::clicked, this, &frmMain::cmdKillProcess_Click);
    connect(cmdOptions, &QPushButton::clicked, this, [this] { Forms::Options().Open(*Timer2); });
    connect(cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::Shutdown);
    connect(CrossBtn, &PictureBox::Click, this, &frmMain::Shutdown);
    connect(MinBtn, &PictureBox::Click, this, &frmMain::MinBtn_Click);
    connect(About, &PictureBox::Click, this, &frmMain::About_Click);
    connect(new CloseRequestFilter(*this), &CloseRequestFilter::closeRequested, this,
            &frmMain::Shutdown);
}

frmMain::~frmMain() = default;

void frmMain::Load() {
    objProcess = std::make_unique<clsActiveProcess>();
    optYes->setChecked(true);
    cmdRefresh();
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kFormColour);
    painter.drawPixmap(0, 0, background_);
}

void frmMain::fillRows() {
    ProcessListModel& items = lstProcess->ListItems();
    if (!objProcess)
        throw RuntimeError(RuntimeError::ObjectVariableNotSet);
    const std::int32_t last = lngProcessCount;
    if (last > INT16_MAX || last < INT16_MIN)
        throw RuntimeError(RuntimeError::Overflow);
    int current = 0;
    for (std::int32_t index = 0; index <= last; ++index) {
        intIndex = static_cast<std::int16_t>(index);
        if (!optYes->isChecked())
            continue;
        skipOnError([&] {
            const std::int32_t processId = objProcess->th32ProcessID(intIndex);
            current = items.Add(decimal(processId));
            items.setIdentity(current, {processId, objProcess->snapshotTime()});
        });
        skipOnError([&] { items.AddSubItem(current, widened(objProcess->szExeFile(intIndex))); });
        skipOnError([&] { items.AddSubItem(current, decimal(objProcess->cntThreads(intIndex))); });
        skipOnError([&] { items.AddSubItem(current, decimal(objProcess->cntUsage(intIndex))); });
    }
}

void frmMain::cmdRefresh() {
    listBehind_ = false;
    ProcessListModel& items = lstProcess->ListItems();
    const int selected = lstProcess->SelectedItem();
    const std::optional<ProcessIdentity> chosen =
        selected > 0 ? std::optional(items.Identity(selected)) : std::nullopt;

    items.beginUpdate();
    skipOnError([&] { items.Clear(); });
    skipOnError([&] {
        if (!objProcess)
            throw RuntimeError(RuntimeError::ObjectVariableNotSet);
        try {
            lngProcessCount = objProcess->GetActiveProcess();
        } catch (const RuntimeError& error) {
            // Past 32,767 processes the first 32,767 of the new snapshot are stored; show
            // those rather than mix them with the count of an older snapshot.
            if (error.number() != RuntimeError::Overflow)
                throw;
            lngProcessCount = INT16_MAX;
        }
    });
    skipOnError([&] { fillRows(); });
    skipOnError([&] {
        if (optYes->isChecked())
            items.Remove(1);
    });
    // The list is told only what changed, so the selection and the scroll position stay
    // with the rows whose processes stay.
    items.endUpdate();
    const bool kept = chosen && keepsChosenProcess(*chosen);
    // Keyboard navigation goes on from the user's row, or starts at the row shown first
    // (row 1 in the system's order); the program never selects a row itself: what Kill
    // ends is always a row the user chose.
    skipOnError([&] {
        lstProcess->setCurrentItem(kept ? lstProcess->SelectedItem()
                                        : lstProcess->FirstItemShown());
    });
}

// While nobody can see the list, a tick reads nothing: the list is brought up to date the
// moment the window is shown again, before anyone can act on it.
void frmMain::Timer2_Timer() {
    if (isVisible() && !isMinimized())
        cmdRefresh();
    else
        listBehind_ = true;
}

// Also when the window comes back from being minimised, whether the window system says
// first that it is shown or that it is no longer minimised.
void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (listBehind_)
        cmdRefresh();
}

// The selection has followed its row, which is kept by process id. It stays while that
// id still names the process the user chose; once the process has ended, or its id has
// gone to a newer process, no row is selected.
bool frmMain::keepsChosenProcess(const ProcessIdentity& chosen) {
    const int position = lstProcess->SelectedItem();
    if (position == 0)
        return false; // its row went with its process
    bool same = false;
    skipOnError([&] {
        same = lstProcess->ListItems().Identity(position).processId == chosen.processId &&
               chosen.Open(basDeclares::PROCESS_QUERY_LIMITED_INFORMATION);
    });
    if (!same)
        lstProcess->clearSelectedItem();
    return same;
}

// The shared dialog, modal and without an owner: the main window waits until it hides.
void frmMain::cmdRun_Click() {
    Forms::Run().exec();
}

void frmMain::cmdKillProcess_Click() {
    const int selected = lstProcess->SelectedItem();
    if (selected == 0)
        return;
    ProcessListModel& items = lstProcess->ListItems();
    bool denied = false;
    try {
        // The row may be hours old and its id given to another process since: only the
        // very process the row was made from is ended.
        const ProcessIdentity::Opening opening =
            items.Identity(selected).TryOpen(basDeclares::PROCESS_ALL_ACCESS);
        if (opening.process)
            basDeclares::TerminateProcess(opening.process.get(), 0);
        denied = opening.denied;
    } catch (const std::exception& error) {
        qWarning() << "Kill process: nothing was ended:" << error.what();
    }
    if (denied) {
        // The process runs on, so its row stays, still chosen, and the user is told why.
        MsgBox(QStringLiteral("Can't end %1 (process ID %2). You have no right to end it: it "
                              "belongs to another user or to the system.")
                   .arg(items.Text(selected, 1), items.Text(selected)));
        return;
    }
    items.Remove(selected);
    // The list would select the next row, and a second press would end a process the
    // user never chose.
    lstProcess->clearSelectedItem();
}

// The caption alone decides: the options dialog may have set the timer behind its back.
void frmMain::cmdStart_Click() {
    if (cmdStart->text() == QStringLiteral("&Start"))
        cmdStart->setText(QStringLiteral("&Stop"));
    else
        cmdStart->setText(QStringLiteral("&Start"));
    Timer2->setEnabled(cmdStart->text() == QStringLiteral("&Stop"));
}

void frmMain::MinBtn_Click() {
    showMinimized();
}

void frmMain::About_Click() {
    Forms::About().Show();
    Forms::AboutProgrammer().Show();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A close request is never refused, and the window is never unloaded: the program ends.
    event->ignore();
    Shutdown();
}

void frmMain::Shutdown() {
    try {
        basDeclares::ShellExecuteA(static_cast<basDeclares::HWND>(winId()), "open", kMakersWebPage,
                                   nullptr, "C:\\", basDeclares::SW_SHOWNORMAL);
    } catch (const std::exception& error) {
        // A page that cannot be opened must not keep the program from ending.
        qWarning() << "Exit: the maker's page was not opened:" << error.what();
    }
    EndProgram(0);
}
