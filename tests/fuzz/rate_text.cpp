// Any text typed into the rate box: both readings and the rounding stay defined, agree
// with each other, and only a passing text gives an interval, always one from 10 to 10,000.
#include "options_dialog/RateText.h"

#include <QString>
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool number = RateText::isNumber(text);
    const double value = RateText::numericValue(text);
    if (std::isnan(value))
        std::abort();
    bool hasDigit = false;
    for (const QChar c : text)
        hasDigit = hasDigit || (c >= u'0' && c <= u'9');
    if (!hasDigit && value != 0.0)
        std::abort(); // no number at all reads 0
    if (number && !hasDigit)
        std::abort();

    const double rounded = RateText::roundHalfEven(value);
    if (std::isfinite(value)) {
        if (rounded != std::floor(rounded) || std::fabs(rounded - value) > 0.5)
            std::abort();
        if (std::fabs(rounded - value) == 0.5 && std::fmod(rounded, 2.0) != 0.0)
            std::abort(); // a half goes to the even neighbour
    } else if (rounded != value) {
        std::abort();
    }

    const std::optional<int> rate = RateText::acceptedRate(text);
    if (rate) {
        if (!number || *rate < RateText::kMinRate || *rate > RateText::kMaxRate)
            std::abort();
        if (*rate != static_cast<int>(rounded))
            std::abort();
    } else if (number && value >= RateText::kMinRate && value <= RateText::kMaxRate) {
        std::abort();
    }
    return 0;
}
