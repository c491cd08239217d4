// upgrade: uploads the embedded firmware image of a reader's model when it is newer than the
// reader's firmware, with the window's sequence ("Z", "Y" per block, "y", "z", then the reader's
// nine seconds), and checks afterwards that the reader, found again by its serial number, reports
// the image's version. Only images built into the program can be sent, and test images only by a
// program built for them.
#include <iostream>

#include "cli/command.hpp"
#include "firmware/firmware_image.hpp"
#include "firmware/upgrade.hpp"
#include "link/link_error.hpp"

namespace zrt::cli {

namespace {

// The upgrade's host on a terminal: the question was asked before, the progress goes to the
// terminal, the waits are real. A damaged image is reported through ShowMessage.
class TerminalHost final : public firmware::UpgradeHost {
  public:
    explicit TerminalHost(Terminal& terminal) : terminal_(terminal) {}

    void SetTimerEnabled(bool /*enabled*/) override {}
    bool AskYesNo(std::string_view /*caption*/, std::string_view /*text*/) override {
        asked_ = true;
        return true;
    }
    void ShowMessage(std::string_view /*text*/) override { damaged_ = true; }
    void ShowProgressWindow() override {}
    void RepaintProgressWindow() override {}
    void HideProgressWindow() override {
        terminal_.EndProgress();
        finished_ = true;
    }
    void SetProgressLabel(std::string_view /*text*/) override {}
    void SetProgressMax(int maximum) override {
        // 10 N while the blocks go out (position i before block i), then 100 for the wait.
        waiting_ = maximum == firmware::UPGRADE_WAIT_LAST;
        blocks_ = waiting_ ? blocks_ : maximum / 10;
    }
    void SetProgressPosition(int position) override {
        if (waiting_) {
            terminal_.Progress("restarting", position - firmware::UPGRADE_WAIT_FIRST + 1,
                               firmware::UPGRADE_WAIT_LAST - firmware::UPGRADE_WAIT_FIRST + 1);
        } else {
            terminal_.Progress("uploading ", position, blocks_);
        }
    }
    void Wait(int milliseconds) override { terminal_.Sleep(milliseconds); }

    bool asked_ = false;
    bool damaged_ = false;
    bool finished_ = false;

  private:
    Terminal& terminal_;
    bool waiting_ = false;
    int blocks_ = 0;
};

class Upgrade final : public ReaderCommand {
  public:
    const char* Name() const override { return "upgrade"; }
    const char* Description() const override {
        return "Upload the built-in firmware image when it is newer than the reader's firmware";
    }
    void Setup(CLI::App& command) override {
        command.add_flag("--yes,-y", yes_, "Upload without asking");
    }

  protected:
    std::optional<int> Prepare(Context& context) override {
        if (!yes_ && !context.terminal.Interactive()) {
            return Fail(context, KIND_USAGE,
                        "upgrade asks before it uploads: run it on a terminal, or give --yes",
                        EXIT_USAGE);
        }
        return std::nullopt;
    }

    // Every result carries every field; "firmware_after" stays null when nothing was sent.
    Json InitialFields() const override {
        return {{"firmware", nullptr},
                {"image", nullptr},
                {"uploaded", false},
                {"firmware_after", nullptr}};
    }

    void RunOn(Context& context, ReaderEntry& entry, ReaderResult& result) override {
        link::ZrHID& reader = *entry.reader;
        reader.ReadInfo();
        const link::ReaderInfo before = reader.info;
        const firmware::FirmwareCatalogueRow* row = firmware::FindFirmwareImage(before.model);
        result.fields["firmware"] = before.firmware;
        const std::string name = "reader " + SerialText(before.serial);
        if (row == nullptr) {
            context.err << name << ": no firmware image for model word " << before.model << "\n";
            return;
        }
        const std::uint16_t version = row->image.Version();
        result.fields["image"] = version;
        context.err << name << ": firmware " << before.firmware << ", image " << version << "\n";
        if (version <= before.firmware) {
            context.err << name << ": nothing newer to send\n";
            return;
        }
        if (!firmware::MayUpload(row->image)) {
            return result.Failed("the built-in image for model " +
                                 std::to_string(before.model) + " is a test image; not uploaded");
        }
        if (!yes_ && !context.terminal.Ask("Upload firmware " + std::to_string(version) + " to " +
                                           name + "?")) {
            return result.Failed("declined");
        }

        TerminalHost host(context.terminal);
        firmware::OfferUpgrade(reader, host);
        if (host.damaged_) {
            return result.Failed("the built-in image for model word " +
                                 std::to_string(before.model) + " is damaged; nothing was sent");
        }
        if (!host.finished_) {
            return result.Failed("the upload did not run");
        }
        result.fields["uploaded"] = true;
        Check(context, before.serial, version, result);
    }

  private:
    // The reader has restarted: found again by its serial number, it must report the image's
    // version; a reader that kept its old firmware fails.
    void Check(Context& context, std::uint16_t serial, std::uint16_t version,
               ReaderResult& result) {
        ReaderSet again(context.readers.Platform());
        Selection bySerial;
        bySerial.serial = serial;
        const Chosen chosen = again.Search() ? Choose(again, bySerial) : Chosen{};
        if (chosen.entries.empty()) {
            return result.Failed("the reader was not found again after the upload");
        }
        const std::uint16_t now = chosen.entries.front()->reader->info.firmware;
        result.fields["firmware_after"] = now;
        if (now != version) {
            return result.Failed("after the upload the reader reports firmware " +
                                 std::to_string(now) + ", not " + std::to_string(version));
        }
        context.err << "reader " << SerialText(serial) << ": now firmware " << now << "\n";
    }

    bool yes_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeUpgrade() {
    return std::make_unique<Upgrade>();
}

}  // namespace zrt::cli
