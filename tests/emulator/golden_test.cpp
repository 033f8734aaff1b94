// Runs the golden cases in tests/golden/*.golden: settings and a byte stream in, the expected
// screen, cursor, replies and events out. Every case runs whole, byte by byte and in random
// chunkings, and must give the same result each way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/control_dispatch.h"
#include "emulator/vt420_emulator.h"
#include "emulator/vt_parser.h"
#include "platform/code_page.h"
#include "platform/utf8_text.h"
#include "session/screen_json.h"
#include "settings/control_string.h"
#include "settings/setting_assignment.h"
#include "support/data_files.h"

namespace ostrane {
namespace {

struct Expectation {
  std::string text;  // the directive as written, after "expect "
  int line;
};

struct GoldenCase {
  std::string name;
  std::string file;
  int line = 0;
  int codePage = 1252;
  std::vector<std::string> sets;
  std::string input;
  std::vector<Expectation> expectations;
  std::string parseError;
};

class CRecordingEvents : public ITerminalEvents {
 public:
  void SendToHost(const uint8_t* data, size_t length) override {
    replies.append(reinterpret_cast<const char*>(data), length);
  }
  void Bell() override { ++bells; }
  void StartZModemReceive() override { ++zmodemStarts; }
  void RunHostScript(std::string_view text, bool isFile) override {
    (isFile ? scriptFiles : scriptTexts).emplace_back(text);
  }
  void HostTitleChanged(std::string_view title) override { titles.emplace_back(title); }
  void HostClipboard(std::string_view text) override { clipboard.emplace_back(text); }
  std::string Summary() const {
    std::ostringstream s;
    s << "bells=" << bells << " zmodem=" << zmodemStarts;
    for (const auto& t : scriptTexts) s << " text[" << t << "]";
    for (const auto& f : scriptFiles) s << " file[" << f << "]";
    for (const auto& t : titles) s << " title[" << t << "]";
    for (const auto& c : clipboard) s << " clipboard[" << c << "]";
    return s.str();
  }
  std::string replies;
  int bells = 0;
  int zmodemStarts = 0;
  std::vector<std::string> scriptTexts, scriptFiles, titles, clipboard;
};

// A colour of a cell's extra as a golden file writes it: "-" for none, "5;n" or "2;r;g;b".
std::string ColourText(uint32_t colour) {
  const uint32_t v = colour & ~colour::kTagMask;
  if ((colour & colour::kTagMask) == colour::kIndexed) return "5;" + std::to_string(v);
  if ((colour & colour::kTagMask) == colour::kRgb)
    return "2;" + std::to_string(v >> 16) + ";" + std::to_string((v >> 8) & 0xFF) + ";" +
           std::to_string(v & 0xFF);
  return "-";
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  return s;
}

// A JSON-style quoted string: \" \\ \n \uXXXX.
bool ParseQuoted(std::string_view s, std::string& out) {
  size_t i = s.find('"');
  if (i == std::string_view::npos) return false;
  for (++i; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
      case 'u': {
        if (i + 4 >= s.size()) return false;
        AppendUtf8(out,
                   static_cast<char32_t>(std::stoul(std::string(s.substr(i + 1, 4)), nullptr, 16)));
        i += 4;
        break;
      }
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      default:
        out += s[i];
        break;
    }
  }
  return false;
}

std::vector<GoldenCase> LoadCases() {
  std::vector<GoldenCase> cases;
  for (const auto& path : test::SortedDataFiles("golden", ".golden")) {
    std::ifstream in(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      if (line.rfind("=== ", 0) == 0) {
        GoldenCase c;
        c.name = line.substr(4);
        for (char& ch : c.name)
          if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        c.file = path.filename().string();
        c.line = number;
        cases.push_back(std::move(c));
        continue;
      }
      if (cases.empty()) continue;
      GoldenCase& c = cases.back();
      auto fail = [&](const std::string& why) {
        if (c.parseError.empty()) c.parseError = c.file + ":" + std::to_string(number) + ": " + why;
      };
      if (line.rfind("codepage ", 0) == 0) {
        c.codePage = std::stoi(line.substr(9));
      } else if (line.rfind("set ", 0) == 0) {
        c.sets.push_back(line.substr(4));
      } else if (line.rfind("in ", 0) == 0) {
        std::string bytes;
        if (!ParseControlString(line.substr(3), bytes)) fail("bad notation");
        c.input += bytes;
      } else if (line.rfind("repeat ", 0) == 0) {
        std::istringstream s(line.substr(7));
        int n = 0;
        s >> n;
        std::string rest;
        std::getline(s, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        std::string bytes;
        if (!ParseControlString(rest, bytes)) fail("bad notation");
        for (int i = 0; i < n; ++i) c.input += bytes;
      } else if (line.rfind("expect ", 0) == 0) {
        c.expectations.push_back({line.substr(7), number});
      } else {
        fail("unknown directive: " + line);
      }
    }
  }
  // Test names must be unique.
  std::map<std::string, int> seen;
  for (GoldenCase& c : cases)
    if (int n = seen[c.name]++; n > 0) c.name += "_" + std::to_string(n + 1);
  return cases;
}

const std::vector<GoldenCase>& AllCases() {
  static const std::vector<GoldenCase> cases = LoadCases();
  return cases;
}

struct CaseRun {
  std::unique_ptr<CVT420Emulator> terminal;
  std::unique_ptr<CRecordingEvents> events;
  std::string snapshot;
};

CaseRun RunCase(const GoldenCase& c, const std::vector<size_t>& chunks) {
  platform::SetSystemCodePage(c.codePage);
  CaseRun run;
  run.terminal = std::make_unique<CVT420Emulator>();
  run.events = std::make_unique<CRecordingEvents>();
  run.terminal->SetEvents(run.events.get());
  for (const auto& s : c.sets) {
    std::string error;
    EXPECT_TRUE(ApplySettingAssignment(run.terminal->Settings(), s, error)) << error;
  }
  run.terminal->Reset();
  const auto* data = reinterpret_cast<const uint8_t*>(c.input.data());
  size_t offset = 0, i = 0;
  while (offset < c.input.size()) {
    const size_t n = chunks.empty()
                         ? c.input.size()
                         : std::min(chunks[i++ % chunks.size()], c.input.size() - offset);
    run.terminal->ReceiveBytes(data + offset, n);
    offset += n;
  }
  ScreenJsonOptions options;
  options.attributes = true;
  run.snapshot = ScreenToJson(*run.terminal, run.events->replies, options) + run.events->Summary() +
                 " state=" + std::to_string(static_cast<int>(run.terminal->State())) +
                 " keys=" + std::to_string(run.terminal->KeyMap().Entries().size());
  platform::SetSystemCodePage(1252);
  return run;
}

void CheckExpectation(const CaseRun& run, const Expectation& e, const std::string& where) {
  const CVT420Emulator& t = *run.terminal;
  const CScreenBuffer& screen = t.Screen();
  const int columns = std::clamp(t.Settings().Int(S::Columns), 1, kLineWidth);
  std::istringstream s(e.text);
  std::string what;
  s >> what;
  SCOPED_TRACE(where + ":" + std::to_string(e.line) + ": expect " + e.text);
  auto quoted = [&](std::string& out) {
    std::string rest;
    std::getline(s, rest);
    ASSERT_TRUE(ParseQuoted(rest, out)) << "bad quoted text";
  };
  if (what == "cursor") {
    int row, col;
    s >> row >> col;
    EXPECT_EQ(t.CursorRow(), row);
    EXPECT_EQ(t.CursorColumn(), col);
  } else if (what == "row") {
    int row;
    s >> row;
    std::string text;
    quoted(text);
    auto line = screen.GetPageRow(row);
    ASSERT_TRUE(line);
    EXPECT_EQ(Trim(LineToText(*line, columns)), Trim(text));
  } else if (what == "attr" || what == "char") {
    int row, col;
    std::string hex;
    s >> row >> col >> hex;
    const unsigned expected = static_cast<unsigned>(std::stoul(hex, nullptr, 16));
    const unsigned actual = what == "attr" ? screen.AttrAt(row, col) : screen.CharAt(row, col);
    EXPECT_EQ(actual, expected) << std::hex << "actual 0x" << actual;
  } else if (what == "extra") {
    // expect extra ROW COL FG BG STYLES, or "expect extra ROW COL none".
    int row, col;
    std::string fg, bg;
    s >> row >> col >> fg;
    const CellExtra* extra = screen.ExtraAt(row, col);
    if (fg == "none") {
      EXPECT_EQ(extra, nullptr);
      return;
    }
    int styles = 0;
    s >> bg >> styles;
    ASSERT_NE(extra, nullptr) << "the cell has no extra colours";
    EXPECT_EQ(ColourText(extra->foreground), fg);
    EXPECT_EQ(ColourText(extra->background), bg);
    EXPECT_EQ(extra->styles, styles);
  } else if (what == "link") {
    // expect link ROW COL "URI"; "" for a cell without a link.
    int row, col;
    s >> row >> col;
    std::string uri;
    quoted(uri);
    const CellExtra* extra = screen.ExtraAt(row, col);
    EXPECT_EQ(extra ? screen.Links().Uri(extra->link) : std::string_view(), uri);
  } else if (what == "clipboardcount") {
    size_t n = 0;
    s >> n;
    EXPECT_EQ(run.events->clipboard.size(), n);
  } else if (what == "title") {
    std::string text;
    quoted(text);
    EXPECT_EQ(t.HostTitle(), text);
  } else if (what == "linesize") {
    int row, size;
    s >> row >> size;
    EXPECT_EQ(screen.LineFlags(row) & 0xFF, size);
  } else if (what == "history") {
    int index;
    s >> index;
    std::string text;
    quoted(text);
    ASSERT_LT(index, screen.HistoryCount());
    EXPECT_EQ(Trim(LineToText(*screen.GetLine(index), columns)), Trim(text));
  } else if (what == "historycount") {
    int n;
    s >> n;
    EXPECT_EQ(screen.HistoryCount(), n);
  } else if (what == "page") {
    int n;
    s >> n;
    EXPECT_EQ(screen.CurrentPage(), n);
  } else if (what == "status") {
    std::string rest;
    std::getline(s, rest);
    if (rest.find("null") != std::string::npos && rest.find('"') == std::string::npos) {
      EXPECT_EQ(t.Settings().Int(S::StatusLine), 0);
    } else {
      std::string text;
      ASSERT_TRUE(ParseQuoted(rest, text));
      EXPECT_EQ(t.Settings().Int(S::StatusLine), 1);
      EXPECT_EQ(Trim(LineToText(*screen.GetPageRow(screen.Lines()), columns)), Trim(text));
    }
  } else if (what == "reply") {
    std::string text;
    quoted(text);
    EXPECT_EQ(FormatControlString(run.events->replies), text);
  } else if (what == "setting") {
    std::string rest;
    std::getline(s, rest);
    rest.erase(0, rest.find_first_not_of(' '));
    const size_t eq = rest.find('=');
    ASSERT_NE(eq, std::string::npos);
    const int pos = CSettingsSet::FindKey(rest.substr(0, eq));
    ASSERT_GE(pos, 0) << "unknown key";
    const std::string value = rest.substr(eq + 1);
    if (CSettingsSet::Descriptor(pos).type == SettingType::kInteger) {
      EXPECT_EQ(t.Settings().Int(pos), std::stoi(value));
    } else {
      std::string bytes;
      ASSERT_TRUE(ParseControlString(value, bytes));
      EXPECT_EQ(t.Settings().Str(pos), bytes);
    }
  } else if (what == "margins") {
    int top, bottom, left, right;
    s >> top >> bottom >> left >> right;
    EXPECT_EQ(t.TopMargin(), top);
    EXPECT_EQ(t.BottomMargin(), bottom);
    EXPECT_EQ(t.LeftMargin(), left);
    EXPECT_EQ(t.RightMargin(), right);
  } else if (what == "key") {
    int key, modifiers;
    s >> key >> modifiers;
    std::string text;
    quoted(text);
    const KeyLookup action = t.KeyMap().Lookup(key, static_cast<uint8_t>(modifiers));
    EXPECT_EQ(action.action, KeyAction::kSendString);
    EXPECT_EQ(FormatControlString(action.text), text);
  } else if (what == "state") {
    int n;
    s >> n;
    EXPECT_EQ(static_cast<int>(t.State()), n);
  } else if (what == "event") {
    std::string kind;
    s >> kind;
    if (kind == "bell" || kind == "zmodem") {
      int n;
      s >> n;
      EXPECT_EQ(kind == "bell" ? run.events->bells : run.events->zmodemStarts, n);
    } else {
      std::string text;
      quoted(text);
      const auto& list = kind == "clipboard"     ? run.events->clipboard
                         : kind == "script-text" ? run.events->scriptTexts
                                                 : run.events->scriptFiles;
      ASSERT_TRUE(kind == "script-text" || kind == "script-file" || kind == "clipboard") << kind;
      EXPECT_NE(std::find(list.begin(), list.end(), text), list.end()) << run.events->Summary();
    }
  } else {
    ADD_FAILURE() << "unknown expectation";
  }
}

class Golden : public testing::TestWithParam<size_t> {};

TEST_P(Golden, Case) {
  const GoldenCase& c = AllCases()[GetParam()];
  ASSERT_TRUE(c.parseError.empty()) << c.parseError;
  const std::string where = c.file;
  const CaseRun whole = RunCase(c, {});
  for (const Expectation& e : c.expectations) CheckExpectation(whole, e, where);

  // The same result byte by byte and in random chunk sizes.
  const CaseRun single = RunCase(c, {1});
  EXPECT_EQ(single.snapshot, whole.snapshot) << "byte by byte differs";
  std::mt19937 rng(static_cast<uint32_t>(GetParam()));
  for (int round = 0; round < 2; ++round) {
    std::vector<size_t> chunks;
    for (int i = 0; i < 16; ++i) chunks.push_back(1 + rng() % 7);
    const CaseRun chunked = RunCase(c, chunks);
    EXPECT_EQ(chunked.snapshot, whole.snapshot) << "chunked run differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::Range<size_t>(0, AllCases().size()),
                         [](const testing::TestParamInfo<size_t>& instance) {
                           return AllCases()[instance.param].name;
                         });

// Records which identifiers the parser dispatches, with no screen behind it.
class CIdRecorder : public IVtParserSink {
 public:
  void Print(const uint8_t*, size_t, bool) override {}
  bool GraphicC1() override { return false; }
  void Execute(uint8_t code) override { controls.insert(code); }
  void EscDispatch(VtId id, const CControlParams&) override { escapes.emplace(id.Value(), id); }
  void CsiDispatch(VtId id, const CControlParams&) override { sequences.emplace(id.Value(), id); }
  bool DcsHook(VtId, const CControlParams&) override { return false; }
  void DcsUnhook(VtId, const CControlParams&, std::string_view) override {}
  std::set<uint8_t> controls;
  std::map<uint64_t, VtId> escapes, sequences;
};

std::string RowName(const SequenceRow& row) {
  char buffer[VtId::kMaxPrefix + 2];
  return std::string(row.mnemonic) + " (" + std::string(row.id.Text(buffer)) + ")";
}

// Each row of the dispatch tables is reached by at least one golden case, so every function
// the terminal claims to support has its behaviour pinned down by a case.
TEST(DispatchTables, EveryRowIsReachedByAGoldenCase) {
  CIdRecorder seen;
  for (const GoldenCase& c : AllCases()) {
    // With interpretation off the bytes are shown, not parsed.
    if (std::find(c.sets.begin(), c.sets.end(), "Interpret=0") != c.sets.end()) continue;
    CVtParser parser(seen);
    parser.Feed(reinterpret_cast<const uint8_t*>(c.input.data()), c.input.size());
  }
  for (const ControlRow& row : CEmulatorDispatch::Controls())
    EXPECT_TRUE(seen.controls.count(row.code)) << row.mnemonic << " is reached by no golden case";
  auto check = [](std::span<const SequenceRow> rows, const std::map<uint64_t, VtId>& ids) {
    const CSequenceIndex index(rows);
    std::set<const SequenceRow*> reached;
    for (const auto& [value, id] : ids)
      if (const SequenceRow* row = index.Find(id)) reached.insert(row);
    for (const SequenceRow& row : rows)
      EXPECT_TRUE(reached.count(&row)) << RowName(row) << " is reached by no golden case";
  };
  check(CEmulatorDispatch::Escapes(), seen.escapes);
  check(CEmulatorDispatch::Sequences(), seen.sequences);
}

// Every row names its function, and no two rows of a table share an identifier.
TEST(DispatchTables, RowsHaveMnemonicsAndDistinctIdentifiers) {
  for (const ControlRow& row : CEmulatorDispatch::Controls())
    EXPECT_GT(std::strlen(row.mnemonic), 1u) << int{row.code};
  for (auto rows : {CEmulatorDispatch::Escapes(), CEmulatorDispatch::Sequences()}) {
    std::set<uint64_t> ids;
    for (const SequenceRow& row : rows) {
      EXPECT_GT(std::strlen(row.mnemonic), 1u) << RowName(row);
      EXPECT_TRUE(ids.insert(row.id.Value()).second) << RowName(row) << " appears twice";
    }
  }
}

}  // namespace
}  // namespace ostrane
