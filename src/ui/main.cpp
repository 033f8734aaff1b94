// The desktop program: --help and --version answer on stdout without a window; otherwise the
// application object starts up, then runs the message loop.
#include <cstdio>
#include <cstring>

#include "settings/product_version.h"
#include "ui/application.h"

namespace {

constexpr char kUsage[] =
    "Usage: ostrane [-E] [-S SCRIPT] [-F] FILE\n"
    "       ostrane [-E] [-S SCRIPT] [-H] HOST [PORT]\n"
    "       ostrane [-E] [-S SCRIPT] telnet://HOST[:PORT]/\n"
    "\n"
    "Secure Ostrane, a VT420 terminal for Telnet, SSH, serial lines and modems.\n"
    "\n"
    "  FILE        a session file (.OSN) to open; \"name\" also finds name.OSN\n"
    "  HOST PORT   a Telnet session to HOST (port 23 unless given)\n"
    "  -F          the argument is a session file\n"
    "  -H          the argument is a host\n"
    "  -E          open session files without connecting\n"
    "  -S SCRIPT   run the script file once the session is open\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("Secure Ostrane %s\n", ostrane::kProductVersion);
      return 0;
    }
  }
  ostrane::COstraneApp app(argc, argv);
  if (!app.Start()) return 1;
  return app.Run();
}
