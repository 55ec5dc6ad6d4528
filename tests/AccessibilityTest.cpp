#include "chrome/Accessibility.h"
#include "DrainPosted.h"
#include "FakeOsLayer.h"
#include "TopLevels.h"
#include "about/AuthorDetails.h"
#include "about/frmAbout.h"
#include "about/frmAboutProgrammer.h"
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace {

// One child of a window as a screen reader lists it.
struct Node {
    QAccessible::Role role;
    QString name;
    bool operator==(const Node&) const = default;
};

void PrintTo(const Node& node, std::ostream* out) {
    *out << "{role " << node.role << ", \"" << node.name.toStdString() << "\"}";
}

QAccessibleInterface* accessibleOf(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

std::vector<Node> childrenOf(QWidget& window) {
    QAccessibleInterface* parent = accessibleOf(&window);
    std::vector<Node> nodes;
    for (int index = 0; index < parent->childCount(); ++index) {
        QAccessibleInterface* child = parent->child(index);
        EXPECT_EQ(parent->indexOfChild(child), index);
        nodes.push_back({child->role(), child->text(QAccessible::Name)});
    }
    return nodes;
}

// The cells that screen readers are told have the focus, by their text.
struct FocusAnnouncements {
    FocusAnnouncements() {
        Accessibility::setFocusAnnouncementObserver([this](QObject& object, int child) {
            QAccessibleInterface* cell = accessibleOf(&object)->child(child);
            cells.append(cell ? cell->text(QAccessible::Name) : QStringLiteral("?"));
        });
    }
    ~FocusAnnouncements() { Accessibility::setFocusAnnouncementObserver(nullptr); }
    QStringList cells;
};

} // namespace

TEST(Accessibility, EachWindowIsAWindowNamedByItsTitleWithItsControlsAndNothingInternal) {
    using R = QAccessible::Role;
    FakeOsLayer os;
    frmMain main;
    frmRun run;
    frmOptions options;
    frmAbout about;
    frmAboutProgrammer card;
    struct Window {
        QWidget* window;
        R role;
        QString name;
        std::vector<Node> children;
    };
    const Window windows[] = {
        {&main,
         R::Window,
         "Korvanta Task List",
         {{R::Tree, "Processes"},
          {R::Button, "Run a task"},
          {R::Button, "Kill process"},
          {R::Button, "Options"},
          {R::Button, "Start"},
          {R::Button, "Exit"},
          {R::Button, "Minimise"},
          {R::Button, "About"},
          {R::Button, "Close"}}},
        {&run,
         R::Dialog,
         "Run a Task",
         {{R::StaticText, "Program:"},
          {R::StaticText, run.Label1->text()},
          {R::EditableText, "Program:"},
          {R::Button, "Run"},
          {R::Button, "Cancel"},
          {R::Button, "Close"},
          {R::Button, "Help"}}},
        {&options,
         R::Dialog,
         "Options",
         {{R::CheckBox, "Auto Refresh"},
          {R::EditableText, "Refresh Rate:"},
          {R::Button, "Apply"},
          {R::Button, "Close"},
          {R::StaticText, "Refresh Rate:"},
          {R::StaticText, "milli seconds"},
          {R::Button, "Close"}}},
        {&about, R::Window, "About", {{R::Button, "Close"}}},
        {&card,
         R::Window,
         "About Programmer",
         {{R::Graphic, QStringLiteral("Photograph of ") + AuthorDetails::Name},
          {R::StaticText, AuthorDetails::Name},
          {R::StaticText, AuthorDetails::Qualification},
          {R::StaticText, AuthorDetails::JobTitle},
          {R::StaticText, QStringLiteral("Mobile: ") + AuthorDetails::Telephone},
          {R::StaticText, "About Programmer"}}},
    };
    for (const Window& expected : windows) {
        SCOPED_TRACE(expected.window->objectName().toStdString());
        QAccessibleInterface* window = accessibleOf(expected.window);
        EXPECT_EQ(window->role(), expected.role);
        EXPECT_EQ(window->text(QAccessible::Name), expected.name);
        EXPECT_EQ(childrenOf(*expected.window), expected.children);
    }
    // The option the refresh reads is no child of the window, from either side.
    EXPECT_EQ(accessibleOf(&main)->indexOfChild(accessibleOf(main.optYes)), -1);
    // The about box's words are in its picture; a screen reader gets them as text.
    const QString aboutText = accessibleOf(&about)->text(QAccessible::Description);
    EXPECT_TRUE(aboutText.startsWith("Korvanta Task List. Korvanta Task List is a free task list "
                                     "program from Korvanta Corporation."))
        << aboutText.toStdString();
    EXPECT_TRUE(aboutText.endsWith(QStringLiteral("Programmed by ") + AuthorDetails::Name +
                                   QStringLiteral(". Mobile: ") + AuthorDetails::Telephone))
        << aboutText.toStdString();
}

TEST(Accessibility, PressingAPictureButtonClicksItAsTheLeftButtonDoes) {
    struct Windows {
        FakeOsLayer os;
        std::vector<int> endings;
        std::vector<MsgBoxRequest> boxes;
        frmMain main;
        frmRun run;
        frmOptions options;
        Windows() {
            setEndProgramHook([this](int code) { endings.push_back(code); });
            setMsgBoxHandler([this](const MsgBoxRequest& request) {
                boxes.push_back(request);
                return vbOK;
            });
            main.Load();
            for (QWidget* window : {static_cast<QWidget*>(&run), static_cast<QWidget*>(&options),
                                    static_cast<QWidget*>(&main)})
                window->show();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        }
        // The about windows a click made go with the rest, so the next click makes them anew.
        ~Windows() { Forms::Reset(); }
    };
    struct Picture {
        const char* name;
        std::function<PictureBox*(Windows&)> box;
        int pressed, released; // positions in the main window's image list; 0: no swap
        std::function<bool(Windows&)> done;
    };
    const Picture pictures[] = {
        {"Close", [](Windows& w) { return w.main.CrossBtn; }, 2, 1,
         [](Windows& w) {
             return w.endings == std::vector<int>{0} && w.os.shellCalls.size() == 1 &&
                    w.os.shellCalls[0].file == "https://www.korvanta.example/";
         }},
        {"Minimise", [](Windows& w) { return w.main.MinBtn; }, 6, 5,
         [](Windows& w) {
             return bool(w.main.windowState() & Qt::WindowMinimized);
         }},
        {"About", [](Windows& w) { return w.main.About; }, 4, 3,
         [](Windows&) {
             const QList<frmAbout*> about = topLevels<frmAbout>();
             const QList<frmAboutProgrammer*> card = topLevels<frmAboutProgrammer>();
             return about.size() == 1 && about[0]->isVisible() && card.size() == 1 &&
                    card[0]->isVisible();
         }},
        {"Close", [](Windows& w) { return w.run.CrossBtn; }, 0, 0,
         [](Windows& w) {
             return !w.run.isVisible();
         }},
        {"Help", [](Windows& w) { return w.run.About; }, 0, 0,
         [](Windows& w) {
             return w.boxes.size() == 1 && w.boxes[0].title == "Run a task";
         }},
        {"Close", [](Windows& w) { return w.options.CrossBtn; }, 0, 0,
         [](Windows& w) {
             return !w.options.isVisible();
         }},
    };
    for (const Picture& picture : pictures) {
        Windows windows;
        PictureBox* box = picture.box(windows);
        SCOPED_TRACE(box->window()->objectName().toStdString() + " " + picture.name);
        const QPixmap before = box->Picture();
        QAccessibleInterface* button = accessibleOf(box);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->text(QAccessible::Name), picture.name);
        QAccessibleActionInterface* actions = button->actionInterface();
        ASSERT_NE(actions, nullptr);
        EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});

        actions->doAction(QAccessibleActionInterface::pressAction());
        // Down first, as under the left button, then up and the click.
        if (picture.pressed) {
            EXPECT_EQ(box->Picture().cacheKey(),
                      windows.main.CrossL.ListImage(picture.pressed).cacheKey());
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return picture.done(windows); }, 3000));
        if (picture.pressed) {
            EXPECT_EQ(box->Picture().cacheKey(),
                      windows.main.CrossL.ListImage(picture.released).cacheKey());
        } else {
            EXPECT_EQ(box->Picture().cacheKey(), before.cacheKey()) << "no pressed picture";
        }
    }
}

TEST(Accessibility, AHiddenPictureButtonCannotBePressed) {
    FakeOsLayer os;
    frmRun run;
    QSignalSpy presses(run.About, &PictureBox::MouseDown);
    QAccessibleActionInterface* actions = accessibleOf(run.About)->actionInterface();
    EXPECT_TRUE(actions->actionNames().isEmpty());
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(presses.count(), 0);
}

TEST(Accessibility, TheListShowsItsSelectedRowAndAnnouncesTheRowOnlyWhenItMoves) {
    FakeOsLayer os;
    os.setProcessCount(5); // ids 100 to 104, in rows 1 to 5
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ProcessListView& list = *window.lstProcess;
    QAccessibleTableInterface* table = accessibleOf(&list)->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->selectedRows().isEmpty()) << "the program selects no row by itself";

    FocusAnnouncements focus;
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !focus.cells.isEmpty(); }, 3000));
    EXPECT_EQ(focus.cells, QStringList{"101"});
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_TRUE(table->cellAt(1, 1)->state().selected);
    EXPECT_FALSE(table->cellAt(0, 1)->state().selected);

    // A refresh that keeps the row says nothing; one that loses its process moves the row.
    window.cmdRefresh();
    drainPosted();
    EXPECT_EQ(focus.cells, QStringList{"101"});
    os.processes.erase(os.processes.begin() + 1);
    window.cmdRefresh();
    drainPosted();
    EXPECT_EQ(focus.cells, (QStringList{"101", "100"}));

    // Away from the list, nothing is announced; coming back, the row is.
    window.cmdRun->setFocus();
    list.setSelectedItem(3);
    window.cmdRefresh();
    drainPosted();
    EXPECT_EQ(focus.cells, (QStringList{"101", "100"}));
    list.setFocus();
    drainPosted();
    EXPECT_EQ(focus.cells, (QStringList{"101", "100", "103"}));

    list.clearSelectedItem();
    drainPosted();
    EXPECT_TRUE(table->selectedRows().isEmpty());
    EXPECT_EQ(focus.cells.size(), 3);

    // Sorted, a refresh puts the keyboard on the row shown first, which is announced when
    // its process changes and only then.
    list.sortByColumn(0, Qt::DescendingOrder);
    window.cmdRefresh();
    drainPosted();
    EXPECT_EQ(focus.cells, (QStringList{"101", "100", "103", "104"}));
    std::erase_if(os.processes, [](const FakeOsLayer::Process& p) { return p.pid == 100; });
    window.cmdRefresh();
    drainPosted();
    EXPECT_EQ(focus.cells.size(), 4);
}

// Each box shows its text exactly as given, markup and all: it may hold what the user
// typed or a process's name.
TEST(Accessibility, MessageBoxesAreAlertsCarryingTheirTextAsGiven) {
    FakeOsLayer os;
    os.startSucceeds = false;
    os.processes = {{612, "<b>sshd</b>", 1, 0, 0, false}};
    frmRun run;
    frmOptions options;
    frmMain window;
    window.Load();
    struct Box {
        const char* what;
        std::function<void()> show;
        QString title;
        QString textStart;
    };
    const Box boxes[] = {
        {"failed start", [&] { run.Run(QStringLiteral("nosuch <u>TAGGED</u>")); },
         QApplication::applicationName(), "Can't Run Applicationnosuch <u>TAGGED</u>"},
        {"denied kill",
         [&] {
             window.lstProcess->setSelectedItem(1);
             window.cmdKillProcess->click();
         },
         QApplication::applicationName(), "Can't end <b>sshd</b> (process ID 612)."},
        {"bad rate",
         [&] {
             options.Check1->setChecked(true);
             options.Text1->setText(QStringLiteral("abc"));
             options.cmdApply->click();
         },
         "Invalid Input", "Please enter a valid numeric number in the range {10 to 10,000}"},
        {"Run help", [&] { QTest::mouseClick(run.About, Qt::LeftButton); }, "Run a task",
         "You can type the program name or control pannel options as follow.\r\n"},
    };
    for (const Box& expected : boxes) {
        SCOPED_TRACE(expected.what);
        setMsgBoxHandler(nullptr); // the real box
        struct Seen {
            QAccessible::Role role = QAccessible::NoRole;
            QString name, description;
            QStringList texts;
            QString shown;
            Qt::TextFormat format = Qt::AutoText;
        };
        std::optional<Seen> seen;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QAccessibleInterface* alert = accessibleOf(box);
            seen = Seen{alert->role(),
                        alert->text(QAccessible::Name),
                        alert->text(QAccessible::Description),
                        {},
                        {},
                        Qt::AutoText};
            for (int index = 0; index < alert->childCount(); ++index)
                seen->texts.append(alert->child(index)->text(QAccessible::Name));
            if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                seen->shown = label->text();
                seen->format = label->textFormat();
            }
            box->accept();
        });
        answer.start(10);
        expected.show();
        answer.stop();
        ASSERT_TRUE(seen.has_value()) << "no message box came";
        EXPECT_EQ(seen->role, QAccessible::AlertMessage);
        EXPECT_EQ(seen->name, expected.title);
        EXPECT_TRUE(seen->description.startsWith(expected.textStart))
            << seen->description.toStdString();
        EXPECT_TRUE(seen->texts.contains(seen->description)) << "the text is read as a label too";
        EXPECT_EQ(seen->shown, seen->description);
        EXPECT_EQ(seen->format, Qt::PlainText);
    }
}
