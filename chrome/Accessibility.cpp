#include "Accessibility.h"

#include "FormAccessible.h"
#include "PictureBox.h"
#include "PictureBoxAccessible.h"

#include <QAccessible>
#include <QVariant>
#include <QWidget>

namespace {

constexpr char kHiddenProperty[] = "hiddenFromScreenReaders";

std::function<void(QObject&, int)>& focusObserver() {
    static std::function<void(QObject&, int)> installed;
    return installed;
}

// Qt asks with each class name of the object in turn, from its own class up. A window
// whose class gave no other answer by the time Qt asks as QWidget or QDialog is one of
// the program's own windows (Qt's message boxes and menus have answered before).
QAccessibleInterface* factory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (auto* box = qobject_cast<PictureBox*>(widget);
        box && className == QLatin1String(box->metaObject()->className()))
        return new PictureBoxAccessible(box);
    if (widget->isWindow() &&
        (className == QLatin1String("QWidget") || className == QLatin1String("QDialog")))
        return new FormAccessible(widget);
    return nullptr;
}

} // namespace

namespace Accessibility {

void install() {
    QAccessible::installFactory(factory);
}

void hideFromScreenReaders(QWidget& control) {
    control.setProperty(kHiddenProperty, true);
}

bool isHiddenFromScreenReaders(const QWidget& control) {
    return control.property(kHiddenProperty).toBool();
}

void announceFocus(QObject& object, int child) {
    if (focusObserver())
        focusObserver()(object, child);
    QAccessibleEvent event(&object, QAccessible::Focus);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}

void setFocusAnnouncementObserver(std::function<void(QObject&, int)> observer) {
    focusObserver() = std::move(observer);
}

} // namespace Accessibility
