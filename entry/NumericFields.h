#pragma once
#include <array>
#include <cstdint>
#include <string_view>

// The sixteen numeric fields of the window, in the order the validation pass visits them: name,
// the range that is enforced (not always the caption beside the field), kind, and how many
// characters the operator may type (0: no limit).
enum class FieldKind { Integer, Gear };

struct NumericField {
  const char* name;
  int32_t lowest;
  int32_t highest;
  FieldKind kind;
  int maxTyped;
};

inline constexpr std::array<NumericField, 16> kNumericFields = {{
    {"HiLimitX", 1, 10000, FieldKind::Integer, 5},
    {"HiLimitY", 1, 10000, FieldKind::Integer, 5},
    {"HiLimitZ", 1, 10000, FieldKind::Integer, 5},
    {"LoLimitX", -10000, 0, FieldKind::Integer, 5},
    {"LoLimitY", -10000, 0, FieldKind::Integer, 5},
    {"LoLimitZ", -10000, 0, FieldKind::Integer, 5},
    {"RefSpeedX", 1, 100, FieldKind::Integer, 0},
    {"RefSpeedY", 1, 100, FieldKind::Integer, 0},
    {"RefSpeedZ", 1, 100, FieldKind::Integer, 0},
    {"DefSpinSpeed", 1, 1000, FieldKind::Integer, 4},
    {"TimeOver", 1, 2000, FieldKind::Integer, 4},
    {"MpgMaxSpeed", 1, 2000, FieldKind::Integer, 0},
    {"MpgAcc", 1, 10000, FieldKind::Integer, 5},
    {"GearX", 1, 9999, FieldKind::Gear, 0},
    {"GearY", 1, 9999, FieldKind::Gear, 0},
    {"GearZ", 1, 9999, FieldKind::Gear, 0},
}};

inline const NumericField* FindNumericField(std::string_view name) {
  for (const NumericField& field : kNumericFields)
    if (name == field.name) return &field;
  return nullptr;
}

// The brake-release delay, tenths of a second; not part of the pass.
inline constexpr int32_t kBreakDelayLowest = 0;
inline constexpr int32_t kBreakDelayHighest = 50;
inline constexpr int kBreakDelayMaxTyped = 2;
