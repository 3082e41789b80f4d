#pragma once
// Fakes of the platform's side for host tests: exchange files in memory, the
// error boxes, the wait timer, the help engine, the paper-check window and a
// small text catalogue. Fakes that share a CallLog record their calls in one
// sequence, so tests can check the order across them.

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dialog/decisions.h"
#include "exchange/completion_watch.h"
#include "exchange/exchange_file.h"
#include "help/help_file.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"

namespace paperchk::fakes {

class CallLog {
 public:
  void Add(std::string entry) { entries.push_back(std::move(entry)); }
  std::vector<std::string> entries;
};

inline void AddTo(CallLog* log, std::string entry) {
  if (log != nullptr) log->Add(std::move(entry));
}

// --- Exchange files ---

// Files in memory, keyed by path. Opening creates a missing file (open
// always) unless it asks for an existing one; writing at the start never
// shortens a file.
class FakeExchangeFileSystem final : public ExchangeFileSystem {
 public:
  explicit FakeExchangeFileSystem(CallLog* log = nullptr) : log_(log) {}

  std::unique_ptr<OpenExchangeFile> OpenAlways(const char* path) override {
    const std::string name = path != nullptr ? path : "";
    AddTo(log_, "Open " + name);
    ++openCount;
    if (failOpen || name.empty()) return nullptr;
    files[name];  // open always: create when missing
    return std::make_unique<File>(*this, name);
  }

  std::unique_ptr<OpenExchangeFile> OpenExisting(const char* path) override {
    const std::string name = path != nullptr ? path : "";
    AddTo(log_, "OpenExisting " + name);
    ++openCount;
    if (failOpen || !Exists(name)) return nullptr;
    return std::make_unique<File>(*this, name);
  }

  bool Exists(const std::string& path) const { return files.count(path) != 0; }

  std::map<std::string, std::vector<std::uint8_t>> files;
  bool failOpen = false;
  bool failRead = false;
  bool failWrite = false;
  // When set, a write stores at most this many bytes (and says so).
  bool limitWrite = false;
  std::size_t writeLimit = 0;
  int openCount = 0;
  int openFiles = 0;  // handles currently open

 private:
  class File final : public OpenExchangeFile {
   public:
    File(FakeExchangeFileSystem& owner, std::string path) : owner_(owner), path_(std::move(path)) {
      ++owner_.openFiles;
    }
    ~File() override {
      --owner_.openFiles;
      AddTo(owner_.log_, "Close " + path_);
    }

    bool ReadAtStart(std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
      AddTo(owner_.log_, "Read " + path_);
      bytesRead = 0;
      if (owner_.failRead) return false;
      const std::vector<std::uint8_t>& bytes = owner_.files[path_];
      bytesRead = size < bytes.size() ? size : bytes.size();
      for (std::size_t i = 0; i < bytesRead; ++i) buffer[i] = bytes[i];
      return true;
    }

    bool WriteAtStart(const std::uint8_t* data, std::size_t size, std::size_t& bytesWritten) override {
      AddTo(owner_.log_, "Write " + path_);
      bytesWritten = 0;
      if (owner_.failWrite) return false;
      std::size_t count = size;
      if (owner_.limitWrite && owner_.writeLimit < count) count = owner_.writeLimit;
      std::vector<std::uint8_t>& bytes = owner_.files[path_];
      if (bytes.size() < count) bytes.resize(count);
      for (std::size_t i = 0; i < count; ++i) bytes[i] = data[i];
      bytesWritten = count;
      return true;
    }

   private:
    FakeExchangeFileSystem& owner_;
    std::string path_;
  };

  CallLog* log_;
};

// --- Error boxes ---

class FakeFileErrorReporter final : public FileErrorReporter {
 public:
  explicit FakeFileErrorReporter(CallLog* log = nullptr) : log_(log) {}
  void ShowFileError(const char* message) override {
    messages.emplace_back(message);
    AddTo(log_, std::string("ShowFileError ") + message);
  }
  std::vector<std::string> messages;

 private:
  CallLog* log_;
};

// --- Wait timer ---

class FakePollTimer final : public PollTimer {
 public:
  explicit FakePollTimer(CallLog* log = nullptr) : log_(log) {}
  void Stop() override {
    ++stopCount;
    AddTo(log_, "StopTimer");
  }
  int stopCount = 0;

 private:
  CallLog* log_;
};

// --- Folder watch ---

class FakeFolderWatch final : public FolderWatch {
 public:
  explicit FakeFolderWatch(CallLog* log = nullptr) : log_(log) {}
  bool Rearm() override {
    ++rearmCount;
    AddTo(log_, "Rearm");
    return rearmWorks;
  }
  bool rearmWorks = true;
  int rearmCount = 0;

 private:
  CallLog* log_;
};

// --- Help engine ---

class FakeHelpEngine final : public HelpEngine {
 public:
  struct Call {
    // WinHelp: "ShowContext", "Quit"; HTML Help: "Load", "HtmlShowContext",
    // "HtmlShowDefaultTopic", "CloseAll"
    std::string operation;
    std::string path;
    std::uint32_t context = 0;
  };

  explicit FakeHelpEngine(CallLog* log = nullptr, std::string directory = "C:\\WINNT")
      : windowsDirectory(std::move(directory)), log_(log) {}

  TextBuffer WindowsDirectory() override { return TextBuffer(windowsDirectory.data(), windowsDirectory.size()); }
  TextBuffer ProgramPath() override { return TextBuffer(programPath.data(), programPath.size()); }
  bool FileExists(const char* path) override { return files.count(path) != 0; }
  void ShowContext(const char* path, std::uint32_t context) override {
    calls.push_back(Call{"ShowContext", path, context});
    AddTo(log_, std::string("HelpShowContext ") + path);
  }
  void Quit(const char* path) override {
    calls.push_back(Call{"Quit", path, 0});
    AddTo(log_, std::string("HelpQuit ") + path);
  }
  bool LoadHtmlHelp() override {
    calls.push_back(Call{"Load", "", 0});
    return htmlHelpLoads;
  }
  bool HtmlShowContext(const char* path, std::uint32_t context) override {
    calls.push_back(Call{"HtmlShowContext", path, context});
    return topicMapped;
  }
  void HtmlShowDefaultTopic(const char* path) override { calls.push_back(Call{"HtmlShowDefaultTopic", path, 0}); }
  void HtmlCloseAll() override { calls.push_back(Call{"CloseAll", "", 0}); }

  std::string windowsDirectory;
  std::string programPath = "D:\\Driver\\3\\paperchk.exe";
  std::set<std::string> files;  // paths that exist
  bool htmlHelpLoads = true;
  bool topicMapped = true;
  std::vector<Call> calls;

 private:
  CallLog* log_;
};

// --- Paper-check window ---

class FakePaperCheckWindow final : public PaperCheckWindow {
 public:
  explicit FakePaperCheckWindow(CallLog* log = nullptr) : log_(log) {}
  void Hide() override { AddTo(log_, "Hide"); }
  void RunWaitDialog() override { AddTo(log_, "RunWaitDialog"); }
  void Confirm() override { AddTo(log_, "Confirm"); }

 private:
  CallLog* log_;
};

// --- Text catalogue ---

// A catalogue with just the entries a test gives it.
class FakeTextCatalogue final : public TextCatalogue {
 public:
  FakeTextCatalogue() = default;
  explicit FakeTextCatalogue(std::map<std::int32_t, std::string> entries) : entries_(std::move(entries)) {}

  void Set(std::int32_t number, std::string text) { entries_[number] = std::move(text); }

  bool Lookup(std::int32_t number, TextBuffer& text) const override {
    const auto found = entries_.find(number);
    if (found == entries_.end()) {
      text.Clear();
      return false;
    }
    text.Assign(found->second.data(), found->second.size());
    return true;
  }

 private:
  std::map<std::int32_t, std::string> entries_;
};

// --- Reports ---

// Copies a text into a report field; a text that does not fit is a mistake
// in the test, not something to cut silently.
template <std::size_t N>
void SetField(char (&field)[N], const std::string& text) {
  if (text.size() >= N) throw std::length_error("test text does not fit the report field");
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size());
}

// A report as the parser leaves it: all buffers zero, then the given fields.
struct ReportItemCodes {
  std::string settingName;
  std::string applicationValue;
  std::string printerValue;
};

inline MismatchReport MakeReport(const std::string& printerName, const std::string& port,
                                 const std::vector<ReportItemCodes>& items, const std::string& paperSource,
                                 const std::string& twoTrayFlag, const std::string& otherTraySize,
                                 const std::string& otherTrayMedia, const std::string& exchangePath = "") {
  if (items.empty() || items.size() > kMaxItems) throw std::length_error("a report has 1 to 3 items");
  MismatchReport report;
  std::memset(&report, 0, sizeof report);
  const std::string countWord = std::to_string(items.size()) + "_Item";
  SetField(report.itemCountToken, countWord);
  report.itemCount = static_cast<std::uint32_t>(items.size());
  SetField(report.printerName, printerName);
  SetField(report.port, port);
  for (std::size_t i = 0; i < items.size(); ++i) {
    SetField(report.items[i].settingName, items[i].settingName);
    SetField(report.items[i].applicationValue, items[i].applicationValue);
    SetField(report.items[i].printerValue, items[i].printerValue);
  }
  SetField(report.paperSource, paperSource);
  SetField(report.twoTrayFlag, twoTrayFlag);
  SetField(report.otherTraySize, otherTraySize);
  SetField(report.otherTrayMedia, otherTrayMedia);
  SetField(report.exchangePath, exchangePath);
  return report;
}

}  // namespace paperchk::fakes
