// The screen size a session announces (Telnet NAWS) is the screen's own, not the settings'.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "peers/scripted_peer.h"
#include "session/vt420_doc.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

using test::CScriptedPeer;

// Lines=255 asks for more lines than the screen can hold: announcing the setting's low byte
// sent an unescaped 0xFF (IAC) inside the subnegotiation, and a size the screen does not have.
TEST(HostSize, TelnetAnnouncesTheRealScreenSizeEscaped) {
  CVT420Doc doc;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    CSettingsSet& s = doc.Settings();
    s.SetInt(S::Lines, 255);
    s.SetInt(S::SetHostSize, 1);
    s.SetStr(S::HostName, "127.0.0.1");
  }
  CScriptedPeer peer;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    doc.Settings().SetInt(S::Port, peer.Port());
  }
  ASSERT_TRUE(doc.StartNewSession());
  ASSERT_TRUE(peer.Accept());
  peer.Send("\xff\xfd\x1f");  // DO NAWS
  const std::string reply = peer.ReadFor(500);
  int lines = 0;
  {
    std::lock_guard lock(doc.Terminal().Mutex());
    lines = doc.Terminal().Screen().Lines();
  }
  ASSERT_LT(lines, 255);
  const std::string expected = std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x50\x00", 9) +
                               static_cast<char>(lines) + "\xff\xf0";
  EXPECT_EQ(reply, expected);
  doc.QueryDisconnect(false);
}

}  // namespace
}  // namespace ostrane
