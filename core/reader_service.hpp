// ReaderService: the reader's use cases, for the window and the command-line program alike. It
// owns the two reader objects and the current reader, borrows the program's two reader lists, and
// offers the search over both product identifiers, the load (identity, then record), the write
// with its read-back and comparison, the sign-of-life check and the firmware upgrade offer. What
// the user sees of them (boxes, focus, animation) is the caller's.
#pragma once

#include <functional>
#include <string>

#include "config/reader_config.hpp"
#include "core/search_pace.hpp"
#include "firmware/firmware_image.hpp"
#include "firmware/upgrade.hpp"
#include "link/hid_platform.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"

namespace zrt::core {

// What a load gives: the identity just read ("M") and the record just read ("c").
struct LoadedReader {
    link::ReaderInfo info;
    config::ReaderConfig record;
};

// What a write gives: the record written, whether the record read back holds its settings, and
// the record read back.
struct WriteOutcome {
    config::ReaderConfig written;
    bool stored;
    config::ReaderConfig readBack;
};

// The load and the write on one reader, for a program that picks its readers itself. Link errors
// pass as ZrHIDErr.
// Reads the identity ("M"), then the record ("c").
LoadedReader LoadReader(link::ZrHID& reader);
// Writes the record built from `settings` ("C"), then reads the record back ("c") and compares
// their settings with config::SameSettings for the model word last read from the reader ("M"):
// the reader's acknowledgement of "C" does not say whether it stored it. Holds the reader's lock
// from "C" to the read-back.
WriteOutcome WriteReader(link::ZrHID& reader, const config::ConfigState& settings);

// What a search has to tell the user: a link error (its code), or that the readers present may
// not be opened by this user.
struct SearchNotice {
    enum class Kind { LinkError, NoAccess };
    Kind kind = Kind::LinkError;
    std::int32_t code = 0;  // LinkError: the link error's code
};

class ReaderService {
  public:
    // `hidVP41` and `hidVP51`: the program's reader lists for product identifiers 65 and 81; the
    // service borrows their handles and never closes one.
    ReaderService(link::HidPlatform& platform, link::HidVPTab& hidVP41, link::HidVPTab& hidVP51);
    ReaderService(const ReaderService&) = delete;
    ReaderService& operator=(const ReaderService&) = delete;

    // Sets CurrentReader to none, then searches the list of product identifier 65, then that of
    // 81: true with CurrentReader set to the first reader found, false with none. A link error
    // during the search is given to `notice` and gives false; so is, once per plug-in, a reader
    // found that this user may not open (when no reader was found).
    bool FindReader(const std::function<void(const SearchNotice&)>& notice);
    // Whether a poll tick with no reader open searches now (SearchPace).
    bool SearchDue() { return Pace.Due(); }
    bool IsOpen() const { return CurrentReader != nullptr; }
    // Whether the last search found no reader but met one this user may not open.
    bool OnlyDenied() const { return onlyDenied_; }
    // Lets go of the current reader (the handles stay with the lists).
    void Forget() { CurrentReader = nullptr; }
    // The current reader's identity as last read. Raises ZrHIDErr ERR_NOT_FOUND without one.
    const link::ReaderInfo& Info() const;

    // The following raise ZrHIDErr on any link failure, and ERR_NOT_FOUND without a current
    // reader; nothing is caught.
    // Reads the identity ("M") as a sign of life, if the reader's lock can be had at once: while
    // another program holds the reader nothing is sent and nothing changes.
    void CheckReader();
    // Whether the current reader's lock can be had at once (it is let go again): false while
    // another program holds the reader.
    bool Available();
    // LoadReader and WriteReader on the current reader.
    LoadedReader Load();
    WriteOutcome Write(const config::ConfigState& settings);
    // Offers the current reader the catalogue's newer image of its model (firmware::OfferUpgrade).
    void OfferUpgrade(firmware::UpgradeListener& listener);

    // How both reader objects pass the time while another program holds their reader (see
    // link::ZrHID::lockWaitHook); none: the platform waits.
    void SetLockWaitHook(const link::LockWaitHook& hook) {
        Reader41.lockWaitHook = hook;
        Reader51.lockWaitHook = hook;
    }

    // The platform the readers are reached through (the report's search uses it too).
    link::HidPlatform& Platform() const { return platform_; }

    // The firmware images offered to readers; the built-in ones unless set. The catalogue must
    // outlive the service.
    void SetFirmwareCatalogue(firmware::FirmwareCatalogue catalogue) { Catalogue = catalogue; }

    link::HidVPTab& HidVP41;
    link::HidVPTab& HidVP51;
    link::ZrHID Reader41;
    link::ZrHID Reader51;
    link::ZrHID* CurrentReader = nullptr;  // &Reader41, &Reader51 or none
    firmware::FirmwareCatalogue Catalogue = firmware::BuiltInCatalogue();
    SearchPace Pace;  // every FindReader is noted in it

  private:
    link::ZrHID& Current() const;

    link::HidPlatform& platform_;

    bool onlyDenied_ = false;
};

}  // namespace zrt::core
