// Writes the byte streams of the golden cases (tests/golden/*.golden) as seeds for one fuzz
// target, each behind the header that target reads first, so every fuzzer starts from inputs
// that reach the terminal's functions.
//   golden_seeds TARGET GOLDEN_DIR OUT_DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/control_string.h"

namespace fs = std::filesystem;

namespace {

// The header each target expects before its byte stream; defaults everywhere, so the stream is
// read as the golden case reads it.
std::string HeaderFor(std::string_view target, std::string_view codePage, bool xterm) {
  if (target == "terminal_fuzz") {
    // Byte 0 picks the code page (1252, 65001, 932, 936) and, with its top bit, the xterm type;
    // settings choice 0; chunk seed 0.
    const int page = codePage == "65001" ? 1 : codePage == "932" ? 2 : codePage == "936" ? 3 : 0;
    return std::string{static_cast<char>(page | (xterm ? 0x80 : 0)), 0, 0, 0};
  }
  if (target == "vt_parser_fuzz") return std::string(1, '\x07');     // C1 as controls, DCS accepted
  if (target == "charset_fuzz") return std::string(8, '\0') + '\0';  // no soft font; the stream
  return {};
}

struct SeedCase {
  std::string input;
  std::string codePage;
  bool xterm = false;  // the case sets TermID=6
};

// The input of each case: "in" lines and "repeat" lines in the control-string notation.
std::vector<SeedCase> Cases(const fs::path& file) {
  std::vector<SeedCase> cases;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("=== ", 0) == 0) {
      cases.emplace_back();
    } else if (cases.empty()) {
      continue;
    } else if (line.rfind("codepage ", 0) == 0) {
      cases.back().codePage = line.substr(9);
    } else if (line == "set TermID=6") {
      cases.back().xterm = true;
    } else if (line.rfind("in ", 0) == 0) {
      std::string bytes;
      if (ostrane::ParseControlString(line.substr(3), bytes)) cases.back().input += bytes;
    } else if (line.rfind("repeat ", 0) == 0) {
      std::istringstream s(line.substr(7));
      int n = 0;
      s >> n;
      std::string rest;
      std::getline(s, rest);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
      std::string bytes;
      if (ostrane::ParseControlString(rest, bytes))
        for (int i = 0; i < n && i < 4096; ++i) cases.back().input += bytes;
    }
  }
  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: golden_seeds TARGET GOLDEN_DIR OUT_DIR\n");
    return 2;
  }
  const std::string target = argv[1];
  const fs::path goldenDir = argv[2];
  const fs::path outDir = argv[3];
  std::error_code error;
  fs::create_directories(outDir, error);
  if (error) {
    std::fprintf(stderr, "golden_seeds: %s: %s\n", outDir.c_str(), error.message().c_str());
    return 1;
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(goldenDir))
    if (entry.path().extension() == ".golden") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  int written = 0;
  for (const fs::path& file : files) {
    int index = 0;
    for (const SeedCase& c : Cases(file)) {
      ++index;
      if (c.input.empty()) continue;
      const fs::path seed =
          outDir / ("golden-" + file.stem().string() + "-" + std::to_string(index));
      std::ofstream out(seed, std::ios::binary);
      out << HeaderFor(target, c.codePage, c.xterm) << c.input;
      if (!out) {
        std::fprintf(stderr, "golden_seeds: cannot write %s\n", seed.c_str());
        return 1;
      }
      ++written;
    }
  }
  std::printf("golden_seeds: %d seeds for %s\n", written, target.c_str());
  return 0;
}
