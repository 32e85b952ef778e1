#pragma once
// The extension merge: an enabled extension's control file adds controls to the template's
// control list, changes the sessions of its controls or deletes controls; and the record of
// an extension's control file and template files in the cache group "extensionfiles", by
// which a run notices that they changed.
#include <string>

#include "project/ruz.h"
#include "template/cache.h"
#include "template/controls.h"

namespace quillet::templating {

// Merges the extension's control file into the list. False, with ControlFileStatus 1 (not
// installed, no control file, unreadable), 2 (not a control file) or 3 (a version this
// program does not take; RejectedExtensionVersion names it); the list is then unchanged.
bool MergeExtensionControls(project::RUZ& proj, RUZControls& controls,
                            const std::string& extensionName);
// Applies the session actions of an extension control to the template's control.
void MergeSessions(RUZControl& templateControl, RUZControl& extensionControl);
// False when the extension's control file or one of its template files is new or changed
// against the cache, and when its control file is missing or cannot be read.
bool ExtensionFilesCached(project::RUZ& proj, RUZCache& cache, const std::string& extensionName);
// Records the extension's control file and every existing template file in the cache.
void CacheExtensionFiles(project::RUZ& proj, RUZCache& cache, const std::string& extensionName);

} // namespace quillet::templating
