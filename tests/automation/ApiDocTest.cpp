// docs/API.md and the type library's IDL against the dispatch and event
// maps: the index tables, the IDL line of every member and event section and
// the IDL the type library is built from must name exactly the members the
// control has, with their DISPIDs, kinds, types, parameter names and help
// strings, so that neither the reference nor the type library can drift.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "automation/DispatchMap.h"

namespace TzGrid::Test {
namespace {

std::string IdlType(VARTYPE vt) {
  switch (vt) {
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_UI2: return "unsigned short";
    case VT_UI4: return "unsigned long";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VOID: return "void";
    case VT_BYREF | VT_I4: return "long*";
    case VT_BYREF | VT_BSTR: return "BSTR*";
    default: return "?" + std::to_string(vt);
  }
}

// A member as the document or the maps describe it. Parameters are "type name".
struct Member {
  long dispid = 0;
  std::string kind;  // method, property, event
  std::string type;  // result type; a property's type
  std::vector<std::string> params;
  bool operator==(const Member& o) const {
    return dispid == o.dispid && kind == o.kind && type == o.type && params == o.params;
  }
};

std::string Describe(const Member& m) {
  std::string s = m.kind + " " + std::to_string(m.dispid) + " " + m.type + " (";
  for (std::size_t i = 0; i < m.params.size(); ++i) s += (i ? ", " : "") + m.params[i];
  return s + ")";
}

std::map<std::string, Member> FromDispatchMap() {
  std::map<std::string, Member> out;
  for (const DispEntry& e : GetDispatchMap()) {
    Member m;
    m.dispid = e.dispid;
    m.kind = e.kind == DispKind::Property ? "property" : "method";
    m.type = IdlType(e.vtResult);
    for (int i = 0; i < e.cParams; ++i) {
      m.params.push_back(IdlType(e.params[std::size_t(i)].vt) + " " + e.params[std::size_t(i)].name);
    }
    out[e.name] = m;
  }
  return out;
}

std::map<std::string, Member> FromEventMap() {
  std::map<std::string, Member> out;
  for (const EventEntry& e : GetEventMap()) {
    Member m;
    m.dispid = e.dispid;
    m.kind = "event";
    m.type = "void";
    for (int i = 0; i < e.cParams; ++i) {
      m.params.push_back(IdlType(e.params[std::size_t(i)].vt) + " " + e.params[std::size_t(i)].name);
    }
    out[e.name] = m;
  }
  return out;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    item = Trim(item);
    if (!item.empty()) out.push_back(item);
  }
  return out;
}

// "long* ColumnArray", "unsigned short  Flag" -> one space between words,
// the pointer mark on the type.
std::string NormaliseParam(std::string p) {
  p = std::regex_replace(p, std::regex(R"(\s*\*\s*)"), "* ");
  p = std::regex_replace(p, std::regex(R"(\s+)"), " ");
  return Trim(p);
}

struct Document {
  std::vector<std::string> lines;
  std::vector<std::string> problems;
};

Document ReadDocument() {
  Document doc;
  std::filesystem::path path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "docs" / "API.md";
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::string line;
  while (std::getline(in, line)) doc.lines.push_back(line);
  return doc;
}

// The lines of the "## <title>" section, up to the next "## " heading.
std::vector<std::string> Section(const Document& doc, const std::string& title) {
  std::vector<std::string> out;
  bool inside = false;
  for (const std::string& line : doc.lines) {
    if (line.rfind("## ", 0) == 0) {
      if (inside) break;
      inside = Trim(line.substr(3)) == title;
      continue;
    }
    if (inside) out.push_back(line);
  }
  EXPECT_FALSE(out.empty()) << "docs/API.md has no section \"## " << title << "\"";
  return out;
}

// Rows of the index tables: "| DISPID | Member | Kind | Type | Parameters |"
// for members, "| DISPID | Event | Parameters |" for events.
void ReadIndex(const std::vector<std::string>& lines, std::map<std::string, Member>& members,
               std::map<std::string, Member>& events, std::vector<std::string>& problems) {
  std::string header;
  for (const std::string& line : lines) {
    if (line.rfind("|", 0) != 0) continue;
    std::vector<std::string> cells;
    std::stringstream in(line.substr(1));
    std::string cell;
    while (std::getline(in, cell, '|')) cells.push_back(Trim(cell));
    if (cells.empty()) continue;
    if (cells[0] == "DISPID") {
      header = cells.size() > 1 ? cells[1] : "";
      continue;
    }
    if (cells[0].rfind("---", 0) == 0) continue;
    Member m;
    try {
      m.dispid = std::stol(cells[0]);
    } catch (...) {
      problems.push_back("index row without a DISPID: " + line);
      continue;
    }
    if (header == "Member" && cells.size() >= 5) {
      m.kind = cells[2];
      m.type = cells[3];
      for (const std::string& p : SplitList(cells[4])) m.params.push_back(NormaliseParam(p));
      if (!members.emplace(cells[1], m).second) problems.push_back("index lists " + cells[1] + " twice");
    } else if (header == "Event" && cells.size() >= 3) {
      m.kind = "event";
      m.type = "void";
      for (const std::string& p : SplitList(cells[2])) m.params.push_back(NormaliseParam(p));
      if (!events.emplace(cells[1], m).second) problems.push_back("index lists event " + cells[1] + " twice");
    } else {
      problems.push_back("index row not understood: " + line);
    }
  }
}

// One IDL line of a section: "[id(5)] short SetColumnWidth([in] long Column, [in] long Width);"
// or "[id(1), propget] long Columns();".
struct IdlLine {
  long dispid = 0;
  std::string attribute;  // "", "propget" or "propput"
  std::string type;
  std::string name;
  std::vector<std::string> params;
};

bool ParseIdlLine(const std::string& line, IdlLine& out) {
  static const std::regex pattern(
      R"(^\s*\[id\((-?\d+)\)(?:,\s*(propget|propput))?\]\s+([A-Za-z_][A-Za-z_ ]*?)\s+([A-Za-z_]\w*)\((.*)\);\s*$)");
  std::smatch m;
  if (!std::regex_match(line, m, pattern)) return false;
  out.dispid = std::stol(m[1].str());
  out.attribute = m[2].str();
  out.type = m[3].str();
  out.name = m[4].str();
  out.params.clear();
  for (std::string p : SplitList(m[5].str())) {
    if (p.rfind("[in]", 0) != 0) return false;
    out.params.push_back(NormaliseParam(p.substr(4)));
  }
  return true;
}

// The "### Name" sections of a part: each holds an ```idl block whose lines
// describe the member (two lines, propget and propput, for a property) and
// an example.
std::map<std::string, Member> ReadSections(const std::vector<std::string>& lines, bool events,
                                           std::vector<std::string>& problems) {
  std::map<std::string, Member> out;
  std::string heading;
  std::vector<IdlLine> idl;
  bool inBlock = false, blockDone = false, example = false;
  auto finish = [&]() {
    if (heading.empty()) return;
    if (idl.empty()) {
      problems.push_back(heading + ": no ```idl block");
    } else if (!events && !example) {
      problems.push_back(heading + ": no **Example**");
    }
    Member m;
    if (idl.size() == 1 && idl[0].attribute.empty()) {
      m.dispid = idl[0].dispid;
      m.kind = events ? "event" : "method";
      m.type = idl[0].type;
      m.params = idl[0].params;
    } else if (!events && idl.size() == 2 && idl[0].attribute == "propget" && idl[1].attribute == "propput" &&
               idl[0].dispid == idl[1].dispid && idl[0].params.empty() && idl[1].type == "void" &&
               idl[1].params.size() == 1 && idl[1].params[0] == idl[0].type + " newValue") {
      m.dispid = idl[0].dispid;
      m.kind = "property";
      m.type = idl[0].type;
    } else if (!idl.empty()) {
      problems.push_back(heading + ": the idl block is neither one method line nor a propget/propput pair");
    }
    for (const IdlLine& l : idl) {
      if (l.name != heading) problems.push_back("section " + heading + " describes " + l.name);
    }
    if (!out.emplace(heading, m).second) problems.push_back(heading + " has two sections");
  };
  for (const std::string& line : lines) {
    if (line.rfind("### ", 0) == 0) {
      finish();
      heading = Trim(line.substr(4));
      idl.clear();
      inBlock = blockDone = example = false;
      continue;
    }
    if (heading.empty()) continue;
    if (line.rfind("**Example**", 0) == 0) example = true;
    if (!blockDone && Trim(line) == "```idl") {
      inBlock = true;
      continue;
    }
    if (inBlock && Trim(line) == "```") {
      inBlock = false;
      blockDone = true;
      continue;
    }
    if (inBlock) {
      IdlLine parsed;
      if (ParseIdlLine(line, parsed)) {
        idl.push_back(parsed);
      } else {
        problems.push_back(heading + ": idl line not understood: " + line);
      }
    }
  }
  finish();
  return out;
}

// Both ways: every expected member documented alike, nothing else documented.
void Compare(const std::map<std::string, Member>& expected, const std::map<std::string, Member>& documented,
             const std::string& where) {
  for (const auto& [name, m] : expected) {
    auto it = documented.find(name);
    if (it == documented.end()) {
      ADD_FAILURE() << where << ": " << name << " is not documented";
    } else {
      EXPECT_EQ(it->second, m) << where << ": " << name << " is documented as " << Describe(it->second)
                               << " but the control has " << Describe(m);
    }
  }
  for (const auto& [name, m] : documented) {
    if (!expected.count(name)) ADD_FAILURE() << where << ": " << name << " is documented but does not exist";
  }
}

TEST(ApiDoc, IndexTablesMatchTheMaps) {
  Document doc = ReadDocument();
  std::map<std::string, Member> members, events;
  std::vector<std::string> problems;
  ReadIndex(Section(doc, "Index"), members, events, problems);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  Compare(FromDispatchMap(), members, "index of _DTzGrid");
  Compare(FromEventMap(), events, "index of _DTzGridEvents");
}

TEST(ApiDoc, MemberSectionsMatchTheDispatchMap) {
  Document doc = ReadDocument();
  std::vector<std::string> problems;
  auto members = ReadSections(Section(doc, "Members of _DTzGrid"), false, problems);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  Compare(FromDispatchMap(), members, "members of _DTzGrid");
}

TEST(ApiDoc, EventSectionsMatchTheEventMap) {
  Document doc = ReadDocument();
  std::vector<std::string> problems;
  auto events = ReadSections(Section(doc, "Events of _DTzGridEvents"), true, problems);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  Compare(FromEventMap(), events, "events of _DTzGridEvents");
}

// The IDL the type library is built from: the lines of one dispinterface,
// from its opening line to its closing brace.
std::vector<std::string> InterfaceLines(const std::string& name) {
  std::filesystem::path path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src/module/TzGrid.idl";
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::vector<std::string> out;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (Trim(line) == "dispinterface " + name) inside = true;
    if (!inside) continue;
    if (Trim(line) == "};") break;
    out.push_back(line);
  }
  EXPECT_FALSE(out.empty()) << "TzGrid.idl has no dispinterface " << name;
  return out;
}

// Checks an interface of TzGrid.idl against a map with the document's
// reader: its member lines regrouped as one section per member. Each line's
// help string must be the one the map promises (the type library carries
// it; the Wine suite reads it back), or none.
void CheckIdlInterface(const std::string& name, const std::map<std::string, Member>& expected, bool events) {
  static const std::regex help(R"re(,\s*helpstring\("([^"]*)"\))re");
  std::map<std::string, std::vector<std::string>> linesOf;
  std::vector<std::string> order;
  for (const std::string& line : InterfaceLines(name)) {
    if (line.find("[id(") == std::string::npos) continue;
    std::smatch m;
    std::string helpText = std::regex_search(line, m, help) ? m[1].str() : "";
    std::string plain = std::regex_replace(line, help, "");
    IdlLine parsed;
    if (!ParseIdlLine(plain, parsed)) {
      ADD_FAILURE() << name << ": line not understood: " << line;
      continue;
    }
    if (!events) {
      const DispEntry* e = FindDispEntry(std::u16string(parsed.name.begin(), parsed.name.end()));
      std::string want;
      if (e && e->hasHelpString) want = (e->kind == DispKind::Property ? "property " : "method ") + parsed.name;
      EXPECT_EQ(helpText, want) << name << ": help string of " << parsed.name;
    }
    if (!linesOf.count(parsed.name)) order.push_back(parsed.name);
    linesOf[parsed.name].push_back(plain);
  }
  std::vector<std::string> sections;
  for (const std::string& member : order) {
    sections.insert(sections.end(), {"### " + member, "```idl"});
    sections.insert(sections.end(), linesOf[member].begin(), linesOf[member].end());
    sections.insert(sections.end(), {"```", "**Example**"});
  }
  std::vector<std::string> problems;
  auto members = ReadSections(sections, events, problems);
  for (const std::string& p : problems) ADD_FAILURE() << name << ": " << p;
  Compare(expected, members, "TzGrid.idl " + name);
}

TEST(ApiDoc, TheTypeLibrarySourceMatchesTheMaps) {
  CheckIdlInterface("_DTzGrid", FromDispatchMap(), false);
  CheckIdlInterface("_DTzGridEvents", FromEventMap(), true);
}

// The reader itself: a line it cannot understand or a wrong entry must be
// reported, or the checks above would pass on a document they cannot read.
TEST(ApiDoc, TheReaderNoticesMistakes) {
  IdlLine l;
  ASSERT_TRUE(ParseIdlLine("[id(35)] void ExportEx([in] unsigned short nType, [in] long* ColumnArray);", l));
  EXPECT_EQ(l.dispid, 35);
  EXPECT_EQ(l.name, "ExportEx");
  EXPECT_EQ(l.params, (std::vector<std::string>{"unsigned short nType", "long* ColumnArray"}));
  ASSERT_TRUE(ParseIdlLine("[id(-550)] void Refresh();", l));
  EXPECT_EQ(l.dispid, -550);
  EXPECT_FALSE(ParseIdlLine("void Refresh();", l));

  std::vector<std::string> problems;
  auto sections = ReadSections({"### Rows", "```idl", "[id(2), propget] long Rows();",
                                "[id(2), propput] void Rows([in] long newValue);", "```", "**Example**: x",
                                "### GetNumRows", "```idl", "[id(14)] short GetNumRows();", "```"},
                               false, problems);
  EXPECT_EQ(problems, std::vector<std::string>{"GetNumRows: no **Example**"});
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections["Rows"], FromDispatchMap()["Rows"]);
  EXPECT_FALSE(sections["GetNumRows"] == FromDispatchMap()["GetNumRows"]);  // short is not long
}

}  // namespace
}  // namespace TzGrid::Test
