// The virtual reader: request checks, the answers to the seven commands, the upload state and the
// faults it shows on demand.
#include "sim/virtual_reader.hpp"

#include <algorithm>
#include <cstring>

#include "link/crc.hpp"
#include "link/le16.hpp"

namespace zrt::sim {

namespace {

// The frame length a request in this report may carry, or false for a report the reader has not.
bool FrameLengthFits(std::uint8_t reportId, std::size_t size, std::uint32_t frameLength) {
    if (reportId == link::REPORT_ID_SHORT && size == link::SHORT_REPORT_SIZE) {
        return frameLength >= 5 && frameLength <= 62;
    }
    if (reportId == link::REPORT_ID_LONG && size == link::LONG_REPORT_SIZE) {
        return frameLength >= 511 && frameLength <= 574;
    }
    return false;
}

}  // namespace

VirtualReader::VirtualReader(link::ReaderInfo info, const std::array<std::uint8_t, 16>& record,
                             std::uint16_t productId)
    : info(info), record(record), productId_(productId) {}

bool VirtualReader::SetFeature(const std::uint8_t* report, std::size_t length) {
    if (unplugged || report == nullptr || length == 0) {
        return false;
    }
    replyReady_ = false;

    const std::uint32_t frameLength = length >= 3 ? link::GetLe16(&report[1]) : 0;
    const bool valid = FrameLengthFits(report[0], length, frameLength) &&
                       link::Crc16(&report[1], frameLength, 0xFFFF) == 0;
    const std::uint8_t command = length >= 4 ? report[3] : 0;
    const std::uint8_t* data = valid ? &report[4] : nullptr;
    const std::size_t size = valid ? frameLength - 5 : 0;

    const std::optional<Fault> fault = TakeFault(command, data, size);
    if (fault && fault->kind == FaultKind::RejectRequest) {
        return false;
    }

    bool answered = false;
    if (valid && !(fault && fault->kind == FaultKind::NoReply)) {
        if (fault && fault->kind == FaultKind::Ack) {
            Acknowledge(command, fault->value);
            answered = true;
        } else if (fault && fault->kind == FaultKind::ReplaceData) {
            Reply(command, fault->data.data(), fault->data.size());
            answered = true;
        } else if (fault && fault->kind == FaultKind::RawReply) {
            reply_.fill(0);
            std::copy_n(fault->data.begin(), std::min(fault->data.size(), reply_.size()),
                        reply_.begin());
            answered = true;
        } else {
            answered = Execute(command, data, size);
            if (answered && fault) {
                Corrupt(*fault, command);
            }
        }
    }
    replyReady_ = answered;

    if (logging_) {
        Request request;
        request.report.assign(report, report + length);
        request.command = command;
        if (valid) {
            request.data.assign(data, data + size);
        }
        request.valid = valid;
        request.answered = answered;
        log_.push_back(std::move(request));
    }
    return true;
}

bool VirtualReader::GetFeature(std::uint8_t* report, std::size_t length) {
    if (unplugged || report == nullptr || length < link::SHORT_REPORT_SIZE ||
        report[0] != link::REPORT_ID_SHORT || !replyReady_) {
        return false;
    }
    std::memcpy(report, reply_.data(), reply_.size());
    replyReady_ = false;
    return true;
}

std::optional<Fault> VirtualReader::TakeFault(std::uint8_t command, const std::uint8_t* data,
                                              std::size_t size) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->command && *it->command != command) {
            continue;
        }
        if (it->block && (data == nullptr || size < 2 || link::GetLe16(data) != *it->block)) {
            continue;
        }
        Fault fault = *it;
        if (!fault.persistent) {
            faults_.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

bool VirtualReader::Execute(std::uint8_t command, const std::uint8_t* data, std::size_t size) {
    switch (command) {
        case link::CMD_READ_INFO: {
            if (size != 0) {
                return false;
            }
            std::uint8_t reply[6];
            link::PutLe16(&reply[0], info.model);
            link::PutLe16(&reply[2], info.serial);
            link::PutLe16(&reply[4], info.firmware);
            Reply(command, reply, sizeof reply);
            return true;
        }
        case link::CMD_READ_CONFIG:
            if (size != 0) {
                return false;
            }
            Reply(command, record.data(), record.size());
            return true;
        case link::CMD_WRITE_CONFIG: {
            if (size != record.size() + 4) {
                return false;
            }
            const std::uint32_t sent =
                link::GetLe16(&data[16]) | (std::uint32_t{link::GetLe16(&data[18])} << 16);
            if (link::Crc32(data, record.size(), 0xFFFFFFFFu) != sent) {
                Acknowledge(command, ACK_BAD_CRC);
                return true;
            }
            std::copy_n(data, record.size(), record.begin());
            Acknowledge(command, ACK_OK);
            return true;
        }
        case link::CMD_UPGRADE_BEGIN:
            if (size != link::UPGRADE_HEADER_SIZE) {
                return false;
            }
            if (link::GetLe16(&data[6]) != 0) {
                Acknowledge(command, ACK_BAD_HEADER);
                return true;
            }
            upload_ = Upload{};
            upload_.active = true;
            std::copy_n(data, link::UPGRADE_HEADER_SIZE, upload_.header.begin());
            upload_.blockCount = link::GetLe16(&data[4]);
            Acknowledge(command, ACK_OK);
            return true;
        case link::CMD_UPGRADE_BLOCK:
            if (size != 2 + link::UPGRADE_BLOCK_SIZE) {
                return false;
            }
            if (!upload_.active || link::GetLe16(data) != upload_.nextBlock ||
                upload_.nextBlock >= upload_.blockCount) {
                Acknowledge(command, ACK_OUT_OF_ORDER);
                return true;
            }
            upload_.payload.insert(upload_.payload.end(), data + 2,
                                   data + 2 + link::UPGRADE_BLOCK_SIZE);
            ++upload_.nextBlock;
            Acknowledge(command, ACK_OK);
            return true;
        case link::CMD_UPGRADE_CODE: {
            if (size != link::UPGRADE_CODE_SIZE) {
                return false;
            }
            if (!upload_.active || upload_.nextBlock != upload_.blockCount) {
                Acknowledge(command, ACK_OUT_OF_ORDER);
                return true;
            }
            std::array<std::uint8_t, link::UPGRADE_CODE_SIZE> code;
            std::copy_n(data, code.size(), code.begin());
            if (expectedCode && *expectedCode != code) {
                Acknowledge(command, ACK_BAD_CODE);
                return true;
            }
            upload_.code = code;
            Acknowledge(command, ACK_OK);
            return true;
        }
        case link::CMD_UPGRADE_END:
            if (size != 0) {
                return false;
            }
            if (!upload_.active || upload_.nextBlock != upload_.blockCount || !upload_.code) {
                Acknowledge(command, ACK_OUT_OF_ORDER);
                return true;
            }
            upload_.active = false;
            upload_.finished = true;
            info.firmware = link::GetLe16(&upload_.header[2]);
            Acknowledge(command, ACK_OK);
            return true;
        default:
            return false;
    }
}

void VirtualReader::Reply(std::uint8_t command, const std::uint8_t* data, std::size_t size) {
    size = std::min(size, link::MAX_REPLY_DATA);
    const std::uint32_t frameLength = static_cast<std::uint32_t>(size) + 5;
    reply_.fill(0);
    reply_[0] = link::REPORT_ID_SHORT;
    link::PutLe16(&reply_[1], frameLength);
    reply_[3] = static_cast<std::uint8_t>(command | 0x80);
    if (size > 0) {
        std::memcpy(&reply_[4], data, size);
    }
    link::PutLe16(&reply_[frameLength - 1], link::Crc16(&reply_[1], frameLength - 2, 0xFFFF));
}

void VirtualReader::Corrupt(const Fault& fault, std::uint8_t command) {
    const std::uint32_t frameLength = link::GetLe16(&reply_[1]);  // 5..62, as Reply() built it
    switch (fault.kind) {
        case FaultKind::FlipCrcBit:
            reply_[frameLength - 1 + (fault.value / 8) % 2] ^=
                static_cast<std::uint8_t>(1u << (fault.value % 8));
            break;
        case FaultKind::EchoWithoutBit7:
            reply_[3] = command;
            link::PutLe16(&reply_[frameLength - 1],
                          link::Crc16(&reply_[1], frameLength - 2, 0xFFFF));
            break;
        case FaultKind::FrameLength:
            link::PutLe16(&reply_[1], fault.frameLength);
            if (fault.frameLength >= 5 && fault.frameLength <= 62) {
                link::PutLe16(&reply_[fault.frameLength - 1],
                              link::Crc16(&reply_[1], fault.frameLength - 2u, 0xFFFF));
            }
            break;
        case FaultKind::WrongReportId:
            reply_[0] = fault.value;
            break;
        default:
            break;
    }
}

}  // namespace zrt::sim
