// The upgrade procedure: which image is offered, the question, the upload with its events, and the
// closing wait.
#include "firmware/upgrade.hpp"

namespace zrt::firmware {

namespace {

// "Z", the blocks, "y" and "z", with the reader held throughout: no other program's request may
// come between "Z" and "z". The image passed the consistency test, so every block and code lies
// wholly inside its stored bytes.
void Upload(link::ZrHID& reader, const FirmwareImage& image, UpgradeListener& listener) {
    const int blockCount = image.BlockCount();
    const link::ReaderLock lock(reader);
    reader.UpgradeBegin(image.Header().data());
    listener.Started(blockCount);
    for (int i = 0; i < blockCount; ++i) {
        listener.Sent(i, blockCount);
        reader.UpgradeBlock(static_cast<std::uint16_t>(i),
                            image.Block(static_cast<std::size_t>(i)).data());
    }
    listener.Sent(blockCount, blockCount);
    reader.UpgradeCode(image.UpgradeCode(reader.info.serial).data());
    reader.UpgradeEnd();
}

}  // namespace

UpgradeOffer OfferFor(const link::ReaderInfo& info, FirmwareCatalogue catalogue,
                      bool testImagesAllowed) {
    const FirmwareCatalogueRow* row = FindFirmwareImage(info.model, catalogue);
    if (row == nullptr) {
        return {OfferVerdict::NoImage, nullptr};
    }
    if (row->image.Version() <= info.firmware) {
        return {OfferVerdict::NotNewer, row};  // only a strictly newer image is offered
    }
    // A test image holds no firmware: uploading one destroys a real reader's.
    if (IsTestImage(row->image) && !testImagesAllowed) {
        return {OfferVerdict::TestImageNotAllowed, row};
    }
    return {OfferVerdict::Offered, row};
}

void OfferUpgrade(link::ZrHID& reader, UpgradeListener& listener, FirmwareCatalogue catalogue) {
    const UpgradeOffer offer = OfferFor(reader.info, catalogue);
    if (offer.verdict != OfferVerdict::Offered) {
        return;
    }
    const FirmwareCatalogueRow& row = *offer.row;
    if (!listener.Asked(row.title, UPGRADE_QUESTION)) {
        return;
    }
    // Nothing is read from an image that fails this test.
    if (!IsConsistent(row)) {
        listener.Failed(std::nullopt);
        return;
    }
    try {
        Upload(reader, row.image, listener);
    } catch (const link::ZrHIDErr& error) {
        listener.Failed(error);
        throw;
    }
    listener.Restarting(0, UPGRADE_WAIT_STEPS);
    for (int step = 1; step <= UPGRADE_WAIT_STEPS; ++step) {
        listener.Wait(UPGRADE_WAIT_MS);
        listener.Restarting(step, UPGRADE_WAIT_STEPS);
    }
    listener.Finished();
}

}  // namespace zrt::firmware
