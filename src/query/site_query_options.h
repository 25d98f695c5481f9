#pragma once

#include <atomic>

namespace kelvane::query {

// One tick of the options panel. The window's thread sets it while a run on a worker reads
// it, so it is atomic; it copies and converts like the bool it stands for.
class Tick {
public:
    constexpr Tick(bool on = false) noexcept : on_(on) {}
    Tick(const Tick& other) noexcept : on_(bool(other)) {}
    Tick& operator=(const Tick& other) noexcept { return *this = bool(other); }
    Tick& operator=(bool on) noexcept {
        on_.store(on, std::memory_order_relaxed);
        return *this;
    }
    operator bool() const noexcept { return on_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> on_;
};

// The ticks of the query options panel, as the window opens. The driver reads each flag when
// its step begins, so a tick changed during a run changes the later steps of that run.
struct SiteQueryOptions {
    Tick chkPageRank = true;
    Tick chkAlexa = true;
    Tick chkSogouRank = false;
    Tick chkChinaRank = false;
    Tick chkBaidu = true;
    Tick chkGoogle = true;
    Tick chkYahoo = false;
    Tick chkSogou = false;
    Tick chkSoso = false;
    Tick chkYoudao = false;
    Tick chkBing = false;
};

} // namespace kelvane::query
