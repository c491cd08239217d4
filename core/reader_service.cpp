// ReaderService: the search, the load, the write with its read-back, and the upgrade offer.
#include "core/reader_service.hpp"

#include "link/find_reader.hpp"
#include "link/link_error.hpp"

namespace zrt::core {

LoadedReader LoadReader(link::ZrHID& reader) {
    reader.ReadInfo();
    LoadedReader loaded{reader.info, {}};
    reader.ReadConfig(loaded.record);
    return loaded;
}

WriteOutcome WriteReader(link::ZrHID& reader, const config::ConfigState& settings) {
    WriteOutcome outcome{config::RecordFromState(settings), false, {}};
    reader.WriteConfig(outcome.written);
    reader.ReadConfig(outcome.readBack);
    outcome.stored = config::SameSettings(outcome.written, outcome.readBack);
    return outcome;
}

ReaderService::ReaderService(link::HidPlatform& platform, link::HidVPTab& hidVP41,
                             link::HidVPTab& hidVP51)
    : HidVP41(hidVP41),
      HidVP51(hidVP51),
      Reader41(platform, link::PRODUCT_ID_41),
      Reader51(platform, link::PRODUCT_ID_51) {}

bool ReaderService::FindReader(const std::function<void(const std::string&)>& showMessage) {
    return link::FindReader({HidVP41, HidVP51, Reader41, Reader51, CurrentReader}, showMessage);
}

link::ZrHID& ReaderService::Current() const {
    if (CurrentReader == nullptr) {
        throw link::ZrHIDErr{link::ERR_NOT_FOUND};
    }
    return *CurrentReader;
}

const link::ReaderInfo& ReaderService::Info() const {
    return Current().info;
}

void ReaderService::CheckReader() {
    Current().ReadInfo();
}

LoadedReader ReaderService::Load() {
    return LoadReader(Current());
}

WriteOutcome ReaderService::Write(const config::ConfigState& settings) {
    return WriteReader(Current(), settings);
}

void ReaderService::OfferUpgrade(firmware::UpgradeHost& host) {
    firmware::OfferUpgrade(Current(), host, Catalogue);
}

}  // namespace zrt::core
