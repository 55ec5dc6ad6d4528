#include "WindowsHeaders.h"

#include "app/basDeclares.h"

namespace basDeclares {

// The whole buffer goes through the system's 8-bit code page, the NUL and the bytes
// after it included. No code page makes more UTF-16 units than it has bytes, so the
// result fits; the units it does not fill are NUL.
void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH]) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    wchar_t converted[MAX_PATH];
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi, MAX_PATH, converted, MAX_PATH);
    if (length <= 0) {
        for (int k = 0; k < MAX_PATH; ++k)
            wide[k] = static_cast<unsigned char>(ansi[k]);
        return;
    }
    for (int k = 0; k < MAX_PATH; ++k)
        wide[k] = k < length ? static_cast<char16_t>(converted[k]) : u'\0';
}

// A code page's conversion of a lead byte and the NUL after it is its own affair: the
// whole buffer is converted as above, every unit written.
void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH], int) {
    WidenExeFile(ansi, wide);
}

} // namespace basDeclares
