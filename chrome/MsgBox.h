#pragma once

#include <QString>
#include <functional>
#include <optional>

// Every message box of the program goes through here, so tests can read what would be
// shown and answer it instead of a user.
struct MsgBoxRequest {
    QString prompt;
    int buttons = 0;              // 0 OK only; 64 adds the information icon
    std::optional<QString> title; // none: the application's own title
};

inline constexpr int vbOKOnly = 0;
inline constexpr int vbInformation = 64;
inline constexpr int vbOK = 1;

// Shows a modal box and returns the button pressed (vbOK).
int MsgBox(const QString& prompt, int buttons = vbOKOnly,
           const std::optional<QString>& title = std::nullopt);

// Tests answer every box through their own handler (nullptr: real boxes again).
void setMsgBoxHandler(std::function<int(const MsgBoxRequest&)> handler);
