#pragma once
// Steps that loading a database, a table, a custom view or a report share.
#include <string>

#include "model/database.h"
#include "project/ruz.h"

namespace quillet::sync {

// Reads the keyword file named in the user's settings into the thread's reserved words.
void reloadKeywords(project::RUZ& project);
// The thread's copies of the quote style and the default date format from the project.
void copyQuoteAndDate(project::RUZ& project);
// The table whose name is exactly this one, letter case included.
platform::automation::Ref<model::RUZTable> exactTable(model::RUZDatabase& db, const std::string& name);

} // namespace quillet::sync
