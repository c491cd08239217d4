// The virtual reader: a reader's side of the feature-report protocol, written from the frame format
// and the command table. It checks every request as a reader would, answers it, keeps a log of what
// it received, and fails on demand. The in-process virtual platform (tests) and the umockdev test
// bed (the real hidraw backend, the demo) both host this same code.
//
// How it answers:
// - A request is taken by SetFeature when it is report 0x41 of 63 bytes or report 0x49 of 575
//   bytes, its frame length fits that report (5..62 or 511..574) and its CRC-16 checks out. A
//   request that fails any of these, names an unknown command or carries the wrong number of data
//   bytes for its command is invalid: SetFeature still succeeds (the report did reach the reader),
//   the request is logged, and no reply is prepared, so the next GetFeature fails.
// - GetFeature of report 0x41 with room for 63 bytes hands over the reply prepared for the last
//   request, once; any other GetFeature fails.
// - "M": 6 data bytes, model, serial, firmware. "c": the 16-byte record. "C": 20 bytes, the record
//   and its CRC-32 least significant byte first; stored and acknowledged with 0 when the CRC-32
//   matches, else acknowledged with ACK_BAD_CRC and not stored.
// - "Z": a 16-byte header whose word at offset 6 is 0 starts an upload of the number of blocks in
//   the word at offset 4 (else ACK_BAD_HEADER). "Y": index (LSB first) and 520 bytes; the index
//   must be the next block of the upload (else ACK_OUT_OF_ORDER). "y": the 8-byte code, after the
//   last block (and equal to `expectedCode` when that is set; else ACK_BAD_CODE). "z": after the
//   code, ends the upload and from then on reports the header's version (offset 2) as its firmware
//   (else ACK_OUT_OF_ORDER). A refused upgrade step changes nothing.
// - Every reply: report 0x41, frame length, command | 0x80, data, CRC-16, zero fill, 63 bytes.
//
// Not thread-safe: a host that calls it from more than one thread serialises the calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "link/zrhid.hpp"

namespace zrt::sim {

// One request as the reader received it.
struct Request {
    std::vector<std::uint8_t> report;  // the feature report exactly as sent, report ID first
    std::uint8_t command = 0;
    std::vector<std::uint8_t> data;  // the frame's data bytes
    bool valid = false;              // report ID and size, frame length and CRC-16 all checked out
    bool answered = false;           // a reply was prepared for it
};

// A misbehaviour the reader shows on demand. The first three stand in for the reader's work; the
// others spoil the reply of a request that the reader did act on and answer.
enum class FaultKind {
    RejectRequest,    // SetFeature fails; the request is not received (not logged, not acted on)
    NoReply,          // received and logged but not acted on; the next GetFeature fails
    Ack,              // not acted on; any well-framed request is answered with the single data
                      // byte `value`: non-zero to refuse a step, 0 to accept whatever was sent
    ReplaceData,      // not acted on; any well-framed request is answered with a well-formed reply
                      // carrying `data` (0..57 bytes)
    RawReply,         // not acted on; any well-framed request is answered with exactly `data` (up
                      // to 63 bytes, zero fill)
    FlipCrcBit,       // bit `value` (0..15) of the reply's CRC-16 inverted
    EchoWithoutBit7,  // the reply's command byte is the request's, bit 7 clear; CRC-16 kept right
    FrameLength,      // the reply's frame length field says `frameLength`. For 5..62 the CRC-16 is
                      // placed and computed for that length (a well-formed reply whose data area
                      // grew or shrank); otherwise the rest is left as it was.
    WrongReportId,    // byte 0 of the reply is `value`
};

// One fault, built in a chain: Fault(FaultKind::Ack).On('Y').AtBlock(5).WithValue(1).
struct Fault {
    explicit Fault(FaultKind kind) : kind(kind) {}
    // Only requests with this command; without: any.
    Fault& On(std::uint8_t onlyCommand) {
        command = onlyCommand;
        return *this;
    }
    // With "Y": only the block with this index.
    Fault& AtBlock(std::uint16_t index) {
        block = index;
        return *this;
    }
    // From now on until cleared; without: the next matching request only.
    Fault& Always() {
        persistent = true;
        return *this;
    }
    Fault& WithValue(std::uint8_t v) {
        value = v;
        return *this;
    }
    Fault& WithLength(std::uint16_t length) {
        frameLength = length;
        return *this;
    }
    Fault& WithData(std::vector<std::uint8_t> bytes) {
        data = std::move(bytes);
        return *this;
    }

    FaultKind kind;
    std::optional<std::uint8_t> command;
    std::optional<std::uint16_t> block;
    bool persistent = false;
    std::uint8_t value = 1;
    std::uint16_t frameLength = 0;
    std::vector<std::uint8_t> data;
};

class VirtualReader {
  public:
    // Acknowledgement bytes of refused requests.
    static constexpr std::uint8_t ACK_OK = 0;
    static constexpr std::uint8_t ACK_BAD_CRC = 1;
    static constexpr std::uint8_t ACK_BAD_HEADER = 2;
    static constexpr std::uint8_t ACK_OUT_OF_ORDER = 3;
    static constexpr std::uint8_t ACK_BAD_CODE = 4;

    // The state of a firmware upload.
    struct Upload {
        bool active = false;    // between an accepted "Z" and an accepted "z"
        bool finished = false;  // an accepted "z" ended the last upload
        std::array<std::uint8_t, link::UPGRADE_HEADER_SIZE> header{};
        std::uint16_t blockCount = 0;
        std::uint16_t nextBlock = 0;
        std::vector<std::uint8_t> payload;  // the accepted blocks, in order
        std::optional<std::array<std::uint8_t, link::UPGRADE_CODE_SIZE>> code;
    };

    VirtualReader(link::ReaderInfo info, const std::array<std::uint8_t, 16>& record,
                  std::uint16_t productId = link::PRODUCT_ID_51);

    std::uint16_t VendorId() const { return link::VENDOR_ID; }
    std::uint16_t ProductId() const { return productId_; }

    // The host's two feature-report calls, as the reader sees them. False when the call fails.
    bool SetFeature(const std::uint8_t* report, std::size_t length);
    bool GetFeature(std::uint8_t* report, std::size_t length);

    link::ReaderInfo info;
    std::array<std::uint8_t, 16> record;
    // When set, "y" is accepted only with exactly these bytes.
    std::optional<std::array<std::uint8_t, link::UPGRADE_CODE_SIZE>> expectedCode;
    // Every report call fails while set; nothing is received.
    bool unplugged = false;

    const std::vector<Request>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // Logging on (the default) or off, for long runs such as benchmarks.
    void SetLogging(bool on) { logging_ = on; }

    void AddFault(Fault fault) { faults_.push_back(std::move(fault)); }
    void ClearFaults() { faults_.clear(); }
    std::size_t PendingFaults() const { return faults_.size(); }

    const Upload& UploadState() const { return upload_; }

  private:
    // Which fault, if any, applies to a request; a one-shot fault is taken out of the list.
    std::optional<Fault> TakeFault(std::uint8_t command, const std::uint8_t* data,
                                   std::size_t size);
    // Acts on a valid request; false when the request is invalid for its command (no reply).
    bool Execute(std::uint8_t command, const std::uint8_t* data, std::size_t size);
    void Reply(std::uint8_t command, const std::uint8_t* data, std::size_t size);
    void Acknowledge(std::uint8_t command, std::uint8_t ack) { Reply(command, &ack, 1); }
    void Corrupt(const Fault& fault, std::uint8_t command);

    std::uint16_t productId_;
    std::vector<Request> log_;
    bool logging_ = true;
    std::vector<Fault> faults_;
    Upload upload_;
    std::array<std::uint8_t, link::SHORT_REPORT_SIZE> reply_{};
    bool replyReady_ = false;
};

}  // namespace zrt::sim
