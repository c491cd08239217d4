// The provisioning station: the searches and the attachments, the handling of a reader with its
// verdict, the counts and the log's rows.
#include "core/provision.hpp"

#include <algorithm>
#include <cstdio>

#include "config/settings_file.hpp"
#include "core/reader_service.hpp"
#include "core/reader_status.hpp"
#include "firmware/upgrade.hpp"
#include "link/host_system.hpp"
#include "link/open_readers.hpp"
#include "link/trace.hpp"

namespace zrt::core {

namespace {

constexpr link::HidIds READERS[] = {{link::VENDOR_ID, link::PRODUCT_ID_41},
                                    {link::VENDOR_ID, link::PRODUCT_ID_51}};

// The upgrade's events for the station: the question is answered yes (the station was asked to
// upgrade), the progress and the waits go to the station's listener.
class UpgradeEvents final : public firmware::UpgradeListener {
  public:
    explicit UpgradeEvents(StationListener& listener) : listener_(listener) {}
    bool Asked(std::string_view /*caption*/, std::string_view /*text*/) override { return true; }
    void Sent(int sent, int blocks) override { listener_.Uploading(sent, blocks); }
    void Restarting(int step, int steps) override { listener_.Restarting(step, steps); }
    void Failed(std::optional<link::ZrHIDErr> linkError) override { damaged = !linkError; }
    void Wait(int milliseconds) override { listener_.Wait(milliseconds); }

    bool damaged = false;

  private:
    StationListener& listener_;
};

void Fail(Verdict& verdict, Reason reason) {
    verdict.result = Result::Failed;
    verdict.reason = reason;
}

}  // namespace

const char* ResultWord(Result result) {
    switch (result) {
        case Result::Written:
            return "written";
        case Result::Unchanged:
            return "unchanged";
        case Result::Failed:
            break;
    }
    return "failed";
}

void Tally::Count(Result result) {
    (result == Result::Written ? written : result == Result::Unchanged ? unchanged : failed) += 1;
}

std::string SummaryText(const Tally& tally) {
    return "written " + std::to_string(tally.written) + ", unchanged " +
           std::to_string(tally.unchanged) + ", failed " + std::to_string(tally.failed);
}

ProvisionStation::ProvisionStation(link::HidPlatform& platform, StationSettings settings,
                                   StationListener& listener, link::HidChanges* changes,
                                   link::SteadyNow now, WallNow wallNow)
    : platform_(platform),
      settings_(std::move(settings)),
      listener_(listener),
      changes_(changes),
      now_(now ? std::move(now) : [] { return std::chrono::steady_clock::now(); }),
      wallNow_(wallNow ? std::move(wallNow) : [] { return std::chrono::system_clock::now(); }) {}

ProvisionStation::~ProvisionStation() {
    for (const Attachment& attachment : attached_) {
        platform_.Close(attachment.handle);
    }
}

// The change signal is taken even when a search is due anyway, so that one change does not cause
// two searches.
bool ProvisionStation::SearchDue() {
    const bool changed = changes_ != nullptr && changes_->TakeChanged();
    return changed || changes_ == nullptr || !searched_ || !settling_.empty() ||
           now_() - lastSearch_ >= SAFETY_INTERVAL;
}

void ProvisionStation::Search() {
    searched_ = true;
    lastSearch_ = now_();
    // A reader pulled out leaves its handle dead: its attachment ends.
    std::erase_if(attached_, [this](const Attachment& attachment) {
        link::HidIds ids;
        if (platform_.GetIds(attachment.handle, ids)) {
            return false;
        }
        platform_.Close(attachment.handle);
        return true;
    });
    if (!link::OpenReaders(platform_, READERS, {}, listing_, found_)) {
        return;  // no list now: everything stays as it is until the next search
    }
    const auto listed = [this](const std::string& path) {
        return std::ranges::any_of(listing_,
                                   [&](const link::HidInterface& one) { return one.path == path; });
    };
    std::erase_if(refused_, [&](const std::string& path) { return !listed(path); });
    std::erase_if(settling_, [&](const auto& entry) { return !listed(entry.first); });

    for (const link::FoundReader& one : found_) {
        if (one.handle != link::INVALID_HID_HANDLE) {
            const bool attached = std::ranges::any_of(
                attached_, [&](const Attachment& known) { return known.path == one.path; });
            if (attached) {
                platform_.Close(one.handle);  // the same reader, still attached
                continue;
            }
            const auto waited = settling_.find(one.path);
            const auto since = waited != settling_.end() ? waited->second : lastSearch_;
            if (waited != settling_.end()) {
                settling_.erase(waited);
            }
            attached_.push_back({one.path, one.handle, one.ids.productId, since, false});
            continue;
        }
        switch (one.why) {
            case link::OpenError::NotReady:  // its access is yet to be set
            case link::OpenError::Other:     // e.g. no identity yet, just after its arrival
                settling_.try_emplace(one.path, lastSearch_);
                break;
            case link::OpenError::SystemHeld:  // a reader's keyboard, not the reader
            case link::OpenError::Gone:        // gone since the listing
                break;
            default:
                if (refused_.insert(one.path).second) {
                    Verdict verdict;
                    verdict.path = one.path;
                    verdict.openError = one.why;
                    Fail(verdict, Reason::NotOpened);
                    verdict.at = wallNow_();
                    queued_.push_back(std::move(verdict));
                }
                break;
        }
    }
}

std::optional<Verdict> ProvisionStation::Step() {
    if (SearchDue()) {
        Search();
    }
    if (!queued_.empty()) {
        Verdict verdict = std::move(queued_.front());
        queued_.erase(queued_.begin());
        return Given(std::move(verdict));
    }
    for (Attachment& attachment : attached_) {
        if (!attachment.handled) {
            attachment.handled = true;
            const Attachment handled = attachment;  // the list may change while it is handled
            return Given(Handle(handled));
        }
    }
    return std::nullopt;
}

// Each verdict is counted and goes to the program's trace as it is given, a failure's reason by
// its codes (the front ends word it, texts/).
Verdict ProvisionStation::Given(Verdict verdict) {
    tally_.Count(verdict.result);
    const std::vector<std::string> fields = LogFields(verdict, "", "", "", "");
    std::string note = "provisioning: " + (fields[1].empty() ? "?????" : fields[1]) + " " +
                       verdict.path + " " + fields[5];
    if (verdict.reason != Reason::None) {
        note += ": reason " + std::to_string(static_cast<int>(verdict.reason)) + ", open error " +
                std::to_string(static_cast<int>(verdict.openError)) + ", link error " +
                std::to_string(verdict.linkError);
    }
    link::Trace::Note(note);
    return verdict;
}

bool ProvisionStation::Pending() const {
    return !queued_.empty() || !settling_.empty() ||
           std::ranges::any_of(attached_, [](const Attachment& one) { return !one.handled; });
}

// Load; the write with its read-back only when the reader's settings differ; then the upgrade. A
// link error fails the reader: pulled out when its handle died with it, else the error itself.
Verdict ProvisionStation::Handle(const Attachment& attachment) {
    listener_.Handling(attachment.path);
    Verdict verdict;
    verdict.path = attachment.path;
    link::ZrHID reader(platform_, attachment.productId);
    reader.handle = attachment.handle;
    Reason pulledOut = Reason::PulledOutReading;
    try {
        const LoadedReader loaded = LoadReader(reader);
        verdict.serial = loaded.info.serial;
        verdict.model = loaded.info.model;
        verdict.firmwareBefore = loaded.info.firmware;
        verdict.seenBefore = !serials_.insert(loaded.info.serial).second;
        const config::ReaderConfig wanted = config::RecordFromState(settings_.settings);
        if (config::SameSettings(loaded.info.model, wanted, loaded.record)) {
            verdict.result = Result::Unchanged;
        } else {
            pulledOut = Reason::PulledOutWriting;
            const WriteOutcome outcome = WriteReader(reader, settings_.settings);
            if (outcome.stored) {
                verdict.result = Result::Written;
            } else {
                Fail(verdict, Reason::NotStored);
                verdict.differences = config::SettingDifferences(loaded.info.model, outcome.written,
                                                                 outcome.readBack);
            }
        }
        if (verdict.result != Result::Failed && settings_.upgrade) {
            pulledOut = Reason::PulledOutUploading;
            Upgrade(reader, verdict);
        }
    } catch (const link::ZrHIDErr& error) {
        link::HidIds ids;
        const bool gone = !platform_.GetIds(attachment.handle, ids);
        Fail(verdict, gone                                      ? pulledOut
                      : pulledOut == Reason::PulledOutUploading ? Reason::UploadFailed
                                                                : Reason::LinkError);
        verdict.linkError = error.code;
    }
    verdict.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now_() - attachment.since);
    verdict.at = wallNow_();
    return verdict;
}

// The offer as the window and `upgrade` make it; an upload's link error passes to Handle.
void ProvisionStation::Upgrade(link::ZrHID& reader, Verdict& verdict) {
    const firmware::UpgradeOffer offer = firmware::OfferFor(reader.info, settings_.catalogue);
    if (offer.verdict == firmware::OfferVerdict::TestImageNotAllowed) {
        return Fail(verdict, Reason::TestImage);
    }
    if (offer.verdict != firmware::OfferVerdict::Offered) {
        return;  // nothing newer
    }
    UpgradeEvents events(listener_);
    firmware::OfferUpgrade(reader, events, settings_.catalogue);
    if (events.damaged) {
        return Fail(verdict, Reason::DamagedImage);
    }
    Recheck(reader.handle, reader.info.serial, offer.row->image.Version(), verdict);
}

// The reader restarts after the upload and may come back at another path: every attachment after a
// search is asked, the reader's own first, the others only while not yet handled, and the first
// with the serial number is the reader (and counts as handled).
void ProvisionStation::Recheck(link::HidHandle handle, std::uint16_t serial, std::uint16_t version,
                               Verdict& verdict) {
    for (int attempt = 0; attempt < REFIND_TRIES; ++attempt) {
        if (attempt > 0) {
            listener_.Wait(REFIND_PAUSE_MS);
        }
        Search();
        std::stable_partition(attached_.begin(), attached_.end(),
                              [handle](const Attachment& one) { return one.handle == handle; });
        for (Attachment& candidate : attached_) {
            if (candidate.handled && candidate.handle != handle) {
                continue;
            }
            link::ZrHID again(platform_, candidate.productId);
            again.handle = candidate.handle;
            config::ReaderConfig record{};
            try {
                const link::ReaderLock lock(again);
                again.ReadInfo();
                if (again.info.serial != serial) {
                    continue;
                }
                again.ReadConfig(record);
            } catch (const link::ZrHIDErr&) {
                continue;
            }
            candidate.handled = true;
            verdict.firmwareAfter = again.info.firmware;
            const config::ReaderConfig wanted = config::RecordFromState(settings_.settings);
            if (again.info.firmware != version) {
                verdict.imageVersion = version;
                Fail(verdict, Reason::FirmwareNotTaken);
            } else if (!config::SameSettings(again.info.model, wanted, record)) {
                verdict.differences = config::SettingDifferences(again.info.model, wanted, record);
                Fail(verdict, Reason::SettingsLost);
            }
            return;
        }
    }
    Fail(verdict, Reason::NotFoundAgain);
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (i > 0) {
            line += ',';
        }
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (char c : field) {
            line += c == '"' ? "\"\"" : std::string(1, c);
        }
        line += '"';
    }
    return line + "\r\n";
}

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian; month 1..12).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

long long SecondsOf(const std::tm& time) {
    return DaysFromCivil(time.tm_year + 1900LL, static_cast<unsigned>(time.tm_mon + 1),
                         static_cast<unsigned>(time.tm_mday)) *
               86400 +
           time.tm_hour * 3600LL + time.tm_min * 60LL + time.tm_sec;
}

}  // namespace

// The offset is the difference of the two breakdowns (the C library's %z is no offset on
// Windows).
std::string LocalTimeText(const std::tm& local, const std::tm& utc) {
    const long long offset = (SecondsOf(local) - SecondsOf(utc)) / 60;
    const long long minutes = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02lld:%02lld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::vector<std::string> LogFields(const Verdict& verdict, std::string_view reason,
                                   const std::string& time, std::string_view settingsSha256,
                                   std::string_view version) {
    char serial[8] = "";
    if (verdict.serial) {
        std::snprintf(serial, sizeof serial, "%05u", static_cast<unsigned>(*verdict.serial));
    }
    const auto number = [](std::optional<std::uint16_t> value) {
        return value ? std::to_string(*value) : std::string();
    };
    return {time,
            serial,
            verdict.serial ? std::to_string(verdict.model) : std::string(),
            number(verdict.firmwareBefore),
            number(verdict.firmwareAfter ? verdict.firmwareAfter : verdict.firmwareBefore),
            ResultWord(verdict.result),
            config::PrintableText(reason),
            std::string(settingsSha256),
            std::string(version)};
}

std::string ProgramVersion() {
    return ZRT_PROGRAM_VERSION + std::string(firmware::TestImagesNote());
}

bool ProvisionLog::Open(const std::string& path, int& why) {
    const auto failed = [&why] {
        why = link::LastSystemError();
        return false;
    };
    link::File file = link::OpenForAppending(path);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return failed();
    }
    const long size = std::ftell(file.get());
    if (size < 0) {
        return failed();
    }
    if (size == 0) {
        const std::string header = std::string(LOG_HEADER) + "\r\n";
        if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size()) {
            return failed();
        }
    }
    if (std::fflush(file.get()) != 0) {
        return failed();
    }
    file_ = std::move(file);
    return true;
}

bool ProvisionLog::Append(const Verdict& verdict, std::string_view reason) {
    if (!file_) {
        return false;
    }
    const std::time_t at = std::chrono::system_clock::to_time_t(verdict.at);
    std::tm local{};
    std::tm utc{};
    if (const std::tm* broken = std::localtime(&at)) {
        local = *broken;
    }
    if (const std::tm* broken = std::gmtime(&at)) {
        utc = *broken;
    }
    const std::string line =
        CsvLine(LogFields(verdict, reason, LocalTimeText(local, utc), sha256_, ProgramVersion()));
    return std::fwrite(line.data(), 1, line.size(), file_.get()) == line.size() &&
           std::fflush(file_.get()) == 0;
}

}  // namespace zrt::core
