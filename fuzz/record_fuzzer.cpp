// Fuzz target: the configuration record and the settings. Any 16 bytes a reader holds are read with
// "c", loaded into the settings, written back with "C" and read again: the settings loaded the
// second time equal the first, but for the modifier boxes of a row that is not sent (a word whose
// key byte is 0 shows its modifier bits, and a row not sent writes 0, so those are lost on a
// write, as they must be). Every record written, from a loaded record or from settings holding
// any values at all, keeps the template's invariants: bytes 1 to 3 as the template has them, a size
// index of at most 5, no bit 11 or 15 in a key-entry word, bit 4 of byte 0 never without bit 5;
// and writing what it loads gives it back unchanged.
#include <array>
#include <cstddef>
#include <cstdint>

#include "config/reader_config.hpp"
#include "fuzz/fuzz_input.hpp"
#include "link/le16.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::fuzz {
namespace {

void RequireTemplateInvariants(const config::ReaderConfig& record) {
    for (std::size_t i = 1; i <= 3; ++i) {
        FUZZ_REQUIRE(record[i] == config::RECORD_TEMPLATE[i]);
    }
    FUZZ_REQUIRE((record[0] & config::CFG_SIZE_MASK) <= 5);
    FUZZ_REQUIRE((record[0] & config::CFG_DEC_PER_BYTE) == 0 ||
                 (record[0] & config::CFG_DECIMAL) != 0);
    for (const int offset : config::KEY_WORD_OFFSETS) {
        FUZZ_REQUIRE((link::GetLe16(&record[offset]) & 0x8800) == 0);
    }
    // Writing what a written record loads gives the same record.
    FUZZ_REQUIRE(config::RecordFromState(config::StateFromRecord(record)) == record);
}

// The settings as a write keeps them: a row that is not sent has no modifier box checked.
config::ConfigState AsWritten(config::ConfigState state) {
    for (config::KeyRowState& row : state.rows) {
        if (!row.send) {
            row.modifiers = {};
        }
    }
    return state;
}

// Settings holding whatever the input says, indices outside their lists included.
config::ConfigState AnyState(FuzzInput& input) {
    config::ConfigState state;
    const std::uint8_t flags = input.Byte();
    state.enterAtEnd = (flags & 1) != 0;
    state.reversed = (flags & 2) != 0;
    state.mifare = (flags & 4) != 0;
    state.icode = (flags & 8) != 0;
    state.formatIndex = input.Int();
    state.sizeIndex = input.Int();
    for (config::KeyRowState& row : state.rows) {
        const std::uint8_t rowFlags = input.Byte();
        row.send = (rowFlags & 0x80) != 0;
        for (std::size_t i = 0; i < row.modifiers.size(); ++i) {
            row.modifiers[i] = (rowFlags & (1u << i)) != 0;
        }
        row.keyIndex = input.Int();
    }
    return state;
}

}  // namespace
}  // namespace zrt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zrt;
    fuzz::FuzzInput input(data, size);
    config::ReaderConfig stored;
    input.Bytes(stored.data(), stored.size());

    sim::VirtualReader device({1175, 1, 1}, stored);
    device.SetLogging(false);
    sim::VirtualPlatform platform;
    const auto id = platform.AddReader(device);
    link::ZrHID reader(platform, link::PRODUCT_ID_51);
    reader.handle = platform.Open(platform.PathOf(id));
    FUZZ_REQUIRE(reader.handle != link::INVALID_HID_HANDLE);

    config::ReaderConfig loaded{};
    reader.ReadConfig(loaded);
    FUZZ_REQUIRE(loaded == stored);
    const config::ConfigState settings = config::StateFromRecord(loaded);
    const config::ReaderConfig written = config::RecordFromState(settings);
    fuzz::RequireTemplateInvariants(written);

    // The reader takes the record (its CRC-32 checks out) and acknowledges it with 0.
    FUZZ_REQUIRE(reader.WriteConfig(written) == 1);
    FUZZ_REQUIRE(device.record == written);
    config::ReaderConfig reloaded{};
    reader.ReadConfig(reloaded);
    FUZZ_REQUIRE(config::StateFromRecord(reloaded) == fuzz::AsWritten(settings));
    platform.Close(reader.handle);

    fuzz::RequireTemplateInvariants(config::RecordFromState(fuzz::AnyState(input)));
    return 0;
}
