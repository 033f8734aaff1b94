#include "session/settings_templates.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "emulator/terminal.h"
#include "emulator/vt420_emulator.h"
#include "platform/paths.h"
#include "session/setup_file.h"

namespace ostrane {

std::vector<std::string> ListTemplates() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(platform::DataFolder(), ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > kTemplateExtension.size() && file.ends_with(kTemplateExtension) &&
        entry.is_regular_file(ec))
      names.push_back(file.substr(0, file.size() - kTemplateExtension.size()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> TemplatePath(std::string_view name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
    return std::nullopt;
  return platform::DataFolder() + "/" + std::string(name) + std::string(kTemplateExtension);
}

bool LoadTemplate(CTerminal& terminal, std::string_view name) {
  const auto path = TemplatePath(name);
  return path &&
         ReadSetupFile(*path, terminal.Settings(), terminal.KeyMap()) == SetupFileStatus::kOk;
}

bool SaveTemplate(CTerminal& terminal, std::string_view name) {
  const auto path = TemplatePath(name);
  if (!path) return false;
  std::error_code ec;
  std::filesystem::create_directories(platform::DataFolder(), ec);
  return WriteSetupFile(*path, terminal.Settings(), terminal.KeyMap()) == SetupFileStatus::kOk;
}

bool EnsureDefaultTemplate() {
  const auto path = TemplatePath(kDefaultTemplate);
  std::error_code ec;
  if (!path || std::filesystem::exists(*path, ec)) return path.has_value();
  CVT420Emulator terminal;
  std::lock_guard lock(terminal.Mutex());
  terminal.Settings().SetInt(S::AutoWrap, 1);
  return SaveTemplate(terminal, kDefaultTemplate);
}

}  // namespace ostrane
