#include "xfer/capture_file.h"

namespace ostrane {

std::unique_ptr<CCaptureFile> CCaptureFile::Open(const std::string& path, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) return nullptr;
  return std::unique_ptr<CCaptureFile>(new CCaptureFile(file));
}

CCaptureFile::~CCaptureFile() {
  std::fclose(file_);
}

void CCaptureFile::Write(std::string_view bytes) {
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    std::fwrite(bytes.data() + start, 1, i - start, file_);
    std::fputs("\r\n", file_);
    start = i + 1;
  }
  std::fwrite(bytes.data() + start, 1, bytes.size() - start, file_);
}

}  // namespace ostrane
