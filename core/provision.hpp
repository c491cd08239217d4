// The provisioning station: readers given the settings of one settings file one after another as
// they are plugged in (and their firmware brought up to the built-in image, when asked for), for
// the command line's `provision` and the window's provisioning dialog alike. Which readers are due,
// the handling of one reader, its verdict with the reason of a failure, the counts, and the rows of
// the provisioning log. Driven one reader a step, so that a blocking loop and a window's timer can
// both drive it; the clocks, the waits and the system's change signals are given, so that tests
// control them.
//
// Which readers are due: every reader attached when the station starts and every one plugged in
// later, once per attachment. The station keeps a handle of each attached reader open: a reader
// pulled out leaves that handle dead for good (its node, or device path, may come back with another
// reader), so a reader that stays attached is never handled twice, and one that went away and came
// back is handled again. A serial number seen before in the run is handled again too (two readers
// can share one) and its verdict says so.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/reader_config.hpp"
#include "firmware/firmware_image.hpp"
#include "link/hid_changes.hpp"
#include "link/hid_platform.hpp"
#include "link/link_error.hpp"
#include "link/open_readers.hpp"
#include "link/text_file.hpp"
#include "link/zrhid.hpp"

namespace zrt::core {

// What became of a reader: its settings written (read back and compared), already held, or not
// given. A reader whose settings were written or already held but whose upgrade failed is failed.
enum class Result { Written, Unchanged, Failed };
// "written", "unchanged", "failed": the command line's and the log's word for a result, a code
// that scripts read, the same in every language.
const char* ResultWord(Result result);

// Why a reader failed.
enum class Reason {
    None,
    NotOpened,           // the system refused to open it (`openError`)
    LinkError,           // a command failed while the reader stayed attached (`linkError`)
    PulledOutReading,    // pulled out while its identity and settings were read
    PulledOutWriting,    // pulled out during the write or its read-back
    PulledOutUploading,  // pulled out during the firmware upload or the restart
    NotStored,           // the record read back lacks the settings written (`differences`)
    UploadFailed,        // a command of the upload failed (`linkError`)
    DamagedImage,        // the built-in image failed its consistency test: nothing was sent
    TestImage,           // the newer built-in image is a test image, not uploaded by this build
    NotFoundAgain,       // no reader with its serial number came back after the restart
    FirmwareNotTaken,    // after the restart it reports `firmwareAfter`, not `imageVersion`
    SettingsLost,        // after the restart it no longer holds the settings (`differences`)
};

// The verdict on one reader.
struct Verdict {
    std::string path;
    std::optional<std::uint16_t> serial;  // none: the reader never told its identity
    std::uint16_t model = 0;              // its model word (0 while not known)
    std::optional<std::uint16_t> firmwareBefore;
    std::optional<std::uint16_t> firmwareAfter;  // as reported after an upload
    Result result = Result::Failed;
    Reason reason = Reason::None;
    link::OpenError openError = link::OpenError::None;
    std::int32_t linkError = 0;
    std::vector<config::SettingDifference> differences;
    std::uint16_t imageVersion = 0;
    bool seenBefore = false;                   // the serial number was handled before in this run
    std::chrono::milliseconds elapsed{0};      // from its plug-in (first seen) to the verdict
    std::chrono::system_clock::time_point at;  // when the verdict was reached

    // Whether an upload changed the firmware the reader reports.
    bool FirmwareChanged() const {
        return firmwareBefore && firmwareAfter && *firmwareBefore != *firmwareAfter;
    }
};

// The counts of a run.
struct Tally {
    int written = 0;
    int unchanged = 0;
    int failed = 0;

    void Count(Result result);
    int Handled() const { return written + unchanged + failed; }
};
// "written 3, unchanged 1, failed 0".
std::string SummaryText(const Tally& tally);

// What the station tells its front end while it handles a reader.
class StationListener {
  public:
    virtual ~StationListener() = default;
    // The reader at `path` is handled now: its load comes next.
    virtual void Handling(const std::string& /*path*/) {}
    // `sent` of `blocks` image blocks are in the reader (before each block and after the last).
    virtual void Uploading(int /*sent*/, int /*blocks*/) {}
    // Step `step` of `steps` of the wait while the reader restarts after the upload.
    virtual void Restarting(int /*step*/, int /*steps*/) {}
    // One pause of that wait, or between two searches for the restarted reader.
    virtual void Wait(int milliseconds) = 0;
};

struct StationSettings {
    config::ConfigState settings;
    bool upgrade = false;  // bring the firmware up to the built-in image too
    firmware::FirmwareCatalogue catalogue = firmware::BuiltInCatalogue();
};

class ProvisionStation {
  public:
    // With change signals the station searches after a change, while an interface settles, and
    // at the latest every SAFETY_INTERVAL; without, at every step.
    static constexpr std::chrono::seconds SAFETY_INTERVAL{2};
    // After an upload the restarted reader is searched for this many times, this long apart.
    static constexpr int REFIND_TRIES = 10;
    static constexpr int REFIND_PAUSE_MS = 300;

    using WallNow = std::function<std::chrono::system_clock::time_point()>;

    // `changes`: the system's change signals as the caller's loop receives them (none: search at
    // every step). The clocks are the system's unless given.
    ProvisionStation(link::HidPlatform& platform, StationSettings settings,
                     StationListener& listener, link::HidChanges* changes,
                     link::SteadyNow now = nullptr, WallNow wallNow = nullptr);
    // Closes every handle it holds.
    ~ProvisionStation();
    ProvisionStation(const ProvisionStation&) = delete;
    ProvisionStation& operator=(const ProvisionStation&) = delete;

    // Searches when a search is due, then handles the first reader due: its verdict (counted), or
    // none when none is due. A reader is handled to its end: load, write when its settings differ,
    // the upgrade when asked for.
    std::optional<Verdict> Step();
    // Whether a reader is due or an interface is settling: the caller steps again without waiting
    // for a change signal.
    bool Pending() const;
    const Tally& Totals() const { return tally_; }
    // Whether readers handled from now on get the upgrade.
    void SetUpgrade(bool upgrade) { settings_.upgrade = upgrade; }

  private:
    struct Attachment {
        std::string path;
        link::HidHandle handle = link::INVALID_HID_HANDLE;  // kept open while it is attached
        std::uint16_t productId = 0;
        std::chrono::steady_clock::time_point since;
        bool handled = false;
    };

    bool SearchDue();
    void Search();
    Verdict Handle(const Attachment& attachment);
    Verdict Given(Verdict verdict);
    void Upgrade(link::ZrHID& reader, Verdict& verdict);
    // The restarted reader found again by `serial` (the attachment of `handle` first): its version
    // and settings checked.
    void Recheck(link::HidHandle handle, std::uint16_t serial, std::uint16_t version,
                 Verdict& verdict);

    link::HidPlatform& platform_;
    StationSettings settings_;
    StationListener& listener_;
    link::HidChanges* changes_;
    link::SteadyNow now_;
    WallNow wallNow_;

    std::vector<Attachment> attached_;
    std::map<std::string, std::chrono::steady_clock::time_point> settling_;  // path: first seen
    std::set<std::string> refused_;  // interfaces not to be opened, reported while they stay listed
    std::vector<Verdict> queued_;    // their verdicts, not yet given
    std::set<std::uint16_t> serials_;
    Tally tally_;
    bool searched_ = false;
    std::chrono::steady_clock::time_point lastSearch_{};
    std::vector<link::HidInterface> listing_;
    std::vector<link::FoundReader> found_;
};

// The provisioning log: one CSV row (RFC 4180) per reader, appended and flushed at once.
//
// The columns, as the header row names them: time (local, with its UTC offset:
// 2026-05-04T09:15:02+02:00), serial (five digits), model (the model word), firmware_before,
// firmware_after (as reported after an upload; else the firmware before), result (written,
// unchanged, failed), reason, settings_sha256 (of the settings file's bytes), version (the
// program's).
inline constexpr const char* LOG_HEADER =
    "time,serial,model,firmware_before,firmware_after,result,reason,settings_sha256,version";

// One CSV line of `fields`, ending in CR LF: a field holding a comma, a quote, CR or LF is quoted,
// its quotes doubled.
std::string CsvLine(const std::vector<std::string>& fields);
// A local time with its offset from UTC, from the same moment broken down both ways:
// "2026-05-04T09:15:02+02:00".
std::string LocalTimeText(const std::tm& local, const std::tm& utc);
// The log's fields of a verdict; `reason` the front end's words for why it failed (texts/, in
// English), `time` as LocalTimeText gives it.
std::vector<std::string> LogFields(const Verdict& verdict, std::string_view reason,
                                   const std::string& time, std::string_view settingsSha256,
                                   std::string_view version);
// The program's version as the log gives it ("1.9", with the note of a build for test images).
std::string ProgramVersion();

class ProvisionLog {
  public:
    // `settingsSha256`: of the bytes of the settings file of the run.
    explicit ProvisionLog(std::string settingsSha256) : sha256_(std::move(settingsSha256)) {}

    // Opens the file for appending, the header row first when it is new or empty, flushed: false,
    // with nothing open and `why` the system's code (link::SystemErrorText), when that cannot be
    // written.
    bool Open(const std::string& path, int& why);
    bool IsOpen() const { return file_ != nullptr; }
    // Appends the verdict's row, `reason` as LogFields takes it, and flushes it: false when it
    // could not be written.
    bool Append(const Verdict& verdict, std::string_view reason);

  private:
    std::string sha256_;
    link::File file_;
};

}  // namespace zrt::core
