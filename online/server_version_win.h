// GetServerVersion: the maker's version file and its local copy.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "online/version_check.h"

namespace lumo {

// Fetches the version file at `url` within `timeout`. Only a successful
// (2xx) answer replaces the local copy (program folder +
// "Update\config.ini", the body followed by a line end), which is then read
// back. nullopt on any failure: no answer, an error status, a copy that
// cannot be written (the Update folder is not created here).
std::optional<ServerVersionInfo> GetServerVersion(const std::string& url,
                                                  const std::string& programFolder,
                                                  std::chrono::milliseconds timeout);

}  // namespace lumo
