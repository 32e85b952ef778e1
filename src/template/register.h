#pragma once
namespace quillet::templating {

// Registers the template classes the host may create: "Quillet.RUZControls",
// "Quillet.RUZControl", "Quillet.RUZSessions", "Quillet.RUZSession", "Quillet.RUZFileCache",
// "Quillet.RUZStringBuilder", "Quillet.AGScript" and "Quillet.AGUserScript".
void registerTemplateClasses();

} // namespace quillet::templating
