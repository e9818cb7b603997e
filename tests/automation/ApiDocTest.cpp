// docs/API.md and src/module/TzGrid.idl against the dispatch and event maps.
// Every map entry is written out as the index row and the IDL lines it
// implies; the document and the IDL must hold exactly those lines, in map
// order, so a member missing, extra, renumbered, retyped or renamed on
// either side fails with the line that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "automation/DispatchMap.h"

namespace TzGrid::Test {
namespace {

using Lines = std::vector<std::string>;

std::string IdlType(VARTYPE vt) {
  static const std::map<VARTYPE, std::string> kNames = {
      {VT_I2, "short"}, {VT_I4, "long"}, {VT_UI2, "unsigned short"}, {VT_UI4, "unsigned long"}, {VT_BSTR, "BSTR"},
      {VT_BOOL, "VARIANT_BOOL"}, {VT_VOID, "void"}, {VT_BYREF | VT_I4, "long*"}, {VT_BYREF | VT_BSTR, "BSTR*"}};
  return kNames.count(vt) ? kNames.at(vt) : "?" + std::to_string(vt);
}

// "long Row, long Column"; in IDL each parameter carries "[in] ".
template <class Params>
std::string ParamList(const Params& params, int count, const std::string& mark = "") {
  std::string out;
  for (int i = 0; i < count; ++i) out += (i ? ", " : "") + mark + IdlType(params[i].vt) + " " + params[i].name;
  return out;
}

std::string IdlLine(DISPID id, const std::string& attributes, const std::string& type, const std::string& name,
                    const std::string& params) {
  return "[id(" + std::to_string(id) + ")" + attributes + "] " + type + " " + name + "(" + params + ");";
}

// A method's one IDL line, or a property's propget and propput pair; the
// type library's copy also carries the help string ("method X").
Lines MemberIdl(const DispEntry& e, bool withHelp) {
  const std::string kind = e.kind == DispKind::Property ? "property " : "method ";
  const std::string help = withHelp && e.hasHelpString ? ", helpstring(\"" + kind + e.name + "\")" : "";
  const std::string type = IdlType(e.vtResult);
  if (e.kind == DispKind::Method) {
    return {IdlLine(e.dispid, help, type, e.name, ParamList(e.params, e.cParams, "[in] "))};
  }
  return {IdlLine(e.dispid, ", propget" + help, type, e.name, ""),
          IdlLine(e.dispid, ", propput" + help, "void", e.name, "[in] " + type + " newValue")};
}

std::string EventIdl(const EventEntry& e) {
  return IdlLine(e.dispid, "", "void", e.name, ParamList(e.params, e.cParams, "[in] "));
}

// Runs of blanks collapsed, ends trimmed: table padding does not matter.
std::string Squeeze(const std::string& s) {
  static const std::regex blanks(R"([ \t]+)"), ends(R"(^ | $)");
  return std::regex_replace(std::regex_replace(s, blanks, " "), ends, "");
}

Lines ReadLines(const char* relative) {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / relative;
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  Lines out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The part matching `pattern` of each line after the line `opening` up to
// the first line that starts with `closing`, blanks squeezed.
Lines Section(const Lines& text, const std::string& opening, const std::string& closing, const char* pattern) {
  auto begin = std::find_if(text.begin(), text.end(), [&](const std::string& l) { return Squeeze(l) == opening; });
  EXPECT_NE(begin, text.end()) << "no line " << opening;
  const std::regex wanted(pattern);
  Lines out;
  std::smatch m;
  for (auto it = begin == text.end() ? begin : begin + 1; it != text.end(); ++it) {
    if (Squeeze(*it).rfind(closing, 0) == 0) break;
    if (std::regex_search(*it, m, wanted)) out.push_back(Squeeze(m[0]));
  }
  return out;
}

class ApiDoc : public ::testing::Test {
 protected:
  Lines index, members, events, typelibMembers, typelibEvents;
  void SetUp() override {
    for (const DispEntry& e : GetDispatchMap()) {
      const char* kind = e.kind == DispKind::Property ? "property" : "method";
      index.push_back(Squeeze("| " + std::to_string(e.dispid) + " | " + e.name + " | " + kind + " | " +
                              IdlType(e.vtResult) + " | " + ParamList(e.params, e.cParams) + " |"));
      members.push_back(std::string("### ") + e.name);
      for (const std::string& l : MemberIdl(e, false)) members.push_back(l);
      members.push_back("**Example**");  // every member section shows a call
      for (const std::string& l : MemberIdl(e, true)) typelibMembers.push_back(l);
    }
    for (const EventEntry& e : GetEventMap()) {
      index.push_back(
          Squeeze("| " + std::to_string(e.dispid) + " | " + e.name + " | " + ParamList(e.params, e.cParams) + " |"));
      events.insert(events.end(), {std::string("### ") + e.name, EventIdl(e)});
      typelibEvents.push_back(EventIdl(e));
    }
  }
};

TEST_F(ApiDoc, DocumentIndexAndSectionsMatchTheMaps) {
  const Lines doc = ReadLines("docs/API.md");
  // Sections: each heading, its IDL lines and the start of its example.
  const char* outline = R"(^(### \w+|\[id\(.*|\*\*Example\*\*))";
  EXPECT_EQ(Section(doc, "## Index", "## ", R"(^\|\s*-?\d+\s*\|.*)"), index);
  EXPECT_EQ(Section(doc, "## Members of _DTzGrid", "## ", outline), members);
  EXPECT_EQ(Section(doc, "## Events of _DTzGridEvents", "## ", outline), events);
}

TEST_F(ApiDoc, TypeLibrarySourceMatchesTheMaps) {
  const Lines idl = ReadLines("src/module/TzGrid.idl");
  EXPECT_EQ(Section(idl, "dispinterface _DTzGrid", "};", R"(\[id\(.*)"), typelibMembers);
  EXPECT_EQ(Section(idl, "dispinterface _DTzGridEvents", "};", R"(\[id\(.*)"), typelibEvents);
}

}  // namespace
}  // namespace TzGrid::Test
