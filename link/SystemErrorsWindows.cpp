#include "link/SystemErrors.h"

#include <cstring>

// Windows gives access to a port by session, not by group: there is no group to advise.
void NoteWhoMayOpen(const std::string&, OpenFailure&) {}

std::string SystemErrorText(int systemError) {
  // The C library's texts are English on Windows, whatever the user's language.
  if (const char* text = std::strerror(systemError)) return text;
  return "error " + std::to_string(systemError);
}
