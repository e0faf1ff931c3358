#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "termlink/ServerConfig.h"

// Reads termlink.ini: section [server], keys address, port, idle_timeout and
// handshake_timeout (whole seconds), allow (addresses and networks), connect_rate and
// connect_burst (connections one address may open); section [web], keys enabled, address,
// port, templates and answer_timeout.  A missing file or key keeps its
// default; a bad value keeps the default too and is reported in `problems`.
namespace termlink {

struct LoadedSettings {
    ServerConfig config;
    std::vector<std::string> problems;
};

LoadedSettings parseSettings(std::string_view text);
// A file that does not exist is not a problem; one that cannot be read is.  The web
// folders come out absolute, relative ones taken from the program's folder.
LoadedSettings loadSettings(const std::string& path);
void resolveWebFolders(WebConfig& web, const std::filesystem::path& folder);
// TERMLINK_INI when set, else termlink.ini in the directory of the executable.
std::string settingsPath();

}  // namespace termlink
