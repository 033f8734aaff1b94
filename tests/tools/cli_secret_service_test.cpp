// Save Password with the desktop's Secret Service: gnome-keyring in a private D-Bus session
// started for the test. The password lands in the keyring, the session's SshPassword holds only
// the marker, and a later login with that marker finds the password there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "peers/peer_process.h"
#include "peers/ssh1_scripted_peer.h"
#include "ssh/ssh_remembered_password.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CliSecretService, SavedPasswordLivesInTheKeyringAndIsFoundThere) {
  for (const char* tool :
       {"/usr/bin/gnome-keyring-daemon", "/usr/bin/secret-tool", "/usr/bin/dbus-run-session"})
    if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " missing";
  test::CTempHome home("ostrane-secrets");
  ASSERT_TRUE(home.Made());
  const std::filesystem::path dir = std::getenv("OSTRANE_HOME");
  std::filesystem::create_directories(dir / "run");
  std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
  test::CScriptedSsh1Peer first("normal"), second("normal");
  ASSERT_TRUE(first.Ready());
  ASSERT_TRUE(second.Ready());
  const std::string cli = std::string(OSTRANE_BINARY_DIR) + "/ostrane-cli";
  const std::string common =
      " --set HostType=6 --user tester --host-key accept --until 'ssh1$ ' "
      "--for 20";
  const std::string d = dir.string();
  // The second login has a key store of its own: the second server has another host key.
  std::ofstream(dir / "run.sh")
      << "printf testpw | gnome-keyring-daemon --unlock --components=secrets >/dev/null\n"
      << "OSTRANE_HOME=" << d << "/first " << cli << common << " --password pw --save-password yes "
      << first.Target() << " >" << d << "/first.json 2>&1\n"
      << "OSTRANE_HOME=" << d << "/second " << cli << common
      << " --set SshUser=tester --set 'SshPassword=" << kSecretServiceMarker << "' "
      << second.Target() << " >" << d << "/second.json 2>&1\n"
      << "secret-tool lookup service 'Secure Ostrane SSH' host 127.0.0.1 user tester >" << d
      << "/secret.txt\n";
  const std::string command = "cd " + d + " && HOME=" + d + " XDG_DATA_HOME=" + d +
                              "/data XDG_RUNTIME_DIR=" + d +
                              "/run timeout 90 dbus-run-session -- sh run.sh 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFile(dir / "secret.txt"), "pw");
  const std::string saved = ReadFile(dir / "first.json");
  EXPECT_NE(saved.find("\"SshPassword\":\"{SecretService}\""), std::string::npos) << saved;
  EXPECT_NE(first.Log().find("PASSWORD pw\nAUTHENTICATED"), std::string::npos) << first.Log();
  // No dialog could answer: the password came from the keyring.
  EXPECT_NE(second.Log().find("PASSWORD pw\nAUTHENTICATED"), std::string::npos)
      << second.Log() << ReadFile(dir / "second.json");
}

// Without a Secret Service the password is kept in the protected form, which is still read.
TEST(RememberedPassword, WithoutASecretServiceTheProtectedFormIsUsed) {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string old = bus ? bus : "";
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string stored = RememberPassword("box", "alice", "pw");
  EXPECT_NE(stored, kSecretServiceMarker);
  EXPECT_EQ(stored.find("pw"), std::string::npos);
  EXPECT_EQ(RecallPassword("box", "alice", stored), "pw");
  EXPECT_EQ(RecallPassword("box", "alice", std::string(kSecretServiceMarker)), "");
  if (bus) setenv("DBUS_SESSION_BUS_ADDRESS", old.c_str(), 1);
}

}  // namespace
}  // namespace ostrane
