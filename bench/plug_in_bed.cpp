// zrt_bench_plug_in: the window's plug-ins as a user sees them, measured in the umockdev bed. The
// main window (the window logic on the Qt backend, offscreen, its 100 ms timer and its wait on the
// system's change signals as the program has them) over the real hidraw backend; the program is a
// user whom the system refuses a node its mode does not open to everyone (the backend's open
// seam), and the bed plugs the reader in in udev's order: its node for root alone, its timestamps
// touched, and its user's access ACCESS_AFTER milliseconds later.
//
//   zrt_bench_plug_in [--accessible N] [--refused M] [--access-after MS] [--held K]
//
// N plug-ins with access given: the no-access boxes and no-access status lines seen, how many were
// loaded (first "c" answered) and the delay from the access to the load. M plug-ins of a reader
// never given access: the no-access boxes of each (shown once each, after the node settled). K
// times a reader plugged in while another program holds it, let go a few seconds later: from the
// release to the load, once with the reader's lock held (the way of Linux programs) and once with
// the reader open to that program alone (an exclusive open, the way of Windows programs).
// Prints one line "name=value" for each figure.
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/reader_config.hpp"
#include "core/reader_service.hpp"
#include "core/reader_status.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/linux/hidraw_platform.hpp"
#include "sim/umockdev_bed.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/qt/qt_dialogs.hpp"
#include "ui/qt/qt_form.hpp"

namespace {

using namespace zrt;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr unsigned READER = 0;

// Another program that holds the reader exclusively: opens of its node then fail as the system
// fails them (EBUSY).
std::atomic<bool> heldExclusively{false};

// open(2) as a user who is neither the node's owner nor in its group: refused (EACCES) unless
// the node is open to everyone.
int OpenAsAUser(const char* path, int flags) {
    struct stat status {};
    if (::stat(path, &status) == 0 &&
        (status.st_mode & (S_IROTH | S_IWOTH)) != (S_IROTH | S_IWOTH)) {
        errno = EACCES;
        return -1;
    }
    if (heldExclusively) {
        errno = EBUSY;
        return -1;
    }
    return ::open(path, flags);
}

// The status label, every caption set on it noted.
class NotedLabel : public ui::Control {
  public:
    NotedLabel(ui::Control& inner, std::vector<std::string>& captions)
        : Control(inner.Name()), inner_(inner), captions_(captions) {}
    void SetEnabled(bool enabled) override { inner_.SetEnabled(enabled); }
    bool Enabled() const override { return inner_.Enabled(); }
    void SetVisible(bool visible) override { inner_.SetVisible(visible); }
    bool Visible() const override { return inner_.Visible(); }
    void SetFocus() override { inner_.SetFocus(); }
    void SetCaption(const std::string& caption) override {
        captions_.push_back(caption);
        inner_.SetCaption(caption);
    }
    void Repaint() override { inner_.Repaint(); }

  private:
    ui::Control& inner_;
    std::vector<std::string>& captions_;
};

// The window's controls, with the status label noted.
class NotedControls : public ui::ControlSet {
  public:
    NotedControls(ui::qt::QtForm& form, std::vector<std::string>& captions)
        : form_(form), label_(form.Get<ui::Control>("RdLbl"), captions) {}
    ui::Component* Find(std::string_view name) override {
        return name == "RdLbl" ? &label_ : form_.Find(name);
    }

  private:
    ui::qt::QtForm& form_;
    NotedLabel label_;
};

// The boxes, noted and closed at once (a question answered No).
class NotedBoxes : public ui::Dialogs {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    std::vector<std::string> messages;
};

// Runs the event loop until `done` holds or `timeout` passed; whether it holds.
bool RunUntil(const std::function<bool()>& done, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void RunFor(milliseconds time) {
    RunUntil([] { return false; }, time);
}

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Options {
    int accessible = 200;
    int refused = 20;
    int accessAfter = 400;
    int held = 5;
};

int Run(const Options& options) {
    sim::UmockdevBed bed;
    bed.AddReader(READER, sim::VirtualReader(link::ReaderInfo{151, 42, 12}, config::RECORD_TEMPLATE,
                                             link::PRODUCT_ID_51));
    bed.Unplug(READER);
    std::atomic<long long> configAnswered{0};  // steady-clock ticks of the first "c" since a reset
    bed.SetRequestObserver([&configAnswered](unsigned, const sim::Request& request) {
        if (request.command == link::CMD_READ_CONFIG && configAnswered == 0) {
            configAnswered = Clock::now().time_since_epoch().count();
        }
    });
    const auto loadedAt = [&] { return Clock::time_point(Clock::duration(configAnswered.load())); };

    link::HidrawPlatform platform("/sys/class/hidraw", "/dev", &OpenAsAUser);
    link::HidVPTab hidVP41(platform);
    link::HidVPTab hidVP51(platform);
    core::ReaderService readers(platform, hidVP41, hidVP51);
    ui::qt::QtForm form(ui::MainWinLayout());
    std::vector<std::string> captions;
    NotedControls controls(form, captions);
    NotedBoxes boxes;
    ui::qt::QtWaiter waiter;
    ui::TMainWin window(controls, readers, boxes, waiter);
    form.SetEventSink(&window);
    link::HidChanges* changes = platform.Changes();
    if (changes == nullptr) {
        std::fprintf(stderr, "no change signals in the bed\n");
        return 1;
    }
    QSocketNotifier changeSignals(changes->Descriptor(), QSocketNotifier::Read);
    QObject::connect(&changeSignals, &QSocketNotifier::activated,
                     [changes] { changes->Arrived(); });
    changes->Watched();
    form.show();  // its activation searches
    RunFor(milliseconds(300));

    // The Polish window's texts, the README where a window without documents names it.
    const std::string noAccessBox =
        texts::Say(texts::Language::Polish, texts::Text::NoAccess, {{"readme", "README"}});
    const std::string noAccessStatus(
        texts::Words(texts::Text::NoAccessStatus, texts::Language::Polish));
    const auto count = [](const std::vector<std::string>& texts, const std::string& text) {
        return static_cast<int>(std::count(texts.begin(), texts.end(), text));
    };
    const auto unplug = [&] {
        bed.Unplug(READER);
        RunUntil(
            [&] {
                return !readers.IsOpen() && (captions.empty() || captions.back() != noAccessStatus);
            },
            milliseconds(10'000));
        RunFor(milliseconds(200));
    };

    // Plug-ins given access.
    int loaded = 0;
    double worst = 0;
    double sum = 0;
    for (int plug = 0; plug < options.accessible; ++plug) {
        configAnswered = 0;
        bed.PlugForRootAlone(READER);
        RunFor(milliseconds(options.accessAfter));
        const auto given = Clock::now();
        bed.GiveAccess(READER);
        if (RunUntil([&] { return configAnswered != 0 && readers.IsOpen(); },
                     milliseconds(10'000))) {
            ++loaded;
            const double delay = Ms(loadedAt() - given);
            worst = std::max(worst, delay);
            sum += delay;
        }
        unplug();
    }
    std::printf(
        "accessible_plug_ins=%d\nloaded=%d\nno_access_boxes=%d\nno_access_status_lines=%d\n"
        "access_to_load_mean_ms=%.1f\naccess_to_load_max_ms=%.1f\n",
        options.accessible, loaded, count(boxes.messages, noAccessBox),
        count(captions, noAccessStatus), loaded > 0 ? sum / loaded : 0.0, worst);
    std::fflush(stdout);

    // Plug-ins never given access: the box once each, after the settling time.
    std::string boxesEach;
    for (int plug = 0; plug < options.refused; ++plug) {
        const int before = count(boxes.messages, noAccessBox);
        const int statusBefore = count(captions, noAccessStatus);
        bed.PlugForRootAlone(READER);
        const auto plugged = Clock::now();
        RunUntil([&] { return count(boxes.messages, noAccessBox) > before; }, milliseconds(10'000));
        const double boxAfter = Ms(Clock::now() - plugged);
        RunFor(milliseconds(2500));  // searched again every second meanwhile
        boxesEach += (boxesEach.empty() ? "" : ",") +
                     std::to_string(count(boxes.messages, noAccessBox) - before);
        std::printf("refused_box_after_ms=%.0f status_lines=%d\n", boxAfter,
                    count(captions, noAccessStatus) - statusBefore);
        unplug();
    }
    std::printf("refused_plug_ins=%d\nboxes_each=%s\n", options.refused, boxesEach.c_str());
    std::fflush(stdout);

    // A reader another program holds, let go of after 2.5 s.
    for (const bool exclusive : {false, true}) {
        double heldWorst = 0;
        for (int plug = 0; plug < options.held; ++plug) {
            bed.Plug(READER);
            bed.GiveAccess(READER);
            int other = -1;
            if (exclusive) {
                heldExclusively = true;
            } else {
                other = ::open(sim::UmockdevBed::NodePath(READER).c_str(), O_RDWR | O_CLOEXEC);
                ::flock(other, LOCK_EX);
            }
            RunFor(milliseconds(2500));
            configAnswered = 0;
            const auto released = Clock::now();
            if (exclusive) {
                heldExclusively = false;
            } else {
                ::close(other);
            }
            const bool seen = RunUntil([&] { return configAnswered != 0 && readers.IsOpen(); },
                                       milliseconds(10'000));
            const double delay = seen ? Ms(loadedAt() - released) : 1e9;
            heldWorst = std::max(heldWorst, delay);
            std::printf("%s_release_to_load_ms=%.1f\n", exclusive ? "exclusive" : "lock", delay);
            unplug();
        }
        std::printf("%s_release_to_load_max_ms=%.1f\n", exclusive ? "exclusive" : "lock",
                    heldWorst);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!sim::RunUnderUmockdevPreload(argv)) {
        return 1;
    }
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--accessible") {
            options.accessible = value;
        } else if (name == "--refused") {
            options.refused = value;
        } else if (name == "--access-after") {
            options.accessAfter = value;
        } else if (name == "--held") {
            options.held = value;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--accessible N] [--refused M] [--access-after MS] "
                         "[--held K]\n",
                         argv[0]);
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        return Run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
