#pragma once

#include <db/AttributeType.h>
#include <db/Export.h>

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <string>

namespace db
{

class AttributeArrayDef;
class CompoundAttributeDef;
class EnumAttributeDef;
class NodeContainerDef;
class NodeDef;

/// Describes one attribute: its name, type, units, default and limits. Schema
/// attributes share their definition and take their name from it; array
/// definitions describe their elements (default and limits apply per element).
class DBUI_NODEDB_EXPORT AttributeDef
{
public:
    /// A definition without limits whose default is zero, empty or the identity.
    AttributeDef(const std::wstring& name, AttributeType type, int units = 0);
    virtual ~AttributeDef();

    AttributeDef(const AttributeDef&) = delete;
    AttributeDef& operator=(const AttributeDef&) = delete;

    /// The member name that attributes of this definition carry.
    const std::wstring& getName() const { return m_name; }
    /// The type of the attributes made from this definition.
    AttributeType getAttributeType() const { return m_type; }
    ///@{
    /// A free number for the user interface; strings with units 1 hold script text.
    int getUnits() const { return m_units; }
    void setUnits(int units) { m_units = units; }
    ///@}

    ///@{
    /// The editor the schema asks for (`editor="..."`, such as "colour" or
    /// "slider"); empty for the type's own. The library uses the ones it knows
    /// where they fit the type; hosts may register editors for others.
    const std::wstring& getEditorHint() const { return m_editorHint; }
    void setEditorHint(const std::wstring& hint) { m_editorHint = hint; }
    ///@}
    /// Why none of the library's own editors serves the hint on this definition
    /// ("fits only string attributes", "is unknown"); empty when one does, or
    /// when there is no hint.
    std::string misfitOfEditorHint() const;
    ///@{
    /// The file patterns a "file" editor offers (`filter="*.png;*.jpg"`); empty for any file.
    const std::wstring& getFileFilter() const { return m_fileFilter; }
    void setFileFilter(const std::wstring& filter) { m_fileFilter = filter; }
    ///@}

    /// Position among the members of the definition that holds it (-1 when free-standing).
    int getIndex() const { return m_index; }

    ///@{
    /// The range of int, enum, float and double values and of their arrays'
    /// elements. Values set outside [minimum, maximum] are clamped; NaN passes
    /// unchanged. Without limits the minimum and maximum mean nothing.
    bool hasLimits() const { return m_hasLimits; }
    double getMinimum() const { return m_minimum; }
    double getMaximum() const { return m_maximum; }
    void setLimits(double minimum, double maximum);
    void clearLimits() { m_hasLimits = false; }
    ///@}
    /// `value` brought inside the limits (unchanged without limits).
    double clamp(double value) const;

    ///@{
    /// The value of a new attribute, or of each new element of an array. Int,
    /// bool, enum, float and double defaults share one number (an enum's is
    /// the value of its default option); strings, vectors and matrices have
    /// their own. Setting a default changes no existing attribute.
    int getDefaultInt() const { return static_cast<int>(m_defaultNumber); }
    bool getDefaultBool() const { return m_defaultNumber != 0.0; }
    float getDefaultFloat() const { return static_cast<float>(m_defaultNumber); }
    double getDefaultDouble() const { return m_defaultNumber; }
    const std::wstring& getDefaultString() const { return m_defaultString; }
    const OrkP::Vector3& getDefaultVector3() const { return m_defaultVector; }
    const OrkP::Matrix34& getDefaultMatrix34() const { return m_defaultMatrix; }
    void setDefaultNumber(double value) { m_defaultNumber = value; }
    void setDefaultString(const std::wstring& value) { m_defaultString = value; }
    void setDefaultVector3(const OrkP::Vector3& value) { m_defaultVector = value; }
    void setDefaultMatrix34(const OrkP::Matrix34& value) { m_defaultMatrix = value; }
    ///@}

    ///@{
    /// This definition as the class of its kind, or null when it is of another kind.
    virtual EnumAttributeDef* asEnumAttributeDef() { return nullptr; }
    virtual const EnumAttributeDef* asEnumAttributeDef() const { return nullptr; }
    virtual CompoundAttributeDef* asCompoundAttributeDef() { return nullptr; }
    virtual const CompoundAttributeDef* asCompoundAttributeDef() const { return nullptr; }
    virtual AttributeArrayDef* asAttributeArrayDef() { return nullptr; }
    virtual const AttributeArrayDef* asAttributeArrayDef() const { return nullptr; }
    virtual NodeContainerDef* asNodeContainerDef() { return nullptr; }
    virtual const NodeContainerDef* asNodeContainerDef() const { return nullptr; }
    virtual NodeDef* asNodeDef() { return nullptr; }
    virtual const NodeDef* asNodeDef() const { return nullptr; }
    ///@}

    /// True when attributes of this definition (or their members) can hold node containers.
    virtual bool canHoldNodes() const { return m_type == NodeContainerType; }

    ///@{
    /// The node type that pointers of this definition are meant to point at
    /// (nodes of it or of a type derived from it); null for any. Editors refuse
    /// other targets; the database does not check.
    const NodeDef* getTargetDef() const { return m_targetDef; }
    void setTargetDef(const NodeDef* def) { m_targetDef = def; }
    ///@}

    /// A new definition equal to this one (members and enum strings included).
    virtual AttributeDef* makeCopy() const;

protected:
    /// Gives `other` this definition's units, limits and defaults, for makeCopy.
    void copyBaseInto(AttributeDef& other) const;

private:
    friend class CompoundAttributeDef;

    std::wstring m_name;
    AttributeType m_type;
    int m_units;
    int m_index = -1;
    bool m_hasLimits = false;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    double m_defaultNumber = 0.0;
    std::wstring m_defaultString;
    OrkP::Vector3 m_defaultVector;
    OrkP::Matrix34 m_defaultMatrix;
    std::wstring m_editorHint;
    std::wstring m_fileFilter;
    const NodeDef* m_targetDef = nullptr;
};

} // namespace db
