// The firmware upgrade offered after every load of a reader: which image a reader is offered (or
// why none), the question, the consistency test, the upload of the image block by block and the
// closing wait while the reader restarts. Plain C++: it tells an UpgradeListener what happens, in
// its own terms, and the listener shows it (the main window with its timer, boxes and progress
// window; the command line on its terminal).
#pragma once

#include <optional>
#include <string_view>

#include "firmware/firmware_image.hpp"
#include "link/link_error.hpp"
#include "link/zrhid.hpp"

namespace zrt::firmware {

// The five lines of the upgrade question.
inline constexpr std::string_view UPGRADE_QUESTION =
    "    Czytnik zawiera nieaktualne oprogramowanie.\n"
    "    Niektóre ustawienia konfiguracji nie będą\n"
    "    prawidłowow realizowane.\n"
    "\n"
    "    Wykonać upgrade oprogramowania czytnika?";

// The closing wait after "z": the reader restarts for 90 steps of 100 ms, nothing sent meanwhile.
inline constexpr int UPGRADE_WAIT_MS = 100;
inline constexpr int UPGRADE_WAIT_STEPS = 90;

// Whether a reader is offered an image, and if not, why.
enum class OfferVerdict {
    NoImage,              // the catalogue has no image for the reader's model word
    NotNewer,             // the image's version is not above the reader's firmware (16-bit)
    TestImageNotAllowed,  // a newer image that is a test image, where test images are not allowed
    Offered,              // a strictly newer image that may be uploaded
};

struct UpgradeOffer {
    OfferVerdict verdict = OfferVerdict::NoImage;
    const FirmwareCatalogueRow* row = nullptr;  // the row of the reader's model; none with NoImage
};

// Which image a reader of this identity is offered, and why not. `testImagesAllowed`: whether test
// images may be uploaded; this build's rule (TestImagesAllowed()) unless given.
UpgradeOffer OfferFor(const link::ReaderInfo& info,
                      FirmwareCatalogue catalogue = BuiltInCatalogue(),
                      bool testImagesAllowed = TestImagesAllowed());

// What an upgrade tells whoever runs it, as it happens, in this order: Asked; after a Yes either
// Failed (a damaged image), or "Z" and Started, Sent before every block and once after the last,
// "y" and "z", Restarting at every step of the closing wait, Finished. A link error ends the events
// with Failed.
class UpgradeListener {
  public:
    virtual ~UpgradeListener() = default;

    // The question, before anything is sent: true to upload.
    virtual bool Asked(std::string_view caption, std::string_view text) = 0;
    // The reader took "Z": `blocks` blocks follow.
    virtual void Started(int /*blocks*/) {}
    // `sent` of `blocks` blocks are in the reader: before block `sent` goes out, and with `sent`
    // equal to `blocks` after the last.
    virtual void Sent(int /*sent*/, int /*blocks*/) {}
    // Step `step` of `steps` of the closing wait: 0 once the reader took "z", then one after each
    // pause.
    virtual void Restarting(int /*step*/, int /*steps*/) {}
    // The closing wait is over.
    virtual void Finished() {}
    // The upgrade stopped after the Yes: with the link error of the command that failed (nothing
    // after it was sent; the error then passes on to the caller), or without one when the image
    // failed the consistency test (nothing was sent).
    virtual void Failed(std::optional<link::ZrHIDErr> /*linkError*/) {}
    // One pause of the closing wait, that long.
    virtual void Wait(int milliseconds) = 0;
};

// Offers `reader` the catalogue's image of its model (OfferFor, with `reader.info` as the last load
// read it) and, on Yes to the listener's question, uploads it with "Z", "Y" for every block, "y"
// with the reader's code and "z", then waits while the reader restarts. The reader is held from
// "Z" to "z". A link error (ZrHIDErr) stops at the failing command and passes to the caller.
void OfferUpgrade(link::ZrHID& reader, UpgradeListener& listener,
                  FirmwareCatalogue catalogue = BuiltInCatalogue());

}  // namespace zrt::firmware
