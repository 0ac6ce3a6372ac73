#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace bench {

double percentile(std::vector<double> samples, double percent) {
    if (samples.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const auto rank =
        static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(samples.size())));
    const std::size_t index = std::clamp<std::size_t>(rank, 1, samples.size()) - 1;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(index),
                     samples.end());
    return samples[index];
}

} // namespace bench
