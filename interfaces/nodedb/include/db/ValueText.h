#pragma once

#include <db/Export.h>

#include <string>

namespace db
{

class Attribute;

/// The value of `attribute` as XML files write it, without the escaping of
/// XML: numbers in their shortest exact form, bools as "true" or "false",
/// enums by option name (by number when the option has none), vectors and
/// matrices as their floats apart, pointers as the target's database path
/// ("" for none), arrays of numbers, bools, vectors and matrices as all their
/// values apart. False, with `text` empty, for the kinds files spread over
/// several elements: arrays of strings, enums and pointers, and composites.
DBUI_NODEDB_EXPORT bool valueToText(const Attribute& attribute, std::wstring& text);

/// Whether valueToText and setValueFromText take `attribute`'s kind, without
/// writing its value (which for a long array is a long text).
DBUI_NODEDB_EXPORT bool hasValueText(const Attribute& attribute);

/// Reads `text` as the loader of XML files reads a value of `attribute`'s type
/// (valueToText's form; space around numbers allowed) and sets it, limits
/// applied, as an edit of the open change block. A pointer's path is looked up
/// from the root of the attribute's tree; "" means no target. False, with
/// nothing changed and `why` saying what is wrong, when the text is not a
/// value of the type, the path names nothing, or the type has no text form.
DBUI_NODEDB_EXPORT bool setValueFromText(Attribute& attribute, const std::wstring& text, std::wstring& why);

} // namespace db
