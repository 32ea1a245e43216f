// The number boxes' arithmetic: whatever is typed, reading it must not crash,
// must give a reason exactly when it refuses, and what it accepts as
// arithmetic must be a finite number that a relative division can use.
#include "NumberExpression.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Byte by byte as Latin-1, which holds the × and ÷ signs the boxes take.
    const std::wstring text(data, data + size);
    dbui::detail::NumberEntry entry;
    std::wstring why;
    const bool read = dbui::detail::readNumberEntry(text, entry, why);
    if (read != why.empty())
        std::abort(); // a reason exactly when refused
    if (read && !entry.plain && !std::isfinite(entry.operand))
        std::abort();
    if (read && entry.operation == dbui::detail::NumberEntry::Divide && entry.operand == 0.0)
        std::abort();
    return 0;
}
