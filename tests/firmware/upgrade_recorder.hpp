// A recording listener of the firmware upgrade, for the tests of the procedure and of what runs it:
// every event with its values and the number of requests the virtual reader had received by then,
// so that the events can be placed between the commands on the wire. The waits pass at once.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware/upgrade.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::firmware::testing {

struct UpgradeEvent {
    std::string what;  // asked, started, sent, restarting, finished, failed, wait
    // started: blocks; sent: blocks sent; restarting: step; failed: the link error's code, or -1
    // for a damaged image; wait: milliseconds.
    int value = 0;
    int total = 0;         // sent: blocks; restarting: steps
    std::size_t wire = 0;  // requests the reader had received by then
    std::string text;      // asked: caption|text

    bool operator==(const UpgradeEvent&) const = default;
    friend void PrintTo(const UpgradeEvent& e, std::ostream* out) {
        *out << e.what << " " << e.value << "/" << e.total << " at " << e.wire << " " << e.text;
    }
};

class UpgradeRecorder final : public UpgradeListener {
  public:
    explicit UpgradeRecorder(const sim::VirtualReader* reader = nullptr) : reader_(reader) {}

    bool Asked(std::string_view caption, std::string_view text) override {
        Add("asked", 0, 0, std::string(caption) + "|" + std::string(text));
        return answer;
    }
    void Started(int blocks) override { Add("started", blocks); }
    void Sent(int sent, int blocks) override { Add("sent", sent, blocks); }
    void Restarting(int step, int steps) override { Add("restarting", step, steps); }
    void Finished() override { Add("finished"); }
    void Failed(std::optional<link::ZrHIDErr> linkError) override {
        Add("failed", linkError ? linkError->code : -1);
    }
    void Wait(int milliseconds) override { Add("wait", milliseconds); }

    bool answer = true;  // to the question
    std::vector<UpgradeEvent> events;
    std::function<void(const UpgradeEvent&)> onEvent;  // after each event is noted

  private:
    void Add(std::string what, int value = 0, int total = 0, std::string text = {}) {
        events.push_back(
            {std::move(what), value, total, reader_ ? reader_->Log().size() : 0, std::move(text)});
        if (onEvent) {
            onEvent(events.back());
        }
    }
    const sim::VirtualReader* reader_;
};

}  // namespace zrt::firmware::testing
