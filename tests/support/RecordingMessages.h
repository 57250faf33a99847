#pragma once
#include "protocol/MessageSeam.h"

#include <QStringList>

// Records what the operator would have been told, instead of showing modal boxes.
class RecordingMessages : public MessageSeam {
 public:
  RecordingMessages() { SetMessages(this); }
  ~RecordingMessages() override { SetMessages(nullptr); }

  void Message(const QString& text) override {
    all << text;
    plain << text;
    Hook();
  }
  void ErrorBox(const QString& text) override {
    all << text;
    errors << text;
    Hook();
  }
  void GeneralError(const QString& text) override {
    all << text;
    general << text;
    Hook();
  }

  bool Question(const QString& text) override {
    all << text;
    questions << text;
    Hook();
    return answer;
  }
  // What the operator answers a question.
  bool answer = false;
  // The language the operator reads.
  Language speaks = Language::Czech;
  Language Speaks() const override { return speaks; }

  // Runs while a box would be open (a test can let the event loop run there).
  std::function<void()> whileOpen;

  QStringList all, plain, errors, general, questions;

 private:
  void Hook() {
    if (whileOpen) whileOpen();
  }
};
