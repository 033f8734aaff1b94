// CCaptureFile: the file that received text is captured into. It is written as a text file:
// every line feed is stored as CR LF.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "emulator/terminal_events.h"

namespace ostrane {

class CCaptureFile final : public ICaptureSink {
 public:
  // Creates or truncates the file (or appends, with an "a" mode); null when it cannot be
  // opened.
  static std::unique_ptr<CCaptureFile> Open(const std::string& path, const char* mode = "wb");
  ~CCaptureFile() override;
  CCaptureFile(const CCaptureFile&) = delete;
  CCaptureFile& operator=(const CCaptureFile&) = delete;

  void Write(std::string_view bytes) override;

 private:
  explicit CCaptureFile(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

}  // namespace ostrane
