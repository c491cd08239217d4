// The upgrade procedure: which image is offered, the question, the upload with its progress
// window, the closing wait, and where the poll timer is stopped and started again.
#include "firmware/upgrade.hpp"

namespace zrt::firmware {

void OfferUpgrade(link::ZrHID& reader, UpgradeHost& host, FirmwareCatalogue catalogue) {
    const FirmwareCatalogueRow* row = FindFirmwareImage(reader.info.model, catalogue);
    if (row == nullptr || row->image.Version() <= reader.info.firmware) {
        return;  // only a strictly newer image is offered
    }
    if (!MayUpload(row->image)) {
        return;  // a test image, in a build that does not upload them: as if not newer
    }

    host.SetTimerEnabled(false);
    if (!host.AskYesNo(row->title, UPGRADE_QUESTION)) {
        host.SetTimerEnabled(true);
        return;
    }
    // Nothing is read from an image that fails this test, so every block and code below lies
    // wholly inside the stored bytes.
    if (!IsConsistent(*row)) {
        host.ShowMessage(UPGRADE_FILE_ERROR);
        host.SetTimerEnabled(true);
        return;
    }

    const FirmwareImage& image = row->image;
    const int blockCount = image.BlockCount();
    {
        // No other program's request may come between "Z" and "z": the reader is held throughout.
        const link::ReaderLock lock(reader);
        reader.UpgradeBegin(image.Header().data());

        host.SetProgressLabel(UPGRADE_LABEL);
        host.SetProgressMax(10 * blockCount);
        host.SetProgressPosition(0);
        host.ShowProgressWindow();
        host.RepaintProgressWindow();

        for (int i = 0; i < blockCount; ++i) {
            host.SetProgressPosition(i);
            reader.UpgradeBlock(static_cast<std::uint16_t>(i),
                                image.Block(static_cast<std::size_t>(i)).data());
        }
        host.SetProgressPosition(blockCount);

        reader.UpgradeCode(image.UpgradeCode(reader.info.serial).data());
        reader.UpgradeEnd();
    }

    host.SetProgressMax(100);
    for (int position = UPGRADE_WAIT_FIRST; position <= UPGRADE_WAIT_LAST; ++position) {
        host.Wait(UPGRADE_WAIT_MS);
        host.SetProgressPosition(position);
    }
    host.HideProgressWindow();
    host.SetTimerEnabled(true);
}

}  // namespace zrt::firmware
