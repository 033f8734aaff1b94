#include "session/setup_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "keyboard/key_map.h"
#include "session/window_placement.h"
#include "settings/settings_limits.h"
#include "settings/settings_set.h"

namespace ostrane {

namespace {

constexpr std::string_view kEarlierMagics[] = {"OSN V2.01 Setup File", "OSN V2.50 Setup File"};

// The direct table of the older 101-key form, and where each of its bytes goes.
constexpr uint32_t kOldDirectSize = 101;
constexpr uint8_t kOldKeyCodes[kOldDirectSize] = {
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 0,   0,   0,   0,   0,
    0,   0,   0,   0,   0,   13,  8,   27,  192, 49,  50,  51,  52,  53,  54,  55,  56,
    57,  48,  189, 187, 220, 9,   65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,
    76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  219, 221,
    187, 222, 188, 190, 191, 32,  45,  36,  33,  46,  35,  34,  38,  37,  40,  39,  144,
    111, 106, 109, 96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 107, 110, 43,
};

constexpr size_t kReservedBytes = 8;
// Counted texts: a byte below this is the length itself.
constexpr uint8_t kLongText = 0xFF;
constexpr uint16_t kLongerText = 0xFFFF;
// The word after 0xFF that marks a text of 16-bit characters; never written here.
constexpr uint16_t kWideText = 0xFFFE;
// A session file is a few kilobytes; a file far beyond that is not one, and is not read whole.
constexpr uintmax_t kMaxSetupFileSize = 64u << 20;

struct FormatError {
  SetupFileStatus status;
};

// Reads little-endian values and counted texts from a byte span; running off the end or into a
// size that cannot be right throws FormatError.
class CSetupReader {
 public:
  explicit CSetupReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint8_t Byte() { return Take(1)[0]; }
  uint16_t Word() {
    const auto b = Take(2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t Dword() {
    const auto b = Take(4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  }
  std::span<const uint8_t> Take(size_t n) {
    if (n > bytes_.size() - pos_) throw FormatError{SetupFileStatus::kTruncated};
    const auto out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  std::string Text() {
    size_t length = Byte();
    if (length == kLongText) {
      length = Word();
      if (length == kWideText) throw FormatError{SetupFileStatus::kFormatError};
      if (length == kLongerText) length = Dword();
    }
    const auto b = Take(length);
    return std::string(b.begin(), b.end());
  }
  // Reads past a value of the type; element types other than 0 and 1 and types above 3 have
  // no value bytes.
  void SkipValue(uint8_t type) {
    switch (type) {
      case 0:
        Take(4);
        break;
      case 1:
        Text();
        break;
      case 2:
        Take(Word());
        break;
      case 3: {
        const uint16_t count = Word();
        const uint8_t elementType = Byte();
        for (uint16_t i = 0; i < count && elementType <= 1; ++i) SkipValue(elementType);
        break;
      }
      default:
        break;
    }
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

class CSetupWriter {
 public:
  void Byte(uint8_t v) { out_ += static_cast<char>(v); }
  void Word(uint16_t v) {
    Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  void Dword(uint32_t v) {
    Word(static_cast<uint16_t>(v));
    Word(static_cast<uint16_t>(v >> 16));
  }
  void Text(std::string_view text) {
    if (text.size() < kLongText) {
      Byte(static_cast<uint8_t>(text.size()));
    } else {
      Byte(kLongText);
      if (text.size() < kWideText) {
        Word(static_cast<uint16_t>(text.size()));
      } else {
        Word(kLongerText);
        Dword(static_cast<uint32_t>(text.size()));
      }
    }
    out_.append(text);
  }
  void Bytes(const uint8_t* data, size_t n) { out_.append(reinterpret_cast<const char*>(data), n); }
  std::string& Result() { return out_; }

 private:
  std::string out_;
};

void ReadEntry(CSetupReader& in, CSettingsSet& settings, int position) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(position);
  switch (d.type) {
    case SettingType::kInteger:
      settings.SetInt(position, static_cast<int32_t>(in.Dword()));
      break;
    case SettingType::kString:
      settings.SetStr(position, in.Text());
      break;
    case SettingType::kBinary: {
      const uint16_t n = in.Word();
      if (n > settings.BinarySize(position)) throw FormatError{SetupFileStatus::kFormatError};
      const auto b = in.Take(n);
      std::copy(b.begin(), b.end(), settings.Binary(position));
      break;
    }
    case SettingType::kArray: {
      const uint16_t n = in.Word();
      in.Byte();  // the file's element type; the table's is what counts
      if (n > d.size) throw FormatError{SetupFileStatus::kFormatError};
      for (int i = 0; i < n; ++i) {
        if (d.elementType == 0)
          settings.SetIntElement(position, i, static_cast<int32_t>(in.Dword()));
        else
          settings.SetStrElement(position, i, in.Text());
      }
      break;
    }
  }
}

void ReadSettingsBlock(CSetupReader& in, CSettingsSet& settings) {
  for (;;) {
    const uint16_t id = in.Word();
    if (id == 0) return;
    const int position = CSettingsSet::FindId(id);
    const uint8_t type = in.Byte();
    if (position < 0) {
      in.SkipValue(type);
    } else if (type != static_cast<uint8_t>(CSettingsSet::Descriptor(position).type)) {
      throw FormatError{SetupFileStatus::kFormatError};
    } else {
      ReadEntry(in, settings, position);
    }
  }
}

void ReadKeyMapBlock(CSetupReader& in, CKeyMap& keyMap) {
  keyMap.ClearEntries();
  const uint32_t size = in.Dword();
  const bool oldForm = size == kOldDirectSize;
  if (size > CKeyMap::kDirectSize) throw FormatError{SetupFileStatus::kFormatError};
  const auto direct = in.Take(size);
  for (size_t i = 0; i < direct.size(); ++i) {
    if (!oldForm)
      keyMap.Direct()[i] = direct[i];
    else if (kOldKeyCodes[i] != 0)
      keyMap.Direct()[kOldKeyCodes[i] - 1u] = direct[i];
  }
  const uint32_t count = in.Dword();
  for (uint32_t i = 0; i < count; ++i) {
    KeyMapEntry e;
    e.key = in.Byte();
    e.modifiers = in.Byte();
    e.action = in.Byte();
    e.text = in.Text();
    if (oldForm) e.key = e.key >= 1 && e.key <= kOldDirectSize ? kOldKeyCodes[e.key - 1] : 0;
    keyMap.AppendEntry(std::move(e));
  }
  const auto reserved = in.Take(kReservedBytes);
  if (reserved.back() != 0) throw FormatError{SetupFileStatus::kFormatError};
  keyMap.AddBuiltInEntries();
}

void WriteEntry(CSetupWriter& out, const CSettingsSet& settings, int position) {
  const SettingDescriptor& d = CSettingsSet::Descriptor(position);
  out.Word(d.id);
  out.Byte(static_cast<uint8_t>(d.type));
  switch (d.type) {
    case SettingType::kInteger:
      out.Dword(static_cast<uint32_t>(settings.Int(position)));
      break;
    case SettingType::kString:
      out.Text(settings.Str(position));
      break;
    case SettingType::kBinary:
      out.Word(static_cast<uint16_t>(settings.BinarySize(position)));
      out.Bytes(settings.Binary(position), settings.BinarySize(position));
      break;
    case SettingType::kArray:
      out.Word(d.size);
      out.Byte(d.elementType);
      for (int i = 0; i < d.size; ++i) {
        if (d.elementType == 0)
          out.Dword(static_cast<uint32_t>(settings.IntElement(position, i)));
        else
          out.Text(settings.StrElement(position, i));
      }
      break;
  }
}

struct StatusText {
  SetupFileStatus status;
  std::string_view text;
};

constexpr StatusText kStatusTexts[] = {
    {SetupFileStatus::kOk, "read"},
    {SetupFileStatus::kCannotOpen, "the file cannot be opened"},
    {SetupFileStatus::kNotSetupFile, "not a setup file"},
    {SetupFileStatus::kEarlierVersion, "a setup file of an earlier version"},
    {SetupFileStatus::kFormatError, "a value does not fit its setting"},
    {SetupFileStatus::kTruncated, "the file ends too soon"},
    {SetupFileStatus::kCannotWrite, "the file cannot be written"},
};

}  // namespace

std::string_view SetupFileStatusText(SetupFileStatus status) {
  for (const StatusText& s : kStatusTexts)
    if (s.status == status) return s.text;
  return {};
}

SetupFileStatus ReadSetup(std::span<const uint8_t> bytes, CSettingsSet& settings, CKeyMap& keyMap) {
  CSetupReader in(bytes);
  SetupFileStatus status = SetupFileStatus::kOk;
  try {
    const std::string magic = in.Text();
    if (magic != kSetupFileMagic) {
      return std::find(std::begin(kEarlierMagics), std::end(kEarlierMagics), magic) !=
                     std::end(kEarlierMagics)
                 ? SetupFileStatus::kEarlierVersion
                 : SetupFileStatus::kNotSetupFile;
    }
    ReadSettingsBlock(in, settings);
    ReadKeyMapBlock(in, keyMap);
  } catch (const FormatError& e) {
    status = e.status;
  }
  // A file may hold any value; whatever was read is moved into the ranges the program uses.
  ClampSettings(settings);
  return status;
}

SetupFileStatus ReadSetupFile(const std::string& path, CSettingsSet& settings, CKeyMap& keyMap) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return SetupFileStatus::kCannotOpen;
  if (size > kMaxSetupFileSize) return SetupFileStatus::kFormatError;
  std::ifstream file(path, std::ios::binary);
  if (!file) return SetupFileStatus::kCannotOpen;
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return SetupFileStatus::kCannotOpen;
  return ReadSetup({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, settings,
                   keyMap);
}

std::string WriteSetup(CSettingsSet& settings, const CKeyMap& keyMap) {
  if (IMainWindowPlacement* source = MainWindowPlacementSource())
    if (const auto placement = source->CurrentPlacement()) StorePlacement(settings, *placement);
  CSetupWriter out;
  out.Text(kSetupFileMagic);
  for (int i = 0; i < settings.Count(); ++i) WriteEntry(out, settings, i);
  out.Word(0);
  out.Dword(CKeyMap::kDirectSize);
  out.Bytes(keyMap.Direct().data(), keyMap.Direct().size());
  out.Dword(static_cast<uint32_t>(keyMap.Entries().size()));
  for (const KeyMapEntry& e : keyMap.Entries()) {
    out.Byte(e.key);
    out.Byte(e.modifiers);
    out.Byte(e.action);
    out.Text(e.text);
  }
  for (size_t i = 0; i < kReservedBytes; ++i) out.Byte(0);
  return std::move(out.Result());
}

SetupFileStatus WriteSetupFile(const std::string& path, CSettingsSet& settings,
                               const CKeyMap& keyMap) {
  const std::string bytes = WriteSetup(settings, keyMap);
  // Written beside the target and renamed over it, so a failed write never costs the old file.
  const std::string temporary = path + ".new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return SetupFileStatus::kCannotWrite;
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      return SetupFileStatus::kCannotWrite;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    return SetupFileStatus::kCannotWrite;
  }
  return SetupFileStatus::kOk;
}

}  // namespace ostrane
