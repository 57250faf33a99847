#pragma once
#include "common/Wording.h"

#include <QString>

#include <functional>
#include <stdexcept>
#include <string>

// Everything the operator is told goes through here, so tests can record it instead of waiting
// on a modal box.
class MessageSeam {
 public:
  virtual ~MessageSeam() = default;
  // Plain message box with one OK button ("Chyba komunikace", "Není otevřen žádný port", …).
  virtual void Message(const QString& text) = 0;
  // Error icon, title "Error", one OK button ("Špatné číslo: …", USB library failures).
  virtual void ErrorBox(const QString& text) = 0;
  // The application's box for an error no handler caught: stop icon, program title.
  virtual void GeneralError(const QString& text) = 0;
  // A question with "Ano" and "Ne", "Ne" the default: true for "Ano".
  virtual bool Question(const QString& text) = 0;
  // The language its operator reads: the window's boxes, and standard error before they are
  // installed, speak Czech.
  virtual Language Speaks() const { return Language::Czech; }
};

MessageSeam& Messages();
// Replaces the seam (tests); nullptr restores the installed one.
void SetMessages(MessageSeam* seam);
// The program's own seam: the window's message boxes. Until one is installed, and for nullptr,
// messages go to standard error.
void InstallMessages(MessageSeam* seam);
// The seam of the calling thread alone, ahead of the others: a thread that talks to the unit for
// a window hands what it tells to that window's thread. nullptr: the program's seam again.
void SetThreadMessages(MessageSeam* seam);

// What a flow reports, worded from the catalogue in the language of the seam in use.
QString Worded(Said said, Fills values = {});
// The message box of a flow's outcome, and its question ("Ano": true).
void Tell(Said said, Fills values = {});
bool Asked(Said said, Fills values = {});

// The message of the general error box: a full stop is added when the last character's code is
// above that of the full stop (letters, digits).
QString WithFullStop(const QString& message);

// Runs a handler so that no exception escapes into the event loop: what it throws is shown in
// the general error box and the program goes on.
void RunGuarded(const std::function<void()>& handler);

// The handler wrapped for connecting to a signal: it runs guarded.
template <typename Handler>
auto Guarded(Handler handler) {
  return [handler] { RunGuarded(handler); };
}
