// The command-line program zrt-vivoraz-cli: its global options, its commands, and the run of one
// command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "firmware/firmware_image.hpp"
#include "link/hid_platform.hpp"

namespace zrt::cli {

// Runs one command line (`arguments` without the program's name, UTF-8) against the readers of
// `platform`, upgrading them from `catalogue`; returns the exit status: 0 done, 1 a reader or file
// failed, 2 a usage error.
int RunCommandLine(const std::vector<std::string>& arguments, link::HidPlatform& platform,
                   std::istream& in, std::ostream& out, std::ostream& err,
                   firmware::FirmwareCatalogue catalogue = firmware::BuiltInCatalogue());

}  // namespace zrt::cli
