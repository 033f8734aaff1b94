// Reads arbitrary text as an address book and as a command line. A book that was read must
// read back the same after it is written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "session/address_book.h"
#include "session/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::istringstream in(input);
  ostrane::CAddressBook book;
  book.Read(in);
  for (const auto& site : book.Sites())
    if (site.name.size() > ostrane::kMaxAddressBookLine) std::abort();

  const std::string written = book.Serialize();
  std::istringstream again(written);
  ostrane::CAddressBook reread;
  reread.Read(again);
  if (reread.Serialize() != written) std::abort();

  const auto request =
      ostrane::InterpretCommandLine(ostrane::SplitCommandLine(input),
                                    [](const std::string& path) { return path.size() % 3 == 0; });
  if (request.action == ostrane::CommandLineAction::kTelnet &&
      (request.host.empty() || request.port <= 0 || request.port > 65535))
    std::abort();
  return 0;
}
