#pragma once
#include <string>

// What an identification found in the replies to "Q" and "?".
struct Identity {
  bool present = false;  // "TK20" at characters 3 to 6 of the reply to "?"
  bool mpg = false;      // and "MPG" at characters 7 to 9
  std::string id;        // the reply to "Q", characters 3 to 9
  std::string version;   // the reply to "?" from character 3
  bool operator==(const Identity&) const = default;
};

Identity IdentityFromReplies(const std::string& replyQ, const std::string& replyVersion);
