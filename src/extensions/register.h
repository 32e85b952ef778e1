#pragma once

namespace quillet::extensions {

// Registers the classes the host may create ("Quillet.RUZExtensions", "Quillet.RUZExtension",
// "Quillet.RUZExtProj", "Quillet.RUZCustomScripts", "Quillet.RUZCustomScript",
// "Quillet.RUZCodeBase"). Lists created this way are independent of the thread's shared ones.
void registerExtensionClasses();

} // namespace quillet::extensions
