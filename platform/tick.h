#pragma once
// A 32-bit millisecond counter from a monotonic clock. It wraps after about 49.7 days; compare
// two readings only through TicksBetween, whose unsigned subtraction survives the wrap.
#include <cstdint>

namespace platform {

uint32_t GetTickCount();
// Milliseconds from `earlier` to `later`, correct across one wrap of the counter.
inline uint32_t TicksBetween(uint32_t earlier, uint32_t later) { return later - earlier; }

} // namespace platform
