#pragma once
#include <functional>
#include <map>
#include <string>

// Work a test has done in a fresh process of this test program (as another user, say): started
// with VORKA_TEST_CHILD naming it, the program runs it in place of the tests. No test is listed
// for it, so none is skipped.
inline std::map<std::string, std::function<int()>>& ChildEntries() {
  static std::map<std::string, std::function<int()>> entries;
  return entries;
}
struct ChildEntry {
  ChildEntry(const char* name, std::function<int()> run) { ChildEntries()[name] = std::move(run); }
};
