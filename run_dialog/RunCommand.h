#pragma once

#include <QString>
#include <cstdint>

// What the Run dialog starts for a typed text: the Control Panel page of one of 33
// fixed names, minimised, or else the text itself, as typed, in a normal window.
struct RunCommand {
    QString commandLine;
    std::int32_t windowStyle; // basDeclares::SW_SHOWNORMAL or SW_SHOWMINIMIZED

    // A name matches when the text, upper-cased letter by letter (a-z only, whatever the
    // user's language), equals it exactly: nothing is trimmed or collapsed.
    static RunCommand resolve(const QString& strCommand);
};
