#pragma once

#include "app/RuntimeError.h"
#include "process/clsActiveProcess.h"

// The highest index the snapshot store holds, -1 when it holds none, as its accessors
// show it: they refuse every other index with RuntimeError 9.
inline std::int32_t upperBoundOf(const clsActiveProcess& store) {
    std::int32_t index = -1;
    try {
        for (;;) {
            store.dwSize(index + 1);
            ++index;
        }
    } catch (const RuntimeError&) {
    }
    return index;
}
