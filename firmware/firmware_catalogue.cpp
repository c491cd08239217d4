// The built-in image catalogue: one row for each reader model the tool can upgrade, and whether
// this build may upload test images.
#include "firmware/embedded_images.hpp"
#include "firmware/firmware_image.hpp"

namespace zrt::firmware {

namespace {

static_assert(embedded::MODEL_141_LENGTH == 11456 && embedded::MODEL_151_LENGTH == 11976 &&
              embedded::MODEL_1175_LENGTH == 12496);

// Models 151 and 1175 share one title.
constexpr FirmwareCatalogueRow BUILT_IN[] = {
    {141, embedded::MODEL_141_LENGTH, "Upgrade ZR-T41", FirmwareImage(embedded::MODEL_141)},
    {151, embedded::MODEL_151_LENGTH, "Upgrade ZR-T51", FirmwareImage(embedded::MODEL_151)},
    {1175, embedded::MODEL_1175_LENGTH, "Upgrade ZR-T51", FirmwareImage(embedded::MODEL_1175)},
};

}  // namespace

bool TestImagesAllowed() {
#ifdef ZRT_TEST_IMAGES
    return true;
#else
    return false;
#endif
}

std::string_view TestImagesNote() {
    return TestImagesAllowed() ? " (test images)" : "";
}

FirmwareCatalogue BuiltInCatalogue() {
    return BUILT_IN;
}

}  // namespace zrt::firmware
