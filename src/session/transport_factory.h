// The connection kinds a session can create, and the connection-settings value a transport is
// given, made from the session's settings.
#pragma once

#include <memory>
#include <string>

#include "transport/connection_settings.h"
#include "transport/transport.h"

namespace ostrane {

class CProfile;
class CSettingsSet;

// The value for a transport of the kind HostType names. Serial and modem connections find their
// device in the profile: a serial one in [Serial] by its COM name unless HostName is a device
// path itself, a modem one as the [Modems] entry that Port numbers (from 0).
CConnectionSettings ConnectionSettingsFrom(const CSettingsSet& settings, const CProfile& profile);
// As above with the user's profile (ostrane.ini in the configuration folder).
CConnectionSettings ConnectionSettingsFrom(const CSettingsSet& settings);
// The user's profile file.
std::string ProfilePath();
// A new transport of settings.hostType; nothing for Debug or a kind this build cannot create.
std::unique_ptr<CTransport> MakeTransport(const CConnectionSettings& settings);

}  // namespace ostrane
