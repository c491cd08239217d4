// One request a virtual reader received, as a line of text for a person watching the demo: the
// command's name, its data in a readable form (the configuration record, a block index, ...) and
// whether its checksums hold.
#pragma once

#include <string>

#include "sim/virtual_reader.hpp"

namespace zrt::sim {

// For example: `"C" write configuration: record E1 80 04 00 ..., CRC-32 ok; frame CRC-16 ok`.
std::string DescribeRequest(const Request& request);

}  // namespace zrt::sim
