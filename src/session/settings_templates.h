// Settings templates: setup files named "<name>.OSN" in the data folder. Every new session
// starts from the template "default".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

class CTerminal;

inline constexpr std::string_view kDefaultTemplate = "default";
inline constexpr std::string_view kTemplateExtension = ".OSN";

inline constexpr std::string_view kTextCannotLoadTemplate = "Cannot load settings from template.";
inline constexpr std::string_view kTextNoTemplateName = "Please select or type a template name.";
inline constexpr std::string_view kTextCannotSaveTemplate =
    "Cannot save to this template. Check template name.";
inline constexpr std::string_view kTextCannotSaveDefault =
    "Can't save settings into default template.";

// The template names in the data folder, sorted.
std::vector<std::string> ListTemplates();
// The file of a template; nullopt for a name that is not a plain file name (empty, ".", "..",
// or holding "/" or NUL), so that no name reaches outside the data folder.
std::optional<std::string> TemplatePath(std::string_view name);
// Reads the template into the terminal's settings and key map; false on any failure, with what
// was read before it kept. The caller holds the terminal lock.
bool LoadTemplate(CTerminal& terminal, std::string_view name);
// Writes the terminal's settings and key map as the template, creating the data folder when
// needed; false on any failure.
bool SaveTemplate(CTerminal& terminal, std::string_view name);
// First run: writes the template "default" when there is none, from the settings table's
// defaults but with AutoWrap on, because shells expect a terminal that wraps long lines. The
// table's default stays off, so stored session files keep their meaning. False when it could
// not be written.
bool EnsureDefaultTemplate();

}  // namespace ostrane
