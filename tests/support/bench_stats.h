// Timing helpers of the benchmark programs: a clock in milliseconds and the
// median of repeated runs. Portable (the library benchmark also runs natively).
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace lumo::test {

inline double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The median time of `runs` runs of `step`.
inline double MedianMs(int runs, const std::function<void()>& step) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        step();
        ms.push_back(NowMs() - start);
    }
    return Median(ms);
}

}  // namespace lumo::test
