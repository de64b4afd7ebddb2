// Request bodies: JSON objects of string members, written compactly.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace kesta {

// The members in the given order; a null value is written as "".
std::string compact_json(std::initializer_list<std::pair<const char*, const char*>> members);

}  // namespace kesta
