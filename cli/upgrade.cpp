// upgrade: uploads the embedded firmware image of a reader's model when the window would offer it
// (firmware::OfferFor: a newer image, a test image only in a program built for them), with the
// window's procedure (firmware::OfferUpgrade: "Z", "Y" per block, "y", "z", then the reader's nine
// seconds) shown on the terminal, and checks afterwards that the reader, found again by its serial
// number, reports the image's version.
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "cli/command.hpp"
#include "firmware/upgrade.hpp"

namespace zrt::cli {

namespace {

// The upgrade on a terminal: the question is the terminal's own `question` (none with --yes), the
// blocks and the restart are two progress displays, and the closing wait really waits.
class TerminalListener final : public firmware::UpgradeListener {
  public:
    TerminalListener(Terminal& terminal, std::optional<std::string> question)
        : terminal_(terminal), question_(std::move(question)) {}

    bool Asked(std::string_view /*caption*/, std::string_view /*text*/) override {
        declined = question_ && !terminal_.Ask(*question_);
        return !declined;
    }
    void Sent(int sent, int blocks) override { terminal_.Progress("uploading ", sent, blocks); }
    void Restarting(int step, int steps) override {
        if (step > 0) {  // the display starts with the first pause
            terminal_.Progress("restarting", step, steps);
        }
    }
    void Finished() override { terminal_.EndProgress(); }
    void Failed(std::optional<link::ZrHIDErr> linkError) override {
        terminal_.EndProgress();
        damaged = !linkError;
    }
    void Wait(int milliseconds) override { terminal_.Sleep(milliseconds); }

    bool declined = false;
    bool damaged = false;

  private:
    Terminal& terminal_;
    std::optional<std::string> question_;
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
        const firmware::UpgradeOffer offer = firmware::OfferFor(before, context.catalogue);
        result.fields["firmware"] = before.firmware;
        const std::string name = "reader " + SerialText(before.serial);
        if (offer.verdict == firmware::OfferVerdict::NoImage) {
            context.err << name << ": no firmware image for model word " << before.model << "\n";
            return;
        }
        const std::uint16_t version = offer.row->image.Version();
        result.fields["image"] = version;
        context.err << name << ": firmware " << before.firmware << ", image " << version << "\n";
        if (offer.verdict == firmware::OfferVerdict::NotNewer) {
            context.err << name << ": nothing newer to send\n";
            return;
        }
        if (offer.verdict == firmware::OfferVerdict::TestImageNotAllowed) {
            return result.Failed("the built-in image for model " + std::to_string(before.model) +
                                 " is a test image; not uploaded");
        }

        TerminalListener listener(
            context.terminal, yes_ ? std::nullopt
                                   : std::optional("Upload firmware " + std::to_string(version) +
                                                   " to " + name + "?"));
        firmware::OfferUpgrade(reader, listener, context.catalogue);
        if (listener.declined) {
            return result.Failed("declined");
        }
        if (listener.damaged) {
            return result.Failed("the built-in image for model word " +
                                 std::to_string(before.model) + " is damaged; nothing was sent");
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
