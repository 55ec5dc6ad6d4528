#pragma once

#include <QString>
#include <ostream>

// A failing comparison of texts shows them as text, not as the bytes of a QString. Every
// test file sees this (the build includes it first), so all print a QString alike.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
