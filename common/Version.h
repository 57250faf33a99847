#pragma once

// The program's version, from the project's version in the build.
inline constexpr const char* kProgramVersion = VORKA_VERSION;
