// The virtual reader: a reader's side of the feature-report protocol, written from the frame format
// and the command table. It checks every request as a reader would, answers it, keeps a log of what
// it received, and fails on demand. The in-process virtual platform (tests) and the umockdev test
// bed (the real hidraw backend, the demo) both host this same code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/zrhid.hpp"

namespace zrt::sim {

// One request as the reader received it.
struct Request {
    std::vector<std::uint8_t> report;  // the feature report exactly as sent, report ID first
    std::uint8_t command = 0;
    std::vector<std::uint8_t> data;    // the frame's data bytes
    bool valid = false;                // report ID and size, frame length and CRC-16 all checked out
};

class VirtualReader {
public:
    VirtualReader(link::ReaderInfo info, const std::array<std::uint8_t, 16>& record,
                  std::uint16_t productId = link::PRODUCT_ID_51);

    std::uint16_t VendorId() const { return link::VENDOR_ID; }
    std::uint16_t ProductId() const { return productId_; }

    // The host's two feature-report calls, as the reader sees them. False when the call fails.
    bool SetFeature(const std::uint8_t* report, std::size_t length);
    bool GetFeature(std::uint8_t* report, std::size_t length);

    link::ReaderInfo info;
    std::array<std::uint8_t, 16> record;
    const std::vector<Request>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

private:
    std::uint16_t productId_;
    std::vector<Request> log_;
    std::array<std::uint8_t, link::SHORT_REPORT_SIZE> reply_{};
    bool replyReady_ = false;
};

}  // namespace zrt::sim
