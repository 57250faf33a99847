#include "protocol/MessageSeam.h"

#include <cstdio>

namespace {

// Without a window (the command-line tool, before the window installs its boxes) the operator
// reads the messages on standard error.
class StandardErrorSeam : public MessageSeam {
 public:
  void Message(const QString& text) override { Print(text); }
  void ErrorBox(const QString& text) override { Print(QStringLiteral("Error: ") + text); }
  void GeneralError(const QString& text) override { Print(text); }
  // Nobody to answer: the default, "Ne".
  bool Question(const QString& text) override {
    Print(text);
    return false;
  }

 private:
  static void Print(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
};

StandardErrorSeam g_standardError;
MessageSeam* g_seam = &g_standardError;
MessageSeam* g_installed = &g_standardError;
thread_local MessageSeam* t_seam = nullptr;

}  // namespace

MessageSeam& Messages() { return t_seam ? *t_seam : *g_seam; }

void SetThreadMessages(MessageSeam* seam) { t_seam = seam; }

void SetMessages(MessageSeam* seam) { g_seam = seam ? seam : g_installed; }

void InstallMessages(MessageSeam* seam) {
  g_installed = seam ? seam : &g_standardError;
  g_seam = g_installed;
}

QString Worded(Said said, Fills values) {
  return QString::fromStdString(Words(said, Messages().Speaks(), values));
}

void Tell(Said said, Fills values) { Messages().Message(Worded(said, values)); }

bool Asked(Said said, Fills values) { return Messages().Question(Worded(said, values)); }

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
  return message;
}

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Messages().GeneralError(WithFullStop(QString::fromUtf8(e.what())));
  }
}
