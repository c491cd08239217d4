// Readable lines for the requests a virtual reader received (the demo launcher prints them).
#include "sim/request_text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "link/crc.hpp"
#include "link/le16.hpp"
#include "link/zrhid.hpp"

namespace zrt::sim {

namespace {

const char* CommandName(std::uint8_t command) {
    switch (command) {
        case link::CMD_READ_INFO:
            return "read identity";
        case link::CMD_READ_CONFIG:
            return "read configuration";
        case link::CMD_WRITE_CONFIG:
            return "write configuration";
        case link::CMD_UPGRADE_BEGIN:
            return "upgrade begin";
        case link::CMD_UPGRADE_BLOCK:
            return "upgrade block";
        case link::CMD_UPGRADE_CODE:
            return "upgrade code";
        case link::CMD_UPGRADE_END:
            return "upgrade end";
        default:
            return nullptr;
    }
}

void AppendHex(std::string& text, const std::uint8_t* bytes, std::size_t count) {
    char hex[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof(hex), i == 0 ? "%02X" : " %02X", bytes[i]);
        text += hex;
    }
}

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return link::GetLe16(bytes) | static_cast<std::uint32_t>(link::GetLe16(bytes + 2)) << 16;
}

// What the data of a well-formed request of `command` say.
void AppendData(std::string& text, std::uint8_t command, const std::vector<std::uint8_t>& data) {
    char part[96];
    if (command == link::CMD_WRITE_CONFIG && data.size() == link::CONFIG_RECORD_SIZE + 4) {
        text += ": record ";
        AppendHex(text, data.data(), link::CONFIG_RECORD_SIZE);
        const std::uint32_t sent = LittleEndian32(&data[link::CONFIG_RECORD_SIZE]);
        const std::uint32_t computed =
            link::Crc32(data.data(), link::CONFIG_RECORD_SIZE, 0xFFFFFFFF);
        if (sent == computed) {
            text += ", CRC-32 ok";
        } else {
            std::snprintf(part, sizeof(part), ", CRC-32 WRONG (%08X sent, %08X computed)",
                          static_cast<unsigned>(sent), static_cast<unsigned>(computed));
            text += part;
        }
    } else if (command == link::CMD_UPGRADE_BLOCK && data.size() >= 2) {
        std::snprintf(part, sizeof(part), " %u, %zu bytes", link::GetLe16(data.data()),
                      data.size() - 2);
        text += part;
    } else if (!data.empty()) {
        text += command == link::CMD_UPGRADE_BEGIN ? ": header " : ": ";
        AppendHex(text, data.data(), data.size());
    }
}

// The frame's own check: its length field, and the CRC-16 over length, command, data and CRC.
void AppendFrameCheck(std::string& text, const std::vector<std::uint8_t>& report) {
    char part[128];
    if (report.size() < 3) {
        std::snprintf(part, sizeof(part), "; a report of %zu bytes", report.size());
        text += part;
        return;
    }
    const std::size_t length = link::GetLe16(&report[1]);
    if (length < 5 || length > report.size() - 1) {
        std::snprintf(part, sizeof(part), "; frame length %zu does not fit a report of %zu bytes",
                      length, report.size());
        text += part;
        return;
    }
    text +=
        link::Crc16(&report[1], length, 0xFFFF) == 0 ? "; frame CRC-16 ok" : "; frame CRC-16 WRONG";
}

}  // namespace

std::string DescribeRequest(const Request& request) {
    std::string text;
    const char* name = CommandName(request.command);
    char head[64];
    if (name != nullptr) {
        std::snprintf(head, sizeof(head), "\"%c\" %s", request.command, name);
    } else {
        std::snprintf(head, sizeof(head), "command 0x%02X (unknown)", request.command);
    }
    text += head;
    if (request.valid) {
        AppendData(text, request.command, request.data);
    } else {
        text += ": report ";
        AppendHex(text, request.report.data(), std::min<std::size_t>(request.report.size(), 8));
        text += request.report.size() > 8 ? " ..." : "";
    }
    AppendFrameCheck(text, request.report);
    if (!request.valid) {
        text += "; refused by the reader";
    }
    return text;
}

}  // namespace zrt::sim
