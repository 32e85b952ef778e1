#pragma once
// Registration of the core classes that the host may create by ProgID.
namespace quillet::core {

// Registers "Quillet.AGProperty", "Quillet.AGProperties" and "Quillet.RUZKeyword". The host
// and tests call it once; calling it again is harmless.
void registerCoreClasses();

} // namespace quillet::core
