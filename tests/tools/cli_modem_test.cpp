// ostrane-cli dialling through the Hayes modem simulator into the system's login program: the
// call's progress texts, a full login, and the end of the call when the user logs out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "peers/peer_process.h"
#include "peers/serial_peer.h"
#include "support/test_folder.h"

namespace ostrane {
namespace {

TEST(CliModem, ADialUpCallLogsInAndEndsWhenTheUserLogsOut) {
  ASSERT_TRUE(test::EnsureTestUser());
  const std::filesystem::path dir = test::FreshTestFolder();
  test::CPtyPair pair(dir / "modem", dir / "line");
  ASSERT_TRUE(pair.Ready());
  const test::CLoginService host;
  ASSERT_TRUE(host.Ready());
  test::CHayesPeer modem(pair.B(), dir / "modem.log", {host.BookEntry("5551000")});
  ASSERT_TRUE(modem.WaitLog("READY"));

  const test::CliResult r = test::RunCli({"--set",
                                          "HostType=3",
                                          "--modem",
                                          pair.A().string(),
                                          "(555) 1000",
                                          "--until",
                                          "login: ",
                                          "--send",
                                          std::string(test::kTestUser) + "<CR>",
                                          "--until",
                                          "Password: ",
                                          "--send",
                                          std::string(test::kTestPassword) + "<CR>",
                                          "--until",
                                          "$ ",
                                          "--send",
                                          "echo dialled-in-$((6*7))<CR>",
                                          "--until",
                                          "dialled-in-42",
                                          "--send",
                                          "exit<CR>",
                                          "--for",
                                          "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  // The screen starts with the call's progress and shows the login and the shell's answer.
  const size_t dialing = r.out.find("Dialing...");
  const size_t connected = r.out.find("Connected.");
  const size_t login = r.out.find("login: ");
  ASSERT_NE(dialing, std::string::npos) << r.out;
  EXPECT_LT(dialing, connected) << r.out;
  EXPECT_LT(connected, login) << r.out;
  EXPECT_NE(r.out.find("dialled-in-42"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("CONNECT 9600"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
  // Logging out hangs the call up from the far side.
  EXPECT_TRUE(modem.WaitLog("HANGUP REMOTE")) << modem.Log();
}

}  // namespace
}  // namespace ostrane
