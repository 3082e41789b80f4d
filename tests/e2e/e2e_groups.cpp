#include "e2e_groups.h"

namespace e2e {

const std::vector<CaseGroup>& CaseGroups() {
  static const std::vector<CaseGroup> groups = {
      {"automation", "DriverLib.*"},
      {"startup", "StartupError.*:Startup.*"},
      {"population", "Population.*:E2E/PortLines.*"},
      {"tray", "TraySelector.*:E2E/ManualFeed.*"},
      {"window", "Window.*"},
      {"decisions", "E2E/Decision.*:DecisionByInput.*"},
      {"wait", "Wait.*:E2E/WaitDismissed.*"},
      {"file_errors", "FileError.*"},
      {"help", "Help.*"},
      {"launcher", "Launcher.*"},
      {"code_page", "CodePage.*"},
  };
  return groups;
}

const std::vector<WineOnlyCase>& WineOnlyCases() {
  static const std::vector<WineOnlyCase> cases = {
      {"help", "Help.RealViewerIsAskedForTheDriverHelpFile", "answered by Wine's own help viewer, which Windows lacks"},
      {"help", "Help.HtmlHelpFileBesideTheProgramOpensTwiceAndIgnoraClosesAll",
       "a stand-in hhctrl.ocx chosen by a DLL override of Wine's"},
      {"help", "Help.QuestionMarkOpensTheTopicAndIgnoraClosesIt",
       "that HTML Help is not loaded without a .chm: the same stand-in hhctrl.ocx", true},
      {"code_page", "CodePage.*", "a Japanese system code page, which Wine takes from the Unix locale it is started with"},
  };
  return cases;
}

std::string KitFilter(const std::string& group) {
  std::string positive;
  for (const CaseGroup& each : CaseGroups()) {
    if (!group.empty() && group != each.name) continue;
    if (!positive.empty()) positive += ':';
    positive += each.cases;
  }
  if (positive.empty()) return positive;
  std::string negative;
  for (const WineOnlyCase& each : WineOnlyCases()) {
    if (each.inKit) continue;
    if (!negative.empty()) negative += ':';
    negative += each.pattern;
  }
  return positive + '-' + negative;
}

std::string WineOnlyFilter(const std::string& group) {
  std::string filter;
  for (const WineOnlyCase& each : WineOnlyCases()) {
    if (!group.empty() && group != each.group) continue;
    if (!filter.empty()) filter += ':';
    filter += each.pattern;
  }
  return filter;
}

}  // namespace e2e
