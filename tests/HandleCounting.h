#pragma once

#include "app/OsLayer.h"

#include <set>

// A layer that knows which of the handles it gave out are still open: those its callers
// have not closed.
template <typename Layer> class HandleCounting : public Layer {
public:
    using HANDLE = OsLayer::HANDLE;
    using Layer::Layer;

    HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) override {
        return kept(Layer::CreateToolhelp32Snapshot(dwFlags, th32ProcessID));
    }
    HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                       std::int32_t dwProcessId) override {
        return kept(Layer::OpenProcess(dwDesiredAccess, bInheritHandle, dwProcessId));
    }
    std::int32_t CloseHandle(HANDLE hObject) override {
        const std::int32_t closed = Layer::CloseHandle(hObject);
        if (closed != 0)
            open_.erase(hObject);
        return closed;
    }

    std::size_t openHandleCount() const { return open_.size(); }

private:
    HANDLE kept(HANDLE handle) {
        if (handle != 0 && handle != basDeclares::INVALID_HANDLE_VALUE)
            open_.insert(handle);
        return handle;
    }

    std::set<HANDLE> open_;
};
