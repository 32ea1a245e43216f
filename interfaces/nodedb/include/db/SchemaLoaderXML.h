#pragma once

#include <db/Export.h>
#include <db/FileInputStream.h>
#include <db/LoadError.h>

namespace db
{

class TypeRegistry;

/// Reads a schema file: XML that declares node types with their attributes
/// (type, name, default, limits, units, enum strings), compounds, attribute
/// arrays and node containers, so that users describe their own databases
/// without code. A type's base and the types its containers hold may be
/// declared anywhere in the file or be in the registry already; a container may
/// hold its own type, but a type may not derive from itself, however far round.
/// Either every type of the file is registered or none is.
class DBUI_NODEDB_EXPORT SchemaLoaderXML
{
public:
    /// A loader of the schema in `stream`, which must outlive it.
    explicit SchemaLoaderXML(FileInputStream& stream);

    /// Registers the file's types in `registry`; false with `getError` set on failure.
    bool load(TypeRegistry& registry);
    /// Why the last load failed; empty after a success.
    const LoadError& getError() const { return m_error; }

    /// The example scene schema (samples/scene-schema.xml) as built into the library.
    static const char* getExampleSchemaText();
    /// Registers the built-in example scene schema from its XML text.
    static bool loadExampleSchema(TypeRegistry& registry);

private:
    FileInputStream& m_stream;
    LoadError m_error;
};

} // namespace db
