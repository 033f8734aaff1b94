// The connection kinds a session can create, and the connection-settings value a transport is
// given, made from the session's settings.
#pragma once

#include <memory>

#include "transport/connection_settings.h"
#include "transport/transport.h"

namespace ostrane {

class CSettingsSet;

// The value for a transport of the kind HostType names.
CConnectionSettings ConnectionSettingsFrom(const CSettingsSet& settings);
// A new transport of settings.hostType; nothing for Debug or a kind this build cannot create.
std::unique_ptr<CTransport> MakeTransport(const CConnectionSettings& settings);

}  // namespace ostrane
