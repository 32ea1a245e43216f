// What "the default" of an attribute is, for editors that put values back:
// what a new node of the type would hold, as the types' descriptions make it.

#include "AttributeTypes.h"

#include <type_traits>

namespace db
{

bool Attribute::holdsDefault() const
{
    return detail::withType(getAttributeType(),
                            [this](auto traits)
                            {
                                using Traits = decltype(traits);
                                using Class = typename detail::ClassOf<Traits>::type;
                                if constexpr (Traits::s_shape == detail::TypeShape::Value &&
                                              std::is_same_v<Class, PointerAttribute>)
                                    return static_cast<const PointerAttribute*>(this)->getValue() == nullptr;
                                else if constexpr (Traits::s_shape == detail::TypeShape::Value)
                                    return static_cast<const Class*>(this)->getValue() == Traits::initial(getDef());
                                else if constexpr (Traits::s_shape == detail::TypeShape::Array)
                                    return getSize() == 0;
                                else if constexpr (Traits::s_shape == detail::TypeShape::Composite)
                                {
                                    if (isNodeContainer())
                                        return true;
                                    if (isAttributeArray())
                                        return getSize() == 0;
                                    const auto* compound = static_cast<const CompositeAttribute*>(this);
                                    for (unsigned int i = 0; i < compound->getAttributeCount(); ++i)
                                        if (!compound->getAttribute(i)->holdsDefault())
                                            return false;
                                    return true;
                                }
                                else
                                    return true;
                            });
}

void Attribute::resetToDefault()
{
    if (holdsDefault())
        return;
    detail::withType(getAttributeType(),
                     [this](auto traits)
                     {
                         using Traits = decltype(traits);
                         using Class = typename detail::ClassOf<Traits>::type;
                         if constexpr (Traits::s_shape == detail::TypeShape::Value &&
                                       std::is_same_v<Class, PointerAttribute>)
                             static_cast<PointerAttribute*>(this)->setValue(nullptr);
                         else if constexpr (Traits::s_shape == detail::TypeShape::Value)
                             static_cast<Class*>(this)->setValue(Traits::initial(getDef()));
                         else if constexpr (Traits::s_shape == detail::TypeShape::Array)
                             static_cast<Class*>(this)->clear();
                         else if constexpr (Traits::s_shape == detail::TypeShape::Composite)
                         {
                             if (AttributeArray* array = asAttributeArray())
                             {
                                 // From the end, so that no element is renumbered on the way.
                                 while (array->getSize() > 0)
                                     array->removeElement(array->getSize() - 1);
                                 return;
                             }
                             auto* compound = static_cast<CompositeAttribute*>(this);
                             for (unsigned int i = 0; i < compound->getAttributeCount(); ++i)
                                 compound->getAttribute(i)->resetToDefault();
                         }
                     });
}

} // namespace db
