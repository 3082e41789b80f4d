#pragma once
// In-memory paper-check controls that behave like the platform's list boxes
// and drop-down combo box, and log every call so tests can check the order.

#include <cctype>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/paper_check_controls.h"

namespace paperchk::fakes {

class FakeControls final : public PaperCheckControls {
 public:
  struct Call {
    std::string operation;  // "SetTitle", "SetControlText", "ListInsert", ...
    int id = 0;
    int position = 0;  // row, start index or entry index; 0 where unused
    std::string text;

    bool operator==(const Call& other) const {
      return operation == other.operation && id == other.id && position == other.position &&
             text == other.text;
    }
    friend std::ostream& operator<<(std::ostream& out, const Call& call) {
      return out << call.operation << "(" << call.id << ", " << call.position << ", \"" << call.text << "\")";
    }
  };

  struct Combo {
    std::vector<std::string> entries;
    int selected = -1;
  };

  // --- PaperCheckControls ---

  void SetTitle(const char* text) override {
    Log("SetTitle", 0, 0, text);
    title = text;
    titleSet = true;
  }

  void SetControlText(int id, const char* text) override {
    Log("SetControlText", id, 0, text);
    texts[id] = text;
  }

  // Inserting keeps the given position even in a sorted list box; -1 appends,
  // a position just past the last row appends, a later one inserts nothing.
  void ListInsert(int id, int position, const char* text) override {
    Log("ListInsert", id, position, text);
    std::vector<std::string>& rows = lists[id];
    const int count = static_cast<int>(rows.size());
    if (position == -1) position = count;
    if (position < 0 || position > count) return;
    rows.insert(rows.begin() + position, text);
  }

  void ListDelete(int id, int position) override {
    Log("ListDelete", id, position, "");
    std::vector<std::string>& rows = lists[id];
    if (position < 0 || position >= static_cast<int>(rows.size())) return;
    rows.erase(rows.begin() + position);
  }

  // An unsorted drop-down list: entries are appended.
  void ComboAdd(int id, const char* text) override {
    Log("ComboAdd", id, 0, text);
    combos[id].entries.push_back(text);
  }

  // Case-insensitive prefix search from the entry after `startAfter` to the
  // end, then from the top back to `startAfter` itself. A start outside the
  // list searches the whole list from the top.
  int ComboSelectString(int id, int startAfter, const char* prefix) override {
    Log("ComboSelectString", id, startAfter, prefix);
    Combo& combo = combos[id];
    const int count = static_cast<int>(combo.entries.size());
    if (count == 0) return -1;
    if (startAfter < -1 || startAfter >= count) startAfter = -1;
    for (int step = 1; step <= count; ++step) {
      const int index = (startAfter + step) % count;
      if (StartsWithIgnoringCase(combo.entries[static_cast<std::size_t>(index)], prefix)) {
        combo.selected = index;
        return index;
      }
    }
    return -1;
  }

  int ComboGetCurSel(int id) override {
    Log("ComboGetCurSel", id, 0, "");
    return combos[id].selected;
  }

  TextBuffer ComboGetText(int id, int index) override {
    Log("ComboGetText", id, index, "");
    const Combo& combo = combos[id];
    if (index < 0 || index >= static_cast<int>(combo.entries.size())) return {};
    const std::string& entry = combo.entries[static_cast<std::size_t>(index)];
    return TextBuffer(entry.data(), entry.size());
  }

  // --- What a user does ---

  // Picks an entry as a click in the drop-down list would (CB_SETCURSEL).
  void SelectEntry(int id, int index) { combos[id].selected = index; }

  // --- Inspection ---

  const std::vector<std::string>& Rows(int id) { return lists[id]; }
  const std::vector<std::string>& Entries(int id) { return combos[id].entries; }
  int Selected(int id) { return combos[id].selected; }
  bool HasText(int id) const { return texts.count(id) != 0; }
  std::string TextOf(int id) const {
    const auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
  }

  // Index of the first logged call with this operation and id, or -1.
  int FirstCall(const std::string& operation, int id) const {
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].operation == operation && calls[i].id == id) return static_cast<int>(i);
    }
    return -1;
  }
  // Index of the last logged call with this operation and id, or -1.
  int LastCall(const std::string& operation, int id) const {
    for (std::size_t i = calls.size(); i > 0; --i) {
      if (calls[i - 1].operation == operation && calls[i - 1].id == id) return static_cast<int>(i - 1);
    }
    return -1;
  }
  int CountCalls(const std::string& operation, int id) const {
    int count = 0;
    for (const Call& call : calls) {
      if (call.operation == operation && call.id == id) ++count;
    }
    return count;
  }

  std::string title;
  bool titleSet = false;
  std::map<int, std::string> texts;
  std::map<int, std::vector<std::string>> lists;
  std::map<int, Combo> combos;
  std::vector<Call> calls;

 private:
  void Log(const char* operation, int id, int position, const std::string& text) {
    calls.push_back(Call{operation, id, position, text});
  }

  static bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      const auto a = static_cast<unsigned char>(text[i]);
      const auto b = static_cast<unsigned char>(prefix[i]);
      if (std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
  }
};

}  // namespace paperchk::fakes
