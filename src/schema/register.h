#pragma once

namespace quillet::schema {

// Registers the catalogue loaders of the database, table and field classes and the
// creatable class "Quillet.RUZSchema". The host and tests call it once.
void registerSchemaClasses();

} // namespace quillet::schema
