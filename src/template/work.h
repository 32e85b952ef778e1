#pragma once
// Where the template of the run in progress lies: the folders template preparation makes and
// fills, and the answers and refusals the run keeps for its messages. One per thread.
#include <string>

#include "platform/archive/zip.h"
#include "platform/automation/members.h"
#include "template/controls.h"

namespace quillet::templating {

struct TemplateWork {
  // The archive's file name (no folder); names the template's folder below "Templates".
  std::string TemplateName;
  // The folder that holds the template's control.xml.
  std::string TemplateFolder;
  // The folder of the template or extension whose files are being examined.
  std::string CurrentTemplateFolder;
  std::string ExtensionsWorkFolder;
  std::string ExtensionWorkFolder;
  std::string CacheFolder;
  std::string BackupFolder;
  std::string ReportFolder;
  // True: keep the unpacked template folder; false: unpack the archive over it.
  bool KeepTemplateFlag = false;
  // The version of the last extension control file refused for its version.
  std::string RejectedExtensionVersion;
  // Why the last extension control file could not be read (file, line and reason); the
  // run goes on without the extension, so this does not stand in ProjErr.
  std::string ExtensionLoadError;
  // The control file of the extension being merged or checked.
  Ref<RUZControls> ExtensionControls;
  // The archive extractor, set up afresh for each archive.
  platform::archive::ZipExtractor extractor;
};

TemplateWork& templateWork();

} // namespace quillet::templating
