#include <db/SchemaLoaderXML.h>

#include "../AttributeTypes.h"
#include "AllAttributes.h"
#include "DefinitionText.h"
#include "LoadSupport.h"
#include "Utf8.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace db
{

namespace
{

using files::wideText;

/// The words each element of a schema may carry; anything else is a typo to report.
const std::set<std::string> s_schemaWords{"version"};
const std::set<std::string> s_typeWords{"name", "id", "base", "creatable", "icon"};
const std::set<std::string> s_optionWords{"value"};

/// The words of an <attribute> of `type`.
bool isAttributeWord(const char* word, AttributeType type)
{
    static const std::set<std::string> s_common{"name", "type", "units", "editor", "filter"};
    static const std::set<std::string> s_values{"min", "max", "default"};
    if (s_common.count(word))
        return true;
    switch (type)
    {
    case Compound:
        return false;
    case AttributeArrayType:
        return std::strcmp(word, "element") == 0;
    case NodeContainerType:
        return std::strcmp(word, "holds") == 0;
    case Pointer:
    case PointerArray:
        return std::strcmp(word, "targets") == 0 || s_values.count(word) > 0;
    default:
        return s_values.count(word) > 0;
    }
}

class SchemaReader
{
public:
    SchemaReader(const FileInputStream& stream, TypeRegistry& registry, LoadError& error,
                 std::vector<LoadError>& warnings, const std::set<std::string>& hostHints)
        : m_stream(stream), m_registry(registry), m_error(error), m_warnings(warnings), m_hostHints(hostHints)
    {
    }

    bool read(const pugi::xml_document& document)
    {
        pugi::xml_node top = document.document_element();
        if (std::strcmp(top.name(), "schema") != 0)
            return fail(top, "not a schema file (the top element is not <schema>)");
        if (top.attribute("version").as_int(0) != 1)
            return fail(top, "unsupported schema version \"" + std::string(top.attribute("version").value()) + "\"");
        warnOfUnknownWords(top, "schema", [](const char* word) { return s_schemaWords.count(word) > 0; });

        // Every type is known by name before any is built, so that a type may
        // name a base or a contained type declared further down. Types are
        // built unregistered and registered together at the end, in the file's
        // order, so a bad file leaves the registry as it was.
        for (pugi::xml_node element = top.first_child(); element; element = element.next_sibling())
        {
            if (element.type() != pugi::node_element)
                continue;
            if (std::strcmp(element.name(), "type") != 0)
                return fail(element, "unexpected element <" + std::string(element.name()) + ">");
            if (!declare(element))
                return false;
        }
        for (std::size_t i = 0; i < m_types.size(); ++i)
            if (!build(i))
                return false;
        for (const PendingContainer& pending : m_pendingContainers)
        {
            NodeDef* contained = findType(pending.holds);
            if (!contained)
                return fail(pending.element, "unknown node type \"" + files::toUtf8(pending.holds) + "\"");
            pending.def->setContainedDef(contained);
        }
        for (const PendingTarget& pending : m_pendingTargets)
        {
            const NodeDef* target = findType(pending.targets);
            if (!target)
                return fail(pending.element, "unknown node type \"" + files::toUtf8(pending.targets) + "\"");
            pending.def->setTargetDef(target);
        }
        for (DeclaredType& type : m_types)
            m_registry.registerNodeDef(std::move(type.def));
        return true;
    }

private:
    /// A type of the file: its element until it is built, then its definition.
    struct DeclaredType
    {
        pugi::xml_node element;
        std::wstring name;
        int id = 0;
        std::unique_ptr<NodeDef> def;
        bool building = false;
    };

    /// A container whose type is looked up once every type of the file is built.
    struct PendingContainer
    {
        NodeContainerDef* def;
        std::wstring holds;
        pugi::xml_node element;
    };

    void warn(pugi::xml_node where, const std::string& what)
    {
        LoadError warning;
        warning.fileName = m_error.fileName;
        warning.offset = static_cast<std::size_t>(where.offset_debug());
        warning.line = files::lineOf(m_stream.data(), m_stream.size(), warning.offset);
        warning.what = what;
        m_warnings.push_back(std::move(warning));
    }

    /// Reports each word of `element` that `known` refuses: a misspelt
    /// default or limit would otherwise silently not apply.
    template <class Known> void warnOfUnknownWords(pugi::xml_node element, const std::string& subject, Known known)
    {
        for (pugi::xml_attribute word = element.first_attribute(); word; word = word.next_attribute())
            if (!known(word.name()))
                warn(element, subject + ": unknown word \"" + word.name() + "\"");
    }

    /// Keeps the editor hint and file filter of `def`, reporting those the
    /// editor will not use: the type's own editor shows instead.
    void readEditorHint(pugi::xml_node element, AttributeDef& def)
    {
        const std::string subject = "attribute \"" + files::toUtf8(def.getName()) + "\"";
        const std::string hint = element.attribute("editor").value();
        def.setEditorHint(wideText(hint.c_str()));
        def.setFileFilter(wideText(element.attribute("filter").value()));
        if (!hint.empty() && !m_hostHints.count(hint))
        {
            const std::string misfit = def.misfitOfEditorHint();
            if (!misfit.empty())
                warn(element, subject + ": editor \"" + hint + "\" " + misfit);
        }
        if (element.attribute("filter") && hint != "file")
            warn(element, subject + ": filter applies only to editor=\"file\"");
    }
    /// A pointer whose target type is looked up once every type of the file is built.
    struct PendingTarget
    {
        AttributeDef* def;
        std::wstring targets;
        pugi::xml_node element;
    };

    bool fail(pugi::xml_node where, const std::string& what)
    {
        if (m_error.what.empty())
        {
            m_error.offset = where ? static_cast<std::size_t>(where.offset_debug()) : 0;
            m_error.line = files::lineOf(m_stream.data(), m_stream.size(), m_error.offset);
            m_error.what = what;
        }
        return false;
    }

    NodeDef* findType(const std::wstring& name) const
    {
        auto found = m_byName.find(name);
        if (found != m_byName.end())
            return m_types[found->second].def.get();
        return m_registry.findNodeDef(name);
    }

    bool declare(pugi::xml_node element)
    {
        std::wstring name = wideText(element.attribute("name").value());
        pugi::xml_attribute idAttribute = element.attribute("id");
        int id = idAttribute.as_int(0);
        if (name.empty() || !idAttribute || id <= 0)
            return fail(element, "a type needs a name and a positive id");
        if (m_byName.count(name) || m_registry.findNodeDef(name) || m_registry.findNodeDef(id) || m_ids.count(id))
            return fail(element, "type \"" + files::toUtf8(name) + "\" or id " + std::to_string(id) + " is taken");
        warnOfUnknownWords(element, "type \"" + files::toUtf8(name) + "\"",
                           [](const char* word) { return s_typeWords.count(word) > 0; });
        m_ids.insert(id);
        m_byName.emplace(name, m_types.size());
        m_types.push_back({element, name, id, nullptr, false});
        return true;
    }

    /// Builds the type at `index` of the file, after its base: a node type
    /// takes its base's members when it is made.
    bool build(std::size_t index)
    {
        DeclaredType& type = m_types[index];
        if (type.def)
            return true;
        if (type.building)
            return fail(type.element, "a cycle of base types: " + cycleFrom(index));
        if (m_chain.size() > static_cast<std::size_t>(files::s_maxDepth))
            return fail(type.element, "base types are nested too deeply");
        NodeDef* base = &m_registry.getNodeBaseDef();
        if (pugi::xml_attribute baseName = type.element.attribute("base"))
        {
            auto declared = m_byName.find(wideText(baseName.value()));
            if (declared != m_byName.end())
            {
                type.building = true;
                m_chain.push_back(index);
                const bool built = build(declared->second);
                m_chain.pop_back();
                m_types[index].building = false;
                if (!built)
                    return false;
                base = m_types[declared->second].def.get();
            }
            else if (!(base = m_registry.findNodeDef(wideText(baseName.value()))))
                return fail(type.element, "unknown base type \"" + std::string(baseName.value()) + "\"");
        }
        // The vector does not grow while types are built: `type` is still valid.
        bool creatable = type.element.attribute("creatable").as_bool(true);
        type.def = std::make_unique<NodeDef>(type.id, type.name, base, creatable);
        type.def->setIconName(wideText(type.element.attribute("icon").value()));
        return readMembers(type.element, *type.def, 1);
    }

    /// "\"A\" -> \"B\" -> \"A\"": the types of the chain being built, from `index` round to it again.
    std::string cycleFrom(std::size_t index) const
    {
        std::string text;
        auto at = std::find(m_chain.begin(), m_chain.end(), index);
        for (; at != m_chain.end(); ++at)
            text += "\"" + files::toUtf8(m_types[*at].name) + "\" -> ";
        return text + "\"" + files::toUtf8(m_types[index].name) + "\"";
    }

    bool readMembers(pugi::xml_node element, CompoundAttributeDef& owner, int depth)
    {
        if (depth > files::s_maxDepth)
            return fail(element, "definitions are nested too deeply");
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
        {
            if (child.type() != pugi::node_element)
                continue;
            if (std::strcmp(child.name(), "attribute") != 0)
                return fail(child, "unexpected element <" + std::string(child.name()) + ">");
            auto def = readAttribute(child, depth);
            if (!def)
                return false;
            std::string name = files::toUtf8(def->getName());
            if (!owner.addAttributeDef(std::move(def)))
                return fail(child, "attribute \"" + name + "\" is declared twice");
        }
        return true;
    }

    std::unique_ptr<AttributeDef> readAttribute(pugi::xml_node element, int depth)
    {
        auto def = buildAttribute(element, depth);
        if (!def)
            return nullptr;
        const AttributeType type = def->getAttributeType();
        const std::string subject = "attribute \"" + files::toUtf8(def->getName()) + "\"";
        warnOfUnknownWords(element, subject, [type](const char* word) { return isAttributeWord(word, type); });
        for (pugi::xml_node option = element.child("option"); option; option = option.next_sibling("option"))
            warnOfUnknownWords(option, subject + " option",
                               [](const char* word) { return s_optionWords.count(word) > 0; });
        readEditorHint(element, *def);
        return def;
    }

    std::unique_ptr<AttributeDef> buildAttribute(pugi::xml_node element, int depth)
    {
        const char* typeName = element.attribute("type").value();
        AttributeType type = detail::typeFromXmlName(typeName);
        std::wstring name = wideText(element.attribute("name").value());
        if (name.empty())
        {
            fail(element, "an attribute needs a name");
            return nullptr;
        }
        int units = element.attribute("units").as_int(0);
        std::string why;
        switch (type)
        {
        case Compound:
        {
            auto def = std::make_unique<CompoundAttributeDef>(name, Compound, units);
            if (!readMembers(element, *def, depth + 1))
                return nullptr;
            return def;
        }
        case AttributeArrayType:
        {
            std::wstring elementName = wideText(element.attribute("element").as_string("element"));
            auto item = std::make_unique<CompoundAttributeDef>(elementName, Compound);
            if (!readMembers(element, *item, depth + 1))
                return nullptr;
            auto def = std::make_unique<AttributeArrayDef>(name, std::move(item));
            def->setUnits(units);
            return def;
        }
        case NodeContainerType:
        {
            auto def = std::make_unique<NodeContainerDef>(name, nullptr);
            def->setUnits(units);
            if (pugi::xml_attribute holds = element.attribute("holds"))
                m_pendingContainers.push_back({def.get(), wideText(holds.value()), element});
            return def;
        }
        case Invalid:
        case NodeType:
            fail(element, "unknown attribute type \"" + std::string(typeName) + "\"");
            return nullptr;
        default:
        {
            auto def = files::definitionFromXml(element, type, why);
            if (!def)
                fail(element, why);
            else if (pugi::xml_attribute targets = element.attribute("targets");
                     targets && (type == Pointer || type == PointerArray))
                m_pendingTargets.push_back({def.get(), wideText(targets.value()), element});
            return def;
        }
        }
    }

    const FileInputStream& m_stream;
    TypeRegistry& m_registry;
    LoadError& m_error;
    std::vector<LoadError>& m_warnings;
    const std::set<std::string>& m_hostHints;
    std::vector<DeclaredType> m_types;
    std::unordered_map<std::wstring, std::size_t> m_byName;
    std::unordered_set<int> m_ids;
    /// The types whose bases are being built, outermost first.
    std::vector<std::size_t> m_chain;
    std::vector<PendingContainer> m_pendingContainers;
    std::vector<PendingTarget> m_pendingTargets;
};

} // namespace

SchemaLoaderXML::SchemaLoaderXML(FileInputStream& stream) : m_stream(stream)
{
}

bool SchemaLoaderXML::load(TypeRegistry& registry)
{
    m_error = LoadError();
    m_warnings.clear();
    m_error.fileName = m_stream.getFileName();
    if (!m_stream.isOpen())
    {
        m_error.what = m_stream.getError().empty() ? "cannot read the file" : m_stream.getError();
        return false;
    }
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(m_stream.data(), m_stream.size());
    if (!parsed)
    {
        m_error.offset = static_cast<std::size_t>(parsed.offset);
        m_error.line = files::lineOf(m_stream.data(), m_stream.size(), m_error.offset);
        m_error.what = std::string("malformed XML: ") + parsed.description();
        return false;
    }
    SchemaReader reader(m_stream, registry, m_error, m_warnings, m_hostHints);
    return reader.read(document);
}

bool SchemaLoaderXML::loadExampleSchema(TypeRegistry& registry)
{
    const char* text = getExampleSchemaText();
    FileInputStream stream =
        FileInputStream::fromMemory(text, std::strlen(text), "scene-schema.xml", FileOpenMode::Text);
    SchemaLoaderXML loader(stream);
    return loader.load(registry);
}

} // namespace db
