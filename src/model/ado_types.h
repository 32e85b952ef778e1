#pragma once
// What an ADO data type code means for the literals of a field: the one table that schema
// reading and the project file reader share, so a field's quotes cannot differ by the road
// that brought it in.
#include <cstdint>

namespace quillet::model {

// The quote that encloses a literal of that ADO type: "" for numbers and Booleans, "'" for
// text and GUIDs, "#" for dates on Access and "'" for dates elsewhere; nullptr for a type
// that fields do not support.
const char* AdoLiteralQuote(int32_t adoType, bool access);

} // namespace quillet::model
