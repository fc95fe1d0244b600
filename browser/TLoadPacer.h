#pragma once

// How many first loads may run at once. Measured on two cores with pages as heavy as real shops'
// (bench/): the engine does less work for each page the more pages load together, and a
// comparison of sixty shops ends sooner with thirty loads at once than with twelve, even with the
// processors fully busy either way. What more loads cost is the window: dozens of busy renderers
// leave its thread waiting for a processor, and the page the user looks at loads slower. So the
// pacer adds loads while the window answers and the page on screen has loaded, and takes some
// back when the window lags.
class TLoadPacer
{
public:
    static constexpr int Floor = 2;
    static constexpr int Start = 8; // a comparison of a handful of shops starts all of them at once
    // Every running load holds a renderer of tens of megabytes: the ceiling bounds the memory of
    // a comparison of many shops while it loads (loaded pages sleep soon after, TPageLifecycle).
    static constexpr int Ceiling = 32;
    // The window lags when its thread has been away from its event loop this long (ms).
    static constexpr int LagMs = 50;

    struct Sample
    {
        int lagMs = -1; // the longest the window's thread was away since the last sample; -1: unknown
        bool shownLoading = false; // the page on screen is still loading
        int running = 0; // loads holding a place
        int waiting = 0; // loads waiting for one
    };

    int Limit() const { return m_limit; }
    void Reset() { m_limit = Start; }
    // Takes the latest sample and returns the new limit.
    int Adjust(const Sample &sample);

private:
    int m_limit = Start;
};
