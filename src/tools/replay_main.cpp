// ostrane-replay: feeds a captured byte stream through a terminal object and prints the screen.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulator/vt420_emulator.h"
#include "session/screen_json.h"
#include "session/setup_file.h"
#include "settings/setting_assignment.h"

namespace {

constexpr const char kUsage[] =
    "usage: ostrane-replay [--set Key=Value]... [--template FILE] [--chunk N] [--attrs] "
    "[FILE|-]\n";

// Keeps every byte the terminal sends to the host, for the dump.
class CReplyRecorder : public ostrane::ITerminalEvents {
 public:
  void SendToHost(const uint8_t* data, size_t length) override {
    replies.append(reinterpret_cast<const char*>(data), length);
  }
  std::string replies;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "ostrane-replay: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> assignments;
  std::string setupFile;
  size_t chunk = 2048;
  bool attrs = false;
  std::string input;
  bool haveInput = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--set" && i + 1 < argc) {
      assignments.push_back(argv[++i]);
    } else if (arg == "--template" && i + 1 < argc) {
      setupFile = argv[++i];
    } else if (arg == "--chunk" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n <= 0) return Fail(std::string("bad chunk size: ") + argv[i]);
      chunk = static_cast<size_t>(n);
    } else if (arg == "--attrs") {
      attrs = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((arg == "-" || arg[0] != '-') && !haveInput) {
      input = arg;
      haveInput = true;
    } else {
      std::fputs(kUsage, stderr);
      return Fail("bad argument: " + arg);
    }
  }
  if (!haveInput) input = "-";

  std::string bytes;
  FILE* file = input == "-" ? stdin : std::fopen(input.c_str(), "rb");
  if (!file) return Fail("cannot read " + input + ": " + std::strerror(errno));
  char block[1 << 16];
  while (size_t n = std::fread(block, 1, sizeof block, file)) bytes.append(block, n);
  const bool readError = std::ferror(file) != 0;
  if (file != stdin) std::fclose(file);
  if (readError) return Fail("cannot read " + input);

  ostrane::CVT420Emulator terminal;
  CReplyRecorder recorder;
  terminal.SetEvents(&recorder);
  if (!setupFile.empty()) {
    const ostrane::SetupFileStatus status =
        ostrane::ReadSetupFile(setupFile, terminal.Settings(), terminal.KeyMap());
    if (status != ostrane::SetupFileStatus::kOk)
      return Fail("cannot read setup file " + setupFile + ": " +
                  std::string(ostrane::SetupFileStatusText(status)));
  }
  for (const std::string& assignment : assignments) {
    std::string error;
    if (!ostrane::ApplySettingAssignment(terminal.Settings(), assignment, error))
      return Fail(error);
  }
  terminal.Reset();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t offset = 0; offset < bytes.size(); offset += chunk)
    terminal.ReceiveBytes(data + offset, std::min(chunk, bytes.size() - offset));

  ostrane::ScreenJsonOptions options;
  options.attributes = attrs;
  std::fputs(ostrane::ScreenToJson(terminal, recorder.replies, options).c_str(), stdout);
  return 0;
}
