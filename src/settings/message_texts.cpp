#include "settings/message_texts.h"

namespace ostrane {

namespace {

struct MessageEntry {
  int id;
  std::string_view text;
};

constexpr MessageEntry kMessages[] = {
    {Msg::kAbortConnecting,
     "This session is trying to connect to remote host.\nAre you sure to abort it?"},
    {Msg::kStillConnected,
     "This session is still connected with remote host.\nAre you sure to disconnect?"},
    {Msg::kCannotConnect, "Cannot connect to remote host."},
    {Msg::kRestartNeeded,
     "You need to save the settings and restart the connection for new settings to be "
     "effective."},
    {Msg::kSaveModified,
     "The terminal settings have been modified. Do you want to save the changes?"},
    {Msg::kHostStoppedReading,
     "The host stopped reading: more than 16 MB waited to be sent to it, so the connection "
     "was closed rather than lose data."},
};

}  // namespace

std::string_view MessageText(int id) {
  for (const MessageEntry& m : kMessages)
    if (m.id == id) return m.text;
  return {};
}

}  // namespace ostrane
