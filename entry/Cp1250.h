#pragma once
#include <string>

// Text of Windows code page 1250 (Czech), as the TORVEL configuration files are written.
std::u16string Cp1250ToUtf16(const std::string& bytes);
