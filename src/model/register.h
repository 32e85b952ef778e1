#pragma once

namespace quillet::model {

// Registers the model's creatable classes with the class factory ("Quillet.AGControlItems",
// "Quillet.AGControlItem"); fields, tables and databases are made only by their collections.
void registerModelClasses();

} // namespace quillet::model
