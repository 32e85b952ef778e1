#pragma once
// Template preparation: the work folders of a template set under the user's documents
// folder, the unpacking of its archive (and of its extensions' archives), the folder that
// really holds control.xml, the lookup of template files across the template and its
// enabled extensions, and, per control, the check of its files against the cache and their
// loading into the template file cache.
//
// Names from a control file (input files, folders, includes) and extension names are
// confined to their folder: one that climbs out of it is treated as missing.
#include <string>

#include "project/ruz.h"
#include "template/cache.h"
#include "template/controls.h"
#include "template/parser.h"
#include "template/work.h"

namespace quillet::templating {

// "cs" when the program language is exactly "C#", else "vb".
std::string languageSuffix(const std::string& programLanguage);
// <CacheFolder>/<ProgramStyle>_<cs|vb>_<CtrlID><CtrlTagExt>.tpl
std::string TemplateFileName(project::RUZ& proj, const RUZControl& control);

// Makes the data folder with Backup, Report and Templates; then either the template's root
// (with "extensions" and "cache") and returns root/subfolder, or, for an extension,
// ExtensionsWorkFolder/subfolder. "" for an empty name (the data folders are made anyway).
std::string GetTemplateWorkFolder(const std::string& name, const std::string& subfolder,
                                  bool isExtension);
// The folder in which the template or extension is read, unpacking the archive when asked
// (force) or when its folder holds no control.xml. A forced unpack deletes the folder first.
// A failed deletion or extraction is reported in ProjErr.
std::string ExtractTemplate(const std::string& archivePath, const std::string& subfolder,
                            bool isExtension, bool unpack, bool force);
// The folder, or the one reached from it through a chain of single subfolders, that holds
// control.xml; "" when there is none.
std::string FindControlFolder(const std::string& folder);
// The extension's control folder; TemplateFolder for an empty name.
std::string GetExtensionFolder(const std::string& extensionName);
// Where a template file is read: for an extension's file its own folder, falling back to
// the template's; for the template's, the first enabled extension (by Seq) that has it,
// else the current folder.
std::string FindTemplateFile(const std::string& fileName);
// The file parts of the include markers of a text, joined by ","; "*" becomes cs or vb.
std::string CollectIncludeFiles(const std::string& text, const std::string& programLanguage);

// Sets CtrlGen when the control must be compiled again (no cached script, or an input or
// include file newer than it) and returns it. A missing file stops the run (error -1) with
// 'Missing "<name>" in template folder "<folder>". Generation aborted.' in ProjErr.
bool ValidateTemplateFiles(project::RUZ& proj, RUZCache& cache, RUZControl& control);
// Adds every existing input, session and include file of the control to the file cache.
void LoadTemplateFiles(project::RUZ& proj, RUZControl& control, RUZFileCache& fileCache);

// Asks whether to keep the unpacked template or unpack the changed archive over it, sets
// KeepTemplateFlag and returns it. A question closed without an answer keeps the files.
bool AskKeepTemplate();

} // namespace quillet::templating
