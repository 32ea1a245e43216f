#pragma once

// Every attribute class, for the loaders and savers that handle them all.

#include <db/ArrayAttribute.h>
#include <db/AttributeArray.h>
#include <db/AttributeArrayDef.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/CompositeAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/Database.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/StringAttribute.h>
#include <db/TypeRegistry.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>
