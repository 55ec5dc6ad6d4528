#pragma once

#include "basDeclares.h"

#include <exception>
#include <utility>

// Owns a handle of the operating-system layer and closes it when it goes, on every way
// out. 0 and INVALID_HANDLE_VALUE are no handle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(basDeclares::HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.release();
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    basDeclares::HANDLE get() const { return handle_; }
    explicit operator bool() const {
        return handle_ != 0 && handle_ != basDeclares::INVALID_HANDLE_VALUE;
    }
    basDeclares::HANDLE release() { return std::exchange(handle_, 0); }

    void reset() noexcept {
        const bool held = static_cast<bool>(*this);
        const basDeclares::HANDLE handle = release();
        if (!held)
            return;
        try {
            basDeclares::CloseHandle(handle);
        } catch (const std::exception&) {
            // A CloseHandle that cannot be bound closes nothing, whoever calls it.
        }
    }

private:
    basDeclares::HANDLE handle_ = 0;
};
