#pragma once

// What the desktop knows the program by: its name, version, icon and the desktop entry
// that installs with it (share/applications/<DesktopId>.desktop, whose icon of the same
// name lies in the hicolor theme).
namespace ProgramIdentity {

inline constexpr char ApplicationName[] = "KorvantaTaskList";
inline constexpr char Version[] = "1.00";
inline constexpr char DesktopId[] = "example.korvanta.KorvantaTaskList";

// Sets them on the running application. The display name is left unset on purpose: Qt
// would append it to every window title (the card's "About Programmer" and the message
// boxes' titles among them); the desktop takes the product's name from the entry.
void apply();

} // namespace ProgramIdentity
