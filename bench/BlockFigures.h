#pragma once

#include "TimedPort.h"

#include <vector>

namespace bench {

// The round trips of the blocks, in microseconds.
struct BlockFigures {
    std::vector<double> dataToAckHandled;        // data handed over until its checksum is read
    std::vector<double> requestToAckArrival;     // the unit's and the line's share
    std::vector<double> ackArrivalToNextRequest; // the loader's share between two blocks
    std::vector<double> cycle;                   // from one block request to the next
};

BlockFigures blockFigures(const std::vector<TimedPort::BlockTiming> &blocks);

} // namespace bench
