#pragma once
namespace quillet::templating {

// Registers the template classes the host may create: "Quillet.RUZControls",
// "Quillet.RUZControl", "Quillet.RUZSessions", "Quillet.RUZSession" and
// "Quillet.RUZFileCache".
void registerTemplateClasses();

} // namespace quillet::templating
