#include "BlockFigures.h"

namespace bench {

namespace {

double microseconds(TimedPort::Clock::duration span) {
    return std::chrono::duration<double, std::micro>(span).count();
}

} // namespace

BlockFigures blockFigures(const std::vector<TimedPort::BlockTiming> &blocks) {
    BlockFigures figures;
    figures.dataToAckHandled.reserve(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto &block = blocks[i];
        figures.dataToAckHandled.push_back(microseconds(block.ackHandled - block.dataSent));
        figures.requestToAckArrival.push_back(microseconds(block.ackArrived - block.requested));
        // A file start lies between the last block of one file and the first of the next.
        if (i + 1 == blocks.size() || blocks[i + 1].file != block.file)
            continue;
        figures.cycle.push_back(microseconds(blocks[i + 1].requested - block.requested));
        figures.ackArrivalToNextRequest.push_back(
            microseconds(blocks[i + 1].requested - block.ackArrived));
    }
    return figures;
}

} // namespace bench
