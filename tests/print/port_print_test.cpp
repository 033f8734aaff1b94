// Printer-controller output of a session sent "Direct to Port": the port's device is a FIFO
// named in the profile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/paths.h"
#include "platform/profile.h"
#include "session/vt420_doc.h"
#include "settings/settings_table.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

TEST(PortPrintTest, ControllerBytesAndTheFormFeedGoToThePortDevice) {
  const std::string fifo = (test::FreshTestFolder() / "lp").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  CProfile profile(platform::ConfigFolder() + "/ostrane.ini");
  ASSERT_TRUE(profile.WriteString("Printer", "LPT3", fifo));
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  {
    CVT420Doc doc;
    {
      std::lock_guard lock(doc.Terminal().Mutex());
      doc.Settings().SetInt(S::PrintTo, 2);
      doc.Settings().SetInt(S::PrintPort, 2);
      doc.Settings().SetInt(S::FFNeeded, 1);
      doc.Settings().SetInt(S::JobTimeout, 0);
    }
    const std::string bytes("\x1b[5i\x00\x01port\r\n\x1b[4i", 15);
    doc.DeliverReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  char buffer[64];
  const ssize_t n = read(reader, buffer, sizeof buffer);
  close(reader);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), std::string("\0\x01port\r\n\f", 9));
}

}  // namespace
}  // namespace ostrane
