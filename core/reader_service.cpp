// ReaderService: the search, the load, the write with its read-back, and the upgrade offer.
#include "core/reader_service.hpp"

#include "core/reader_status.hpp"

#include "link/find_reader.hpp"
#include "link/link_error.hpp"

namespace zrt::core {

// Load and write each hold the reader's lock throughout, so another program's requests never come
// between their two commands.
LoadedReader LoadReader(link::ZrHID& reader) {
    const link::ReaderLock lock(reader);
    reader.ReadInfo();
    LoadedReader loaded{reader.info, {}};
    reader.ReadConfig(loaded.record);
    return loaded;
}

// The verdict is the settings as the window shows them for the reader's model, never the bytes: a
// reader may keep its own values in the bytes nobody reads.
WriteOutcome WriteReader(link::ZrHID& reader, const config::ConfigState& settings) {
    const link::ReaderLock lock(reader);
    WriteOutcome outcome{config::RecordFromState(settings), false, {}};
    reader.WriteConfig(outcome.written);
    reader.ReadConfig(outcome.readBack);
    outcome.stored = config::SameSettings(reader.info.model, outcome.written, outcome.readBack);
    return outcome;
}

ReaderService::ReaderService(link::HidPlatform& platform, link::HidVPTab& hidVP41,
                             link::HidVPTab& hidVP51)
    : HidVP41(hidVP41),
      HidVP51(hidVP51),
      Reader41(platform, link::PRODUCT_ID_41),
      Reader51(platform, link::PRODUCT_ID_51),
      Pace(platform),
      platform_(platform) {}

// A search that finds no reader but a reader this user may not open says so, once per plug-in:
// such a reader would otherwise look exactly like none.
bool ReaderService::FindReader(const std::function<void(const SearchNotice&)>& notice) {
    Pace.BeforeSearch();
    const bool found = link::FindReader({HidVP41, HidVP51, Reader41, Reader51, CurrentReader},
                                        [&](const link::ZrHIDErr& error) {
                                            if (notice) {
                                                notice({SearchNotice::Kind::LinkError, error.code});
                                            }
                                        });
    Pace.AfterSearch(found, HidVP41.MetUnopened() || HidVP51.MetUnopened());
    const bool denied41 = HidVP41.TakeNewlyDenied();
    const bool denied51 = HidVP51.TakeNewlyDenied();
    if (!found && (denied41 || denied51) && notice) {
        notice({SearchNotice::Kind::NoAccess, 0});
    }
    onlyDenied_ = !found && (HidVP41.MetDenied() || HidVP51.MetDenied());
    return found;
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
    const link::ReaderLock lock(Current(), link::ReaderLock::Mode::Try);
    if (lock.Held()) {
        Current().ReadInfo();
    }
}

bool ReaderService::Available() {
    return link::ReaderLock(Current(), link::ReaderLock::Mode::Try).Held();
}

LoadedReader ReaderService::Load() {
    return LoadReader(Current());
}

WriteOutcome ReaderService::Write(const config::ConfigState& settings) {
    return WriteReader(Current(), settings);
}

void ReaderService::OfferUpgrade(firmware::UpgradeListener& listener) {
    firmware::OfferUpgrade(Current(), listener, Catalogue);
}

}  // namespace zrt::core
