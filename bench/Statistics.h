#pragma once

#include <vector>

namespace bench {

// The nearest-rank percentile (0 < percent <= 100) of `samples`; NaN when there are none.
double percentile(std::vector<double> samples, double percent);

inline double median(std::vector<double> samples) {
    return percentile(std::move(samples), 50.0);
}

} // namespace bench
