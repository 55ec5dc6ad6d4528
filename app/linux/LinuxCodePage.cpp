#include "app/basDeclares.h"

#include <algorithm>

namespace basDeclares {

// The Linux code page is UTF-8. The name before the NUL is decoded as UTF-8 (a byte
// that is no part of a valid sequence becomes U+FFFD); what follows the NUL is leftover
// bytes of earlier names and is widened byte for byte, so it stays recognisable.
// UTF-8 never needs more UTF-16 units than bytes, so the result always fits.
void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH]) {
    WidenExeFile(ansi, wide, MAX_PATH);
}

void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH], int used) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(ansi);
    int in = 0;
    int out = 0;
    while (in < used && bytes[in] != 0) {
        const unsigned char lead = bytes[in];
        if (lead < 0x80) {
            wide[out++] = lead;
            ++in;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length > 0 && in + length <= MAX_PATH;
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = bytes[in + k];
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (next & 0x3F);
        }
        if (valid && ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
                      (length == 4 && (code < 0x10000 || code > 0x10FFFF))))
            valid = false;
        if (!valid) {
            wide[out++] = u'\uFFFD';
            ++in;
            continue;
        }
        in += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            wide[out++] = static_cast<char16_t>(0xD800 + (code >> 10));
            wide[out++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide[out++] = static_cast<char16_t>(code);
        }
    }
    // Never more units than bytes so far (out <= in): the rest fits, one unit a byte.
    const int rest = std::max(used - in, 0);
    for (int k = 0; k < rest; ++k)
        wide[out + k] = static_cast<char16_t>(bytes[in + k]);
    for (out += rest; out < used; ++out)
        wide[out] = u'\0';
}

} // namespace basDeclares
