// The three firmware images as delivered, compiled into the tool. Their definitions are generated
// at build time from the files in ZRT_FIRMWARE_DIR (firmware/cmake/FirmwareImages.cmake), which
// writes the same lengths; a length that disagrees with these declarations does not compile.
#pragma once

#include <array>
#include <cstdint>

#include "firmware/firmware_image.hpp"

namespace zrt::firmware::embedded {

inline constexpr std::size_t MODEL_141_LENGTH = ImageLength(18);   // 11456
inline constexpr std::size_t MODEL_151_LENGTH = ImageLength(19);   // 11976
inline constexpr std::size_t MODEL_1175_LENGTH = ImageLength(20);  // 12496

extern const std::array<std::uint8_t, MODEL_141_LENGTH> MODEL_141;
extern const std::array<std::uint8_t, MODEL_151_LENGTH> MODEL_151;
extern const std::array<std::uint8_t, MODEL_1175_LENGTH> MODEL_1175;

}  // namespace zrt::firmware::embedded
