// How the tool's parsers answer. A parse that reads a value from a text returns it as
// std::optional<T>, none when the text holds none. A parse whose failure the operator
// is told about returns Parsed<T>: the same optional value and, without a value, the
// reason; a parse whose caller needs more than the text of the reason names the
// reason's type as Parsed<T, Reason>. No parser answers with a bool and out-parameters.
#pragma once

#include <optional>
#include <string>

namespace cc {

template <typename T, typename Reason = std::string> struct Parsed {
    std::optional<T> value;
    Reason error;  // without a value: why the text holds none, for the operator
};

}  // namespace cc
