#pragma once
namespace quillet::templating {

// Registers the template classes the host may create: "Quillet.RUZControls",
// "Quillet.RUZControl", "Quillet.RUZSessions", "Quillet.RUZSession", "Quillet.RUZFileCache",
// "Quillet.RUZStringBuilder", "Quillet.AGScript", "Quillet.AGUserScript" and "Quillet.RUZCache".
// Also installs the built-in script code in the current context.
void registerTemplateClasses();

} // namespace quillet::templating
