#pragma once

#include <db/Export.h>
#include <db/FileInputStream.h>
#include <db/LoadError.h>

#include <set>
#include <string>
#include <vector>

namespace db
{

class TypeRegistry;

/// Reads a schema file: XML that declares node types with their attributes
/// (type, name, default, limits, units, enum strings), compounds, attribute
/// arrays and node containers, so that users describe their own databases
/// without code. A type's base and the types its containers hold may be
/// declared anywhere in the file or be in the registry already; a container may
/// hold its own type, but a type may not derive from itself, however far round.
/// Either every type of the file is registered or none is. What the loader
/// can read past (a word it does not know, an editor hint that does not fit
/// its attribute) it reports as a warning and leaves out of the meaning.
class DBUI_NODEDB_EXPORT SchemaLoaderXML
{
public:
    /// A loader of the schema in `stream`, which must outlive it.
    explicit SchemaLoaderXML(FileInputStream& stream);

    /// Registers the file's types in `registry`; false with `getError` set on failure.
    bool load(TypeRegistry& registry);
    /// Why the last load failed; empty after a success.
    const LoadError& getError() const { return m_error; }
    /// What the last load read past, in the file's order: "attribute \"x\": unknown word \"defualt\"".
    const std::vector<LoadError>& getWarnings() const { return m_warnings; }

    /// Takes `hint` as an editor the host provides, fit for any attribute type:
    /// `editor="hint"` then draws no warning.
    void addHostEditorHint(const std::string& hint) { m_hostHints.insert(hint); }

    /// The example scene schema (samples/scene-schema.xml) as built into the library.
    static const char* getExampleSchemaText();
    /// Registers the built-in example scene schema from its XML text.
    static bool loadExampleSchema(TypeRegistry& registry);

private:
    FileInputStream& m_stream;
    LoadError m_error;
    std::vector<LoadError> m_warnings;
    std::set<std::string> m_hostHints;
};

} // namespace db
