#include "ConflictResolution.h"

#include "Values.h"

#include <db/Database.h>
#include <db/EnumArrayAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/ValueText.h>

#include <algorithm>
#include <cwctype>
#include <vector>

namespace db::detail
{

namespace
{

// What a version of a conflict asks of the document, read from its record.
enum class Step
{
    Nothing,     // the document already is that version
    Remove,      // the node or dynamic attribute at the conflict's path goes
    Rename,      // the node at the path takes the version's text as its name
    Move,        // the node at the path goes into the node the text names
    SetValue,    // the value at the path takes the text
    SetElement,  // one element of the array at the path takes the text
    NotRecorded, // the record does not hold that version's contents
};

struct Plan
{
    Step step = Step::NotRecorded;
    std::wstring where; // the path the step acts on
    std::wstring text;  // the value, name or destination
    std::size_t element = 0;
};

bool startsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "moved into /A/B, which ..." and "in /A/B" name the node a version puts it in.
bool destination(const std::wstring& text, std::wstring& path)
{
    for (const wchar_t* prefix : {L"in ", L"moved into "})
        if (startsWith(text, prefix))
        {
            path = text.substr(std::wcslen(prefix));
            path = path.substr(0, path.find(L", which"));
            return true;
        }
    return false;
}

// "/A.values[3]" is element 3 of "/A.values".
bool splitElement(const std::wstring& where, std::wstring& array, std::size_t& element)
{
    if (where.empty() || where.back() != L']')
        return false;
    const std::size_t open = where.rfind(L'[');
    if (open == std::wstring::npos || open + 2 > where.size() - 1)
        return false;
    element = 0;
    for (std::size_t i = open + 1; i + 1 < where.size(); ++i)
    {
        if (!std::iswdigit(where[i]))
            return false;
        element = element * 10 + static_cast<std::size_t>(where[i] - L'0');
    }
    array = where.substr(0, open);
    return true;
}

Plan planFor(const MergeConflict& conflict, MergeConflicts::Side side)
{
    if (side == MergeConflicts::Side::Ours)
        return {Step::Nothing, conflict.where, conflict.ours};
    const std::wstring& text = side == MergeConflicts::Side::Base ? conflict.base : conflict.theirs;
    Plan plan{Step::NotRecorded, conflict.where, text};
    if (text == L"removed")
        plan.step = Step::Remove;
    else if (text == L"absent")
        plan.step = conflict.ours == L"removed" ? Step::Nothing : Step::Remove;
    else if (conflict.what == L"rename")
        plan.step = Step::Rename;
    else if (startsWith(conflict.what, L"move") && destination(text, plan.text))
        plan.step = Step::Move;
    else if (conflict.what == L"element" && splitElement(conflict.where, plan.where, plan.element))
        plan.step = Step::SetElement;
    else if (conflict.what == L"value" || conflict.what == L"both added" || conflict.what == L"removed/changed" ||
             conflict.what == L"pointer to removed")
        plan.step = conflict.ours == L"removed" ? Step::NotRecorded : Step::SetValue;
    return plan;
}

// The root answers to "" and "/", as the paths of its own children begin.
Attribute* lookup(Database& database, const std::wstring& path)
{
    if (path.empty() || path == L"/")
        return &database;
    return database.attributeFromDatabasePath(path);
}

NodeContainer* holderFor(Node& target, const Node& node)
{
    auto takes = [&node](NodeContainer* holder)
    { return holder && holder->getContainerDef().accepts(node.getNodeDef()); };
    const Attribute* now = node.getParentAttribute();
    if (Attribute* same = now ? target.findAttribute(now->getName()) : nullptr)
        if (takes(same->asNodeContainer()))
            return same->asNodeContainer();
    for (unsigned int i = 0; i < target.getAttributeCount(); ++i)
        if (NodeContainer* holder = target.getAttribute(i)->asNodeContainer(); takes(holder))
            return holder;
    return nullptr;
}

// The text of a string element as reports quote it: "a \"b\"" is a "b".
std::wstring unquoted(const std::wstring& text)
{
    if (text.size() < 2 || text.front() != L'"' || text.back() != L'"')
        return text;
    std::wstring out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i)
    {
        if (text[i] == L'\\' && i + 2 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// One element of an array set from its text as reports show it.
bool setElement(Database& database, Attribute& array, std::size_t index, const std::wstring& text, std::wstring& why)
{
    const auto at = static_cast<unsigned int>(index);
    switch (array.getAttributeType())
    {
    case StringArray:
        return static_cast<StringArrayAttribute&>(array).setElement(at, unquoted(text));
    case EnumArray:
    {
        auto& enums = static_cast<EnumArrayAttribute&>(array);
        const int option = enums.getEnumDef().findString(text);
        if (option < 0)
        {
            why = L"\"" + text + L"\" is not an option of " + array.getName();
            return false;
        }
        return enums.setElement(at, enums.getEnumDef().getStringValue(static_cast<unsigned int>(option)));
    }
    case PointerArray: // valueStep has found the target
        return static_cast<PointerArrayAttribute&>(array).setElement(at,
                                                                     text.empty() ? nullptr : lookup(database, text));
    default:
        break;
    }
    std::vector<std::wstring> elements = elementTexts(array);
    elements[index] = text;
    std::wstring all;
    for (const std::wstring& element : elements)
        all += (all.empty() ? L"" : L" ") + element;
    return setValueFromText(array, all, why);
}

void removeAt(Attribute& at)
{
    if (Node* node = at.asNode())
        node->remove();
    else
        at.getParentAttribute()->removeAttribute(&at);
}

// Checks a step that changes a node; `run` false only asks.
bool nodeStep(Database& database, const Plan& plan, Node& node, bool run, std::wstring& why)
{
    if (plan.step == Step::Rename)
    {
        if (run)
            node.setName(plan.text);
        return true;
    }
    Attribute* target = lookup(database, plan.text);
    Node* into = target ? target->asNode() : nullptr;
    const bool below = into && (into == &node || into->isDescendantOf(&node));
    NodeContainer* holder = into && !below ? holderFor(*into, node) : nullptr;
    if (!holder)
    {
        why = !into   ? L"nothing at " + plan.text
              : below ? plan.text + L" lies below " + plan.where
                      : plan.text + L" cannot hold a " + node.getClassID();
        return false;
    }
    if (run)
        holder->add(&node);
    return true;
}

// The elements of "[a, b]", as reports write the arrays that files spread over
// several elements: strings quoted, options by name, targets by path.
bool splitList(const std::wstring& text, bool quoted, std::vector<std::wstring>& elements)
{
    if (text.size() < 2 || text.front() != L'[' || text.back() != L']')
        return false;
    const std::wstring inner = text.substr(1, text.size() - 2);
    for (std::size_t i = 0; i < inner.size();)
    {
        std::size_t end = quoted ? i + 1 : inner.find(L", ", i);
        if (quoted && inner[i] != L'"')
            return false;
        while (quoted && end < inner.size() && inner[end] != L'"')
            end += inner[end] == L'\\' ? 2 : 1;
        end = quoted ? end + 1 : std::min(end, inner.size());
        if (end > inner.size() || (end < inner.size() && inner.compare(end, 2, L", ") != 0))
            return false;
        elements.push_back(inner.substr(i, end - i));
        i = end + 2;
    }
    return true;
}

// A string, enum or pointer array set from its report text; `run` false only asks.
bool setList(Database& database, Attribute& array, const std::wstring& text, bool run, std::wstring& why)
{
    const AttributeType type = array.getAttributeType();
    std::vector<std::wstring> elements;
    if (!splitList(text, type == StringArray, elements))
    {
        why = L"\"" + text + L"\" is not a list of " + array.getName();
        return false;
    }
    std::vector<int> options;
    std::vector<Attribute*> targets;
    for (const std::wstring& element : elements)
        if (type == EnumArray)
        {
            const EnumAttributeDef& def = static_cast<EnumArrayAttribute&>(array).getEnumDef();
            const int at = def.findString(element);
            if (at < 0)
            {
                why = L"\"" + element + L"\" is not an option of " + array.getName();
                return false;
            }
            options.push_back(def.getStringValue(static_cast<unsigned int>(at)));
        }
        else if (type == PointerArray)
        {
            targets.push_back(element.empty() ? nullptr : lookup(database, element));
            if (!element.empty() && !targets.back())
            {
                why = L"nothing at " + element + L" to point at";
                return false;
            }
        }
    if (!run)
        return true;
    if (type == StringArray)
    {
        std::vector<std::wstring> texts;
        for (const std::wstring& element : elements)
            texts.push_back(unquoted(element));
        static_cast<StringArrayAttribute&>(array).setValues(std::move(texts));
    }
    else if (type == EnumArray)
        static_cast<EnumArrayAttribute&>(array).setValues(std::move(options));
    else
        static_cast<PointerArrayAttribute&>(array).setValues(targets);
    return true;
}

// Checks a step that sets a value; `run` false only asks.
bool valueStep(Database& database, const Plan& plan, Attribute& at, bool run, std::wstring& why)
{
    if (plan.step == Step::SetElement && plan.element >= at.getSize())
    {
        why = L"no element " + std::to_wstring(plan.element) + L" at " + plan.where;
        return false;
    }
    const AttributeType kind = at.getAttributeType();
    if (plan.step == Step::SetValue && (kind == StringArray || kind == EnumArray || kind == PointerArray))
        return setList(database, at, plan.text, run, why);
    if (!hasValueText(at) && (plan.step == Step::SetValue || !isArrayType(kind)))
    {
        why = plan.where + L" has no text form";
        return false;
    }
    if ((kind == Pointer || kind == PointerArray) && !plan.text.empty() && !lookup(database, plan.text))
    {
        why = L"nothing at " + plan.text + L" to point at";
        return false;
    }
    if (!run)
        return true;
    return plan.step == Step::SetElement ? setElement(database, at, plan.element, plan.text, why)
                                         : setValueFromText(at, plan.text, why);
}

// Checks the plan against the document and, when `run`, carries it out.
bool carryOut(Database& database, const Plan& plan, const std::wstring& kind, bool run, std::wstring& why)
{
    if (plan.step == Step::Nothing)
        return true;
    if (plan.step == Step::NotRecorded)
    {
        why = L"this version of a \"" + kind + L"\" conflict is not kept in the document; keep ours and edit by hand";
        return false;
    }
    Attribute* at = lookup(database, plan.where);
    if (!at && plan.step == Step::Remove && plan.text == L"absent")
        return true; // what that side never had is not here either
    if (!at || at == &database)
    {
        why = L"nothing at " + plan.where;
        return false;
    }
    Node* node = at->asNode();
    const bool wantsNode = plan.step == Step::Rename || plan.step == Step::Move;
    if (plan.step == Step::Remove && !node && !at->isDynamic())
    {
        why = plan.where + L" is a member of its node type and cannot be removed";
        return false;
    }
    if (plan.step != Step::Remove && wantsNode != (node != nullptr))
    {
        why = plan.where + (node ? L" is a node, not a value" : L" is not a node");
        return false;
    }
    if (plan.step == Step::Remove)
    {
        if (run)
            removeAt(*at);
        return true;
    }
    return node ? nodeStep(database, plan, *node, run, why) : valueStep(database, plan, *at, run, why);
}

} // namespace

bool canApply(const Database& database, const MergeConflict& conflict, MergeConflicts::Side side, std::wstring& why)
{
    // Only asking edits nothing.
    return carryOut(const_cast<Database&>(database), planFor(conflict, side), conflict.what, false, why);
}

bool apply(Database& database, const MergeConflict& conflict, MergeConflicts::Side side, std::wstring& why)
{
    return carryOut(database, planFor(conflict, side), conflict.what, true, why);
}

} // namespace db::detail
