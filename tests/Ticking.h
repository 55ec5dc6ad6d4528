#pragma once

#include "chrome/FormTimer.h"

#include <QTimer>

// Whether a window's timer will fire: the system timer it holds runs.
inline bool ticking(const FormTimer& timer) {
    const auto* system = timer.findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    return system && system->isActive();
}
