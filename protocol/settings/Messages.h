#pragma once
#include "common/Language.h"
#include "protocol/settings/FileIo.h"
#include "protocol/settings/TextFormat.h"

#include <string>

// Messages for the operator; text from the file is repeated with control characters escaped and
// long values shortened (ShownText).
std::string CzechText(const SettingsFileError& error);
std::string EnglishText(const SettingsFileError& error);
std::string ShownText(const std::string& text);

std::string CzechText(const FileFault& fault);
std::string EnglishText(const FileFault& fault);
std::string TextIn(const FileFault& fault, Language language);
