#pragma once

#include <string>

#include "termsim/Terminal.h"
#include "wire/Wire.h"

// The lines the simulator prints, in UTF-8.  Server texts are Windows-1252 and
// may hold tabs or line breaks, which would break the one-line-per-code output,
// so control characters print as spaces.
namespace termsim::lines {

std::string price(const std::string& code, const wire::Price& price);
std::string notFound(const std::string& code);
std::string noReply(const std::string& code);
std::string display(const wire::DisplayMsg& message);
std::string picture(const PictureReceived& picture);
// What a read answered and what a write left, as describeSettings gives it.
std::string settingsRead(const SettingsRead& read);
std::string settingsWritten(const SettingsWritten& written);
std::string commandAcknowledged(const CommandAcknowledged& command);
std::string byeReason(wire::ByeReason reason);

}  // namespace termsim::lines
