#pragma once
#include "tests/support/WindowFixture.h"
#include "window/SettingsFiles.h"

#include <QTemporaryDir>

// The windows with a temporary folder, the file dialogs of the menu "Soubor" answered by a path.
class FilesFixture : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    path_ = dir_.filePath(QStringLiteral("unit.vorka"));
  }
  void Choose(const QString& path) {
    term_->Files().ChooseFileToSave = term_->Files().ChooseFileToLoad = [path](QString& chosen) {
      chosen = path;
      return true;
    };
  }

  QTemporaryDir dir_;
  QString path_;
};
