#pragma once

#include <functional>

class QObject;
class QWidget;

// What screen readers (AT-SPI on Linux, UI Automation on Windows) see of the program's
// own controls: its windows and its picture boxes. Qt's own controls keep Qt's view.
namespace Accessibility {

// Once, right after the application object is made, before any window exists.
void install();

// Leaves a control out of its window's children for screen readers: for controls that
// only the program itself reads, which nobody sees.
void hideFromScreenReaders(QWidget& control);
bool isHiddenFromScreenReaders(const QWidget& control);

// Tells screen readers that child number `child` of `object` (for a list, one of its
// cells) now has the focus. Every such event of the program's own goes through here.
void announceFocus(QObject& object, int child);

// Tests watch the announcements through their own observer (nullptr: none): offscreen,
// Qt's accessibility is never active and drops them.
void setFocusAnnouncementObserver(std::function<void(QObject&, int)> observer);

} // namespace Accessibility
