// A run of snapshots with process tables made from the input (any count, ids, thread
// counts and name bytes, failures between them): after each, records 1 to n are the
// processes delivered, record 0 is all zero, the store's bound is the next multiple of 20
// above n, and every index outside it is refused with error 9.
#include "app/RuntimeError.h"
#include "process/clsActiveProcess.h"
#include "tests/FakeOsLayer.h"
#include "tests/StoreBound.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::uint8_t byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
    std::int32_t number() {
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k)
            value = value << 8 | byte();
        return static_cast<std::int32_t>(value);
    }
    std::string bytes(std::size_t count) {
        count = std::min(count, size_);
        std::string text(reinterpret_cast<const char*>(data_), count);
        data_ += count;
        size_ -= count;
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

bool refusesIndex(const clsActiveProcess& store, std::int32_t index) {
    try {
        store.th32ProcessID(index);
    } catch (const RuntimeError& error) {
        return error.number() == RuntimeError::SubscriptOutOfRange;
    }
    return false;
}

// The name as the list shows it: the stored units up to the first NUL. Names given as
// ASCII without NUL come back unchanged.
bool showsName(std::u16string_view stored, const std::string& given) {
    const std::string name = given.substr(0, std::min<std::size_t>(given.find('\0'), 259));
    for (unsigned char c : name)
        if (c >= 0x80)
            return stored.size() == 260; // decoding is the widening's own target
    if (stored.size() != 260 ||
        stored.compare(0, name.size(), std::u16string(name.begin(), name.end())) != 0)
        return false;
    return stored[name.size()] == u'\0';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    FakeOsLayer os;
    clsActiveProcess store;
    bool everSucceeded = false;
    // A few snapshots per input keep the runs fast; their tables can still be large.
    for (int snapshot = 0; snapshot < 6 && !input.empty(); ++snapshot) {
        const std::uint8_t op = input.byte();
        os.snapshotFails = (op & 0x80) != 0;
        os.failureValue = (op & 0x40) ? 0 : basDeclares::INVALID_HANDLE_VALUE;
        os.processes.clear();
        const int count = (op & 0x3F) * (1 + input.byte() % 4);
        for (int k = 0; k < count && !input.empty(); ++k) {
            FakeOsLayer::Process process{input.number(), input.bytes(input.byte() % 40)};
            process.threads = input.number();
            process.usage = input.byte();
            os.processes.push_back(std::move(process));
        }
        const std::int32_t bound = upperBoundOf(store);
        const std::int32_t n = store.GetActiveProcess();
        if (os.openHandles() != 0)
            std::abort();
        if (os.snapshotFails) {
            if (n != 0 || upperBoundOf(store) != bound)
                std::abort();
            if (!everSucceeded && !refusesIndex(store, 0))
                std::abort();
            continue;
        }
        everSucceeded = true;
        if (n != static_cast<std::int32_t>(os.processes.size()))
            std::abort();
        if (upperBoundOf(store) != 20 * (n / 20 + 1))
            std::abort();
        if (store.th32ProcessID(0) != 0 || store.dwSize(0) != 0 || store.cntThreads(0) != 0 ||
            store.szExeFile(0) != std::u16string(260, u'\0'))
            std::abort();
        for (std::int32_t index = 1; index <= n; ++index) {
            const auto& process = os.processes[static_cast<std::size_t>(index - 1)];
            if (store.th32ProcessID(index) != process.pid ||
                store.cntThreads(index) != process.threads ||
                store.cntUsage(index) != process.usage || store.dwSize(index) != 296 ||
                !showsName(store.szExeFile(index), process.name))
                std::abort();
        }
        if (!refusesIndex(store, -1) || !refusesIndex(store, upperBoundOf(store) + 1))
            std::abort();
    }
    return 0;
}
