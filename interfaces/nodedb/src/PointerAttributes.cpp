#include "Editor.h"

#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace db
{

namespace detail
{

namespace
{
// Which attributes point at which: lets a target that is destroyed for good
// clear the pointers to it instead of leaving them dangling. One entry per
// reference, so a pointer array that names a target twice is listed twice.
std::unordered_map<const Attribute*, std::vector<Attribute*>>& referrers()
{
    static std::unordered_map<const Attribute*, std::vector<Attribute*>> s_referrers;
    return s_referrers;
}

// Set on a thread that destroys trees cut loose by severReferences: the map
// above is the editing thread's alone.
thread_local bool t_severedOnly = false;
} // namespace

void Editor::addReferrer(Attribute* target, Attribute* referrer)
{
    if (!target)
        return;
    referrers()[target].push_back(referrer);
    target->setFlag(Attribute::s_pointerTarget, true);
}

void Editor::removeReferrer(Attribute* target, Attribute* referrer)
{
    if (!target || t_severedOnly)
        return;
    auto& map = referrers();
    const auto it = map.find(target);
    if (it == map.end())
        return;
    auto& list = it->second;
    const auto found = std::find(list.begin(), list.end(), referrer);
    if (found != list.end())
        list.erase(found);
    if (list.empty())
        map.erase(it);
}

void Editor::setDetachedPointer(Attribute& owner, int index, Attribute* target)
{
    if (auto* pointer = owner.asPointerAttribute())
        pointer->retarget(target);
    else if (auto* array = owner.asPointerArrayAttribute();
             array && index >= 0 && std::size_t(index) < array->m_values.size())
    {
        removeReferrer(array->m_values[std::size_t(index)], array);
        array->m_values[std::size_t(index)] = target;
        addReferrer(target, array);
    }
}

bool Editor::pointDetached(Attribute& owner, int index, Attribute* target)
{
    if (auto* pointer = owner.asPointerAttribute())
    {
        if (pointer->m_value)
            return false;
        pointer->m_value = target;
        return true;
    }
    auto* array = owner.asPointerArrayAttribute();
    if (!array || index < 0 || std::size_t(index) >= array->m_values.size() || array->m_values[std::size_t(index)])
        return false;
    array->m_values[std::size_t(index)] = target;
    return true;
}

void Editor::addReferrers(Attribute* target, Attribute* const* more, std::size_t count)
{
    if (!target || count == 0)
        return;
    auto& list = referrers()[target];
    list.insert(list.end(), more, more + count);
    target->setFlag(Attribute::s_pointerTarget, true);
}

void Editor::forgetTarget(Attribute* referrer, const Attribute* target)
{
    if (auto* pointer = referrer->asPointerAttribute())
    {
        if (pointer->m_value == target)
            pointer->m_value = nullptr;
    }
    else if (auto* array = referrer->asPointerArrayAttribute())
        std::replace(array->m_values.begin(), array->m_values.end(), const_cast<Attribute*>(target),
                     static_cast<Attribute*>(nullptr));
}

void Editor::expectReferred(std::size_t targets)
{
    auto& map = referrers();
    map.reserve(map.size() + targets);
}

void Editor::targetDestroyed(Attribute* target)
{
    if (t_severedOnly)
        return;
    auto& map = referrers();
    const auto it = map.find(target);
    if (it == map.end())
        return;
    const std::vector<Attribute*> list = std::move(it->second);
    map.erase(it);
    for (Attribute* referrer : list)
        forgetTarget(referrer, target);
}

void Editor::severReferences(const std::vector<Attribute*>& roots, const std::vector<Node*>& nodes)
{
    auto& map = referrers();
    if (map.empty() || roots.empty())
        return;
    // One pass over every reference there is, rather than a walk through
    // every attribute of the trees, which outnumber the references many
    // times. Whether an attribute is in the trees is told by the nearest node
    // at or above it, marked here, or else by the detached root it is under.
    for (Node* node : nodes)
        node->setFlag(Attribute::s_doomed, true);
    const std::unordered_set<const Attribute*> doomedRoots(roots.begin(), roots.end());
    auto inside = [&doomedRoots](const Attribute* attribute)
    {
        for (const Attribute* at = attribute; at; at = at->m_parent)
        {
            if (at->hasFlag(Attribute::s_doomed))
                return true;
            if (at->hasFlag(Attribute::s_removed))
                return doomedRoots.count(at) != 0;
            if (at->isNode())
                return false;
        }
        return false;
    };
    for (auto it = map.begin(); it != map.end();)
    {
        std::vector<Attribute*>& list = it->second;
        if (inside(it->first))
        {
            for (Attribute* referrer : list)
                if (!inside(referrer))
                    forgetTarget(referrer, it->first);
            it = map.erase(it);
            continue;
        }
        list.erase(std::remove_if(list.begin(), list.end(), inside), list.end());
        it = list.empty() ? map.erase(it) : std::next(it);
    }
}

void Editor::destroyOnlySeveredTrees()
{
    t_severedOnly = true;
}

} // namespace detail

// ------------------------------------------------------------- PointerAttribute

PointerAttribute::PointerAttribute(AttributeDef& def) : Attribute(def)
{
}

PointerAttribute::~PointerAttribute()
{
    detail::Editor::removeReferrer(m_value, this);
}

void PointerAttribute::retarget(Attribute* target)
{
    if (target == m_value)
        return;
    detail::Editor::removeReferrer(m_value, this);
    m_value = target;
    detail::Editor::addReferrer(m_value, this);
}

void PointerAttribute::setValue(Attribute* target)
{
    detail::Editor::ValueEdit edit(*this);
    retarget(target);
}

bool PointerAttribute::hasSameValue(const Attribute& other) const
{
    return other.getAttributeType() == getAttributeType() &&
           static_cast<const PointerAttribute&>(other).m_value == m_value;
}

bool PointerAttribute::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    setValue(static_cast<const PointerAttribute&>(other).m_value);
    return true;
}

void PointerAttribute::exchangeValue(detail::ValueSlot& slot)
{
    if (Attribute** saved = std::get_if<Attribute*>(&slot.value))
    {
        Attribute* target = *saved;
        *saved = m_value;
        retarget(target);
    }
}

void PointerAttribute::saveValue(detail::ValueSlot& slot) const
{
    slot.value = m_value;
}

// -------------------------------------------------------- PointerArrayAttribute

PointerArrayAttribute::PointerArrayAttribute(AttributeDef& def) : ArrayAttribute(def)
{
}

PointerArrayAttribute::~PointerArrayAttribute()
{
    for (Attribute* target : m_values)
        detail::Editor::removeReferrer(target, this);
}

void PointerArrayAttribute::assign(std::vector<Attribute*> values)
{
    for (Attribute* target : m_values)
        detail::Editor::removeReferrer(target, this);
    m_values.swap(values);
    for (Attribute* target : m_values)
        detail::Editor::addReferrer(target, this);
}

void PointerArrayAttribute::add(Attribute* target)
{
    detail::Editor::editElement(*this, detail::ElementOp::Insert, getSize(), detail::slotOf(target));
}

bool PointerArrayAttribute::insert(unsigned int index, Attribute* target)
{
    if (index > m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Insert, index, detail::slotOf(target));
    return true;
}

bool PointerArrayAttribute::setElement(unsigned int index, Attribute* target)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Exchange, index, detail::slotOf(target));
    return true;
}

void PointerArrayAttribute::setValues(const std::vector<Attribute*>& values)
{
    std::vector<Attribute*> copy(values);
    detail::Editor::ValueEdit edit(*this);
    assign(std::move(copy));
}

bool PointerArrayAttribute::removeElement(unsigned int index)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Erase, index, detail::ValueSlot{});
    return true;
}

void PointerArrayAttribute::addDefault()
{
    add(nullptr);
}

void PointerArrayAttribute::clear()
{
    detail::Editor::ValueEdit edit(*this);
    assign({});
}

bool PointerArrayAttribute::hasSameValue(const Attribute& other) const
{
    return other.getAttributeType() == getAttributeType() &&
           static_cast<const PointerArrayAttribute&>(other).m_values == m_values;
}

bool PointerArrayAttribute::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    setValues(static_cast<const PointerArrayAttribute&>(other).m_values);
    return true;
}

void PointerArrayAttribute::exchangeValue(detail::ValueSlot& slot)
{
    if (auto* saved = std::get_if<std::vector<Attribute*>>(&slot.value))
    {
        std::vector<Attribute*> values = std::move(*saved);
        *saved = m_values;
        assign(std::move(values));
    }
}

void PointerArrayAttribute::saveValue(detail::ValueSlot& slot) const
{
    slot.value = m_values;
}

void PointerArrayAttribute::replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot)
{
    // The element leaving the array stops referring to its target (the undo
    // record's copy is no reference); the one arriving starts.
    if (op != detail::ElementOp::Insert)
        detail::Editor::removeReferrer(m_values[index], this);
    detail::replayElement(m_values, op, index, slot);
    if (op != detail::ElementOp::Erase)
        detail::Editor::addReferrer(m_values[index], this);
}

} // namespace db
