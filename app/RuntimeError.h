#pragma once

#include <stdexcept>

// A numbered run-time error raised to the caller, as the system's own errors are. Every
// number the program raises is named here.
class RuntimeError : public std::runtime_error {
public:
    static constexpr int Overflow = 6;
    static constexpr int SubscriptOutOfRange = 9;
    static constexpr int ErrorInLoadingDll = 48;
    static constexpr int FileNotFound = 53;
    static constexpr int ObjectVariableNotSet = 91;
    static constexpr int InvalidPropertyValue = 380;
    static constexpr int DllEntryPointNotFound = 453;
    static constexpr int IndexOutOfBounds = 35600;

    explicit RuntimeError(int number);
    RuntimeError(int number, const std::string& description);

    int number() const noexcept { return number_; }

private:
    int number_;
};
