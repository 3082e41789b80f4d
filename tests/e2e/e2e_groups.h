// The end-to-end cases by group, and which of them only Wine can run: the
// one table that the test program (paperchk_e2e, all cases or --wine-only)
// and the self-test kit (paperchk-selftest, --only GROUP, never the
// Wine-only cases) choose from.
#pragma once

#include <string>
#include <vector>

namespace e2e {

struct CaseGroup {
  const char* name;
  const char* cases;  // a GoogleTest filter: patterns joined by ':'
};

const std::vector<CaseGroup>& CaseGroups();

// Cases that need a means only Wine has (its own help viewer, its DLL
// overrides, its locale from the Unix side), with the reason; and cases
// the kit runs too, of which a part needs such a means (`inKit`).
struct WineOnlyCase {
  const char* group;
  const char* pattern;
  const char* why;
  bool inKit = false;
};
const std::vector<WineOnlyCase>& WineOnlyCases();

// The filter of one group (empty name: all groups) without the Wine-only
// cases; empty when no group has that name.
std::string KitFilter(const std::string& group);
// The filter of the Wine-only cases alone, of one group (empty: of all).
std::string WineOnlyFilter(const std::string& group = "");

}  // namespace e2e
