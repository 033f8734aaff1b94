// What the desktop SSH tests share: a session file for a login to a test server on 127.0.0.1,
// and the text of a session's screen to wait on.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "session/screen_json.h"
#include "session/vt420_doc.h"

namespace ostrane::test {

inline constexpr int kSsh2HostType = 5;
inline constexpr int kSsh1HostType = 6;

// The rows of the current page, one line each.
inline std::string ScreenText(CVT420Doc& doc) {
  std::lock_guard lock(doc.Terminal().Mutex());
  const CTerminal& t = doc.Terminal();
  std::string text;
  for (int row = 0; row < t.Settings().Int(S::Lines); ++row)
    if (const auto line = t.Screen().GetLine(t.Screen().HistoryCount() + row))
      text += LineToText(*line, t.Settings().Int(S::Columns)) + "\n";
  return text;
}

// Writes a session file for an SSH login (hostType kSsh2HostType or kSsh1HostType) as user to
// 127.0.0.1 at the port; the caller checks it with ASSERT_NO_FATAL_FAILURE.
inline void WriteSshSession(const std::filesystem::path& file, int hostType, int port,
                            const std::string& user) {
  CVT420Doc writer;
  {
    std::lock_guard lock(writer.Terminal().Mutex());
    CSettingsSet& s = writer.Settings();
    s.SetInt(S::HostType, hostType);
    s.SetStr(S::HostName, "127.0.0.1");
    s.SetInt(S::Port, port);
    s.SetStr(S::SshUser, user);
  }
  ASSERT_EQ(writer.WriteSessionFile(file.string()), SetupFileStatus::kOk);
}

}  // namespace ostrane::test
