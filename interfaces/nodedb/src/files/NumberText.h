#pragma once

// Text forms of numbers in XML files. Floats and doubles are written in the
// shortest form that reads back to the same bits; NaNs keep their sign and
// payload, so a file round trip never changes a value.

#include <cstddef>
#include <cstdint>
#include <string>

namespace db::files
{

/// Room that `putFloat`, `putDouble` and `putInt` may need at most.
constexpr std::size_t s_maxNumberChars = 32;

/// Each writes at `p`, which has room for s_maxNumberChars, and returns the new end.
char* putFloat(char* p, float value);
char* putDouble(char* p, double value);
char* putInt(char* p, std::int32_t value);

void appendFloat(std::string& out, float value);
void appendDouble(std::string& out, double value);
void appendInt(std::string& out, std::int32_t value);

/// Each parser takes [begin, end) and advances `begin` past the number and the
/// white space after it; returns false on anything that is not a whole number
/// of the type (out of range included).
bool parseFloat(const char*& begin, const char* end, float& value);
bool parseDouble(const char*& begin, const char* end, double& value);
bool parseInt(const char*& begin, const char* end, std::int32_t& value);

void skipSpace(const char*& begin, const char* end);

} // namespace db::files
