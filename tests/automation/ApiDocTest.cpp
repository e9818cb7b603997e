// docs/API.md and src/module/TzGrid.idl against the dispatch and event maps.
// Every map entry is written out as the index row and the IDL lines it
// implies; the document and the IDL must hold exactly those lines, in map
// order, so a member missing, extra, renumbered, retyped or renamed on
// either side fails at the first line that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "automation/DispatchMap.h"

namespace TzGrid::Test {
namespace {

using Lines = std::vector<std::string>;

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
  return std::regex_replace(std::regex_replace(s, std::regex(R"([ \t]+)"), " "), std::regex(R"(^ | $)"), "");
}

Lines ReadLines(const char* relative) {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / relative;
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  Lines out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The lines after the line `opening` up to the first line that starts with `closing`.
Lines Between(const Lines& text, const std::string& opening, const std::string& closing) {
  auto begin = std::find_if(text.begin(), text.end(), [&](const std::string& l) { return Squeeze(l) == opening; });
  EXPECT_NE(begin, text.end()) << "no line " << opening;
  if (begin == text.end()) return {};
  auto end = std::find_if(begin + 1, text.end(),
                          [&](const std::string& l) { return Squeeze(l).rfind(closing, 0) == 0; });
  return Lines(begin + 1, end);
}

// Each "### Name" heading, the lines of the section's first ```idl block
// and a "**Example**" line when the section has one.
Lines Outline(const Lines& part) {
  Lines out;
  enum { Preamble, Before, Inside, After } at = Preamble;
  for (const std::string& line : part) {
    const std::string s = Squeeze(line);
    if (s.rfind("### ", 0) == 0) {
      out.push_back(s);
      at = Before;
    } else if (at == Before && s == "```idl") {
      at = Inside;
    } else if (at == Inside) {
      if (s == "```") at = After;
      else out.push_back(s);
    } else if (at != Preamble && s.rfind("**Example**", 0) == 0) {
      out.push_back("**Example**");
    }
  }
  return out;
}

Lines Matching(const Lines& text, const char* pattern) {
  Lines out;
  for (const std::string& line : text) {
    if (std::regex_search(line, std::regex(pattern))) out.push_back(Squeeze(line));
  }
  return out;
}

// Reports the first line where the two lists part, or the count difference.
void ExpectSameLines(const Lines& expected, const Lines& actual, const std::string& where) {
  for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
    if (expected[i] != actual[i]) {
      ADD_FAILURE() << where << " line " << i << ":\n  has    " << actual[i] << "\n  wanted " << expected[i];
      return;
    }
  }
  EXPECT_EQ(actual.size(), expected.size()) << where << ": a line is missing or extra at the end";
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
  ExpectSameLines(index, Matching(Between(doc, "## Index", "## "), R"(^\|\s*-?\d+\s*\|)"), "index");
  ExpectSameLines(members, Outline(Between(doc, "## Members of _DTzGrid", "## ")), "member sections");
  ExpectSameLines(events, Outline(Between(doc, "## Events of _DTzGridEvents", "## ")), "event sections");
}

TEST_F(ApiDoc, TypeLibrarySourceMatchesTheMaps) {
  const Lines idl = ReadLines("src/module/TzGrid.idl");
  ExpectSameLines(typelibMembers, Matching(Between(idl, "dispinterface _DTzGrid", "};"), R"(\[id\()"), "_DTzGrid");
  ExpectSameLines(typelibEvents, Matching(Between(idl, "dispinterface _DTzGridEvents", "};"), R"(\[id\()"),
                  "_DTzGridEvents");
}

}  // namespace
}  // namespace TzGrid::Test
