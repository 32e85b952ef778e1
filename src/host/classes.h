#pragma once

namespace quillet::host {

// Registers every creatable class of the engine with the class factory, so scripts reach
// them with CreateObject. Safe to call more than once.
void registerAllClasses();

} // namespace quillet::host
