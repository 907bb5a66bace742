// The library's own interfaces as results of dispatch calls: value-object properties hand them
// out as dispatch objects.
#pragma once

#include <dispimpl.h>

#include "scripting/Quorix2.h"

template <>
struct QxOutArg<IXColor*> : QxObjectOut<IXColor, VT_DISPATCH> {};
template <>
struct QxOutArg<IXPoint*> : QxObjectOut<IXPoint, VT_DISPATCH> {};
template <>
struct QxOutArg<IXRect*> : QxObjectOut<IXRect, VT_DISPATCH> {};
template <>
struct QxOutArg<IXTextStyle*> : QxObjectOut<IXTextStyle, VT_DISPATCH> {};
template <>
struct QxOutArg<IXTransform*> : QxObjectOut<IXTransform, VT_DISPATCH> {};
