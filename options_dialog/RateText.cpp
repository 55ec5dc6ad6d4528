#include "RateText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// Counts and exponents stop growing here, far beyond any double, so no text overflows them.
constexpr std::int64_t kSaturation = 1'000'000'000'000;

std::int64_t grown(std::int64_t value, int digit) {
    return value < kSaturation ? value * 10 + digit : value;
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isSign(char16_t c) {
    return c == u'+' || c == u'-';
}

struct Reading {
    std::string number; // what was read, ASCII, skipped characters and a '+' left out
    bool negative = false;
    bool hasDigits = false;
    bool nonZero = false;
    std::int64_t leadingPlace = 0; // power of ten of the first nonzero digit, exponent aside
    std::int64_t exponent = 0;
    qsizetype end = 0; // where the number ends in the text
};

// Reads one decimal number from the start of the text, passing over every character for
// which skip is true.
template <typename Skip> Reading read(QStringView text, Skip skip) {
    Reading r;
    const qsizetype n = text.size();
    auto at = [&](qsizetype k) {
        return text[k].unicode();
    };
    auto next = [&](qsizetype k) {
        while (k < n && skip(at(k)))
            ++k;
        return k;
    };

    qsizetype k = next(0);
    if (k < n && isSign(at(k))) {
        r.negative = at(k) == u'-';
        if (r.negative)
            r.number += '-';
        k = next(k + 1);
    }

    bool seenPoint = false;
    std::int64_t integerPlaces = 0; // digits from the first nonzero one to the point
    std::int64_t fractionZeros = 0; // zeros after the point before the first nonzero digit
    while (k < n) {
        const char16_t c = at(k);
        if (isDigit(c)) {
            r.hasDigits = true;
            if (!seenPoint && (c != u'0' || r.nonZero)) {
                r.nonZero = true;
                integerPlaces = std::min(integerPlaces + 1, kSaturation);
            } else if (seenPoint && !r.nonZero) {
                if (c == u'0')
                    fractionZeros = std::min(fractionZeros + 1, kSaturation);
                else
                    r.nonZero = true;
            }
            r.number += static_cast<char>(c);
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            r.number += '.';
        } else {
            break;
        }
        k = next(k + 1);
    }
    r.end = k;
    r.leadingPlace = integerPlaces > 0 ? integerPlaces - 1 : -(fractionZeros + 1);

    if (r.hasDigits && k < n && (at(k) == u'e' || at(k) == u'E')) {
        qsizetype e = next(k + 1);
        bool negative = false;
        if (e < n && isSign(at(e))) {
            negative = at(e) == u'-';
            e = next(e + 1);
        }
        bool hasDigits = false;
        std::int64_t value = 0;
        while (e < n && isDigit(at(e))) {
            hasDigits = true;
            value = grown(value, at(e) - u'0');
            e = next(e + 1);
        }
        if (hasDigits) {
            r.exponent = negative ? -value : value;
            r.number += 'e' + std::to_string(r.exponent);
            r.end = e;
        }
    }
    return r;
}

QStringView withoutOuterSpaces(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

} // namespace

namespace RateText {

bool isNumber(QStringView text) {
    const QStringView body = withoutOuterSpaces(text);
    const Reading r = read(body, [](char16_t) { return false; });
    return r.hasDigits && r.end == body.size();
}

double numericValue(QStringView text) {
    const Reading r = read(text, [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; });
    if (!r.hasDigits)
        return 0.0;
    if (!r.nonZero)
        return r.negative ? -0.0 : 0.0;
    double value = 0.0;
    const char* first = r.number.data();
    const auto [stop, error] = std::from_chars(first, first + r.number.size(), value);
    if (error == std::errc::result_out_of_range) {
        const bool tooLarge = r.leadingPlace + r.exponent > 0;
        value = tooLarge ? HUGE_VAL : 0.0;
        if (r.negative)
            value = -value;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return value;
}

double roundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::optional<int> acceptedRate(QStringView text) {
    if (!isNumber(text))
        return std::nullopt;
    const double value = numericValue(text);
    if (!(value >= kMinRate && value <= kMaxRate))
        return std::nullopt;
    return static_cast<int>(roundHalfEven(value));
}

} // namespace RateText
