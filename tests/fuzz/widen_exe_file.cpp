// A 260-byte name buffer of any bytes widened to 260 UTF-16 units. Checked against the
// bytes themselves: every decoded character encodes back to the bytes it came from, each
// byte that is no part of a valid sequence gives one U+FFFD, the NUL stays a NUL, and
// the bytes after it are widened one for one. A buffer of NULs after its first bytes can
// be widened that far only, to the same units.
#include "app/basDeclares.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

using basDeclares::MAX_PATH;

int encode(char32_t code, unsigned char* out) {
    if (code < 0x80) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (code >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    return 4;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Inputs shorter than the buffer leave its end as a leftover pattern, not zeros, so
    // that names without a NUL and tails after it are both common.
    char ansi[MAX_PATH];
    for (int k = 0; k < MAX_PATH; ++k)
        ansi[k] = static_cast<char>('a' + k % 26);
    std::memcpy(ansi, data, std::min<std::size_t>(size, MAX_PATH));
    char16_t wide[MAX_PATH];
    basDeclares::WidenExeFile(ansi, wide);

    const auto* bytes = reinterpret_cast<const unsigned char*>(ansi);
    int in = 0;
    int out = 0;
    while (out < MAX_PATH && wide[out] != u'\0') {
        char32_t code = wide[out];
        int units = 1;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (out + 1 >= MAX_PATH || wide[out + 1] < 0xDC00 || wide[out + 1] > 0xDFFF)
                std::abort(); // a lone high surrogate
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[out + 1] - 0xDC00);
            units = 2;
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            std::abort(); // a lone low surrogate
        }
        unsigned char encoded[4];
        const int length = encode(code, encoded);
        if (in + length <= MAX_PATH && std::memcmp(bytes + in, encoded, length) == 0) {
            in += length;
        } else if (code == 0xFFFD && in < MAX_PATH && bytes[in] != 0) {
            in += 1; // one undecodable byte
        } else {
            std::abort();
        }
        out += units;
    }
    // The name ends where the bytes' NUL is, or with the buffer; then come the NUL and the
    // tail byte for byte, and NULs for units that no byte is left for.
    if (in < MAX_PATH && bytes[in] != 0)
        std::abort();
    for (; out < MAX_PATH; ++out, ++in) {
        const char16_t expected = in < MAX_PATH ? bytes[in] : u'\0';
        if (wide[out] != expected)
            std::abort();
    }

    // The buffer cut to its first bytes, NULs after them: widened only that far, the same
    // units come out, and the units after them are left as they were.
    const int used = static_cast<int>(size % (MAX_PATH + 1));
    std::memset(ansi + used, 0, static_cast<std::size_t>(MAX_PATH - used));
    basDeclares::WidenExeFile(ansi, wide);
    char16_t partly[MAX_PATH];
    std::fill(std::begin(partly), std::end(partly), u'#');
    basDeclares::WidenExeFile(ansi, partly, used);
    for (int k = 0; k < MAX_PATH; ++k)
        if (k < used ? partly[k] != wide[k] : partly[k] != u'#' || wide[k] != u'\0')
            std::abort();
    return 0;
}
