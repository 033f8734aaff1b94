#include "platform/print_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/test_folder.h"

namespace ostrane::platform {
namespace {

std::string ReadAll(int fd) {
  std::string bytes;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
  return bytes;
}

TEST(PrintDeviceTest, BytesReachTheDeviceUnchanged) {
  const std::string fifo = (test::FreshTestFolder() / "lp0").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  int error = 0;
  CPrintCancel cancel;
  auto device = OpenPrintDevice(fifo, error, cancel);
  ASSERT_TRUE(device) << error;
  std::string sent;
  for (int i = 0; i < 256; ++i) sent += static_cast<char>(i);
  ASSERT_TRUE(device->Write(reinterpret_cast<const uint8_t*>(sent.data()), sent.size()));
  EXPECT_TRUE(device->Finish());
  device.reset();
  fcntl(reader, F_SETFL, 0);
  EXPECT_EQ(ReadAll(reader), sent);
  close(reader);
}

TEST(PrintDeviceTest, ADeviceThatIsMissingOrNotReadIsRefusedAtOnce) {
  const auto dir = test::FreshTestFolder();
  int error = 0;
  CPrintCancel cancel;
  EXPECT_FALSE(OpenPrintDevice((dir / "missing").string(), error, cancel));
  EXPECT_EQ(error, ENOENT);
  // Never created: a printer port is a device that exists.
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  const std::string fifo = (dir / "unread").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(OpenPrintDevice(fifo, error, cancel));
  EXPECT_EQ(error, ENXIO);
}

TEST(PrintDeviceTest, ThePortComesFromTheProfileElseTheUsualDevice) {
  const auto dir = test::FreshTestFolder();
  CProfile profile((dir / "ostrane.ini").string());
  profile.WriteString("Printer", "LPT2", "/tmp/fifo");
  EXPECT_EQ(PrintPortPath(profile, 1), "/tmp/fifo");
  const std::string first = PrintPortPath(profile, 0);
  EXPECT_TRUE(first == "/dev/usb/lp0" || first == "/dev/lp0") << first;
}

}  // namespace
}  // namespace ostrane::platform
