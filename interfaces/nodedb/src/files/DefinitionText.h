#pragma once

// Attribute definitions written as XML attributes of an element: the
// dynamic attributes of documents and the members of schema files share it.
//   name="..." units="N" min="..." max="..." default="..."
//   <option value="N">text</option> children for enums

#include <db/AttributeDef.h>

#include <pugixml.hpp>

#include <memory>
#include <string>

namespace db::files
{

/// A new definition of `type` from `element`; null with `why` set on a bad definition.
std::unique_ptr<AttributeDef> definitionFromXml(pugi::xml_node element, AttributeType type, std::string& why);

std::wstring wideText(const char* utf8);

} // namespace db::files
