#pragma once

namespace kelvane::query {

// The ticks of the query options panel, as the window opens. The driver reads each flag when
// its step begins, so a tick changed during a run changes the later steps of that run.
struct SiteQueryOptions {
    bool chkPageRank = true;
    bool chkAlexa = true;
    bool chkSogouRank = false;
    bool chkChinaRank = false;
    bool chkBaidu = true;
    bool chkGoogle = true;
    bool chkYahoo = false;
    bool chkSogou = false;
    bool chkSoso = false;
    bool chkYoudao = false;
    bool chkBing = false;
};

} // namespace kelvane::query
