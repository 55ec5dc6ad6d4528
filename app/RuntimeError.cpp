#include "RuntimeError.h"

#include <string>

namespace {
std::string describe(int number) {
    switch (number) {
    case RuntimeError::Overflow:
        return "Overflow";
    case RuntimeError::SubscriptOutOfRange:
        return "Subscript out of range";
    case RuntimeError::ErrorInLoadingDll:
        return "Error in loading DLL";
    case RuntimeError::ObjectVariableNotSet:
        return "Object variable not set";
    case RuntimeError::InvalidPropertyValue:
        return "Invalid property value";
    case RuntimeError::IndexOutOfBounds:
        return "Index out of bounds";
    default:
        return "Run-time error " + std::to_string(number);
    }
}
} // namespace

RuntimeError::RuntimeError(int number) : RuntimeError(number, describe(number)) {}

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}
