#pragma once

#include <utility>

// A chained builder setting for widgets built by value: `name(value)` runs `body` (which sees
// `value`) and returns the widget, as an lvalue from an lvalue and an rvalue from a temporary, so
// both `auto label = Text("x").size(14);` and `label.size(14);` read naturally.
#define KASO_BUILDER_SETTER(Class, name, type, body) \
    Class& name(type value) &                         \
    {                                                 \
        body;                                         \
        return *this;                                 \
    }                                                 \
    Class&& name(type value) &&                       \
    {                                                 \
        body;                                         \
        return std::move(*this);                      \
    }
