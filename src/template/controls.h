#pragma once
// The control file of a template set (control.xml) and the lists that hold it: the
// controls, each one step of a generation run, and the sessions of template text each
// control is built from.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/members.h"
#include "platform/xml/xml.h"

namespace quillet::templating {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZSession : public automation::Object {
  QUILLET_OBJECT(RUZSession)
public:
  std::string SessType, SessValue, SessParm, SessIFile, SessCond, SessExt, SessAction, SessLocation,
      SessLocType;

  // Stores the element's attributes (names in any case); nothing is reset first.
  void Load(const platform::xml::Node& xmlSession);
};

class RUZSessions : public automation::Object {
  QUILLET_OBJECT(RUZSessions)
public:
  // Appends a session for every "session" child of the control element.
  void Load(const platform::xml::Node& xmlControl);
  // Inserts a copy of the session before the first session whose value is loc, or after it
  // when loctype is "after"; at the end when none has that value.
  bool AddSession(const RUZSession& session, const std::string& loc, const std::string& loctype);
  // Takes the input file and condition (when given), extension and action of the session
  // into the first session of that value.
  bool ChangeSession(const std::string& sValue, const RUZSession& session);
  bool DeleteSession(const std::string& sValue);
  bool SessionExist(const std::string& sValue) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Position 1..Count; nothing outside.
  Ref<RUZSession> Item(int32_t index) const;
  // A copy of the session at the end.
  void append(const RUZSession& session) { insertCopy(session, items_.size()); }

private:
  void insertCopy(const RUZSession& session, size_t pos);
  std::vector<Ref<RUZSession>> items_;
};

class RUZControl : public automation::Object {
  QUILLET_OBJECT(RUZControl)
public:
  std::string CtrlID, CtrlType, CtrlOFile, CtrlOFileCompat, CtrlOExt, CtrlOFolder, CtrlOFolderID,
      CtrlIFiles, CtrlIFolder, CtrlCond, CtrlTagExt, CtrlParm;
  bool CtrlSpace = false;
  bool CtrlGen = false;
  std::string CtrlExt, CtrlAction;
  bool CtrlOverwrite = false;
  std::string CtrlRemark;

  Ref<RUZSessions> Sessions();
  // Fills the control from a "control" element and appends its sessions. A Boolean
  // attribute that is neither true/false nor a number raises error 13 naming the line.
  void Load(const platform::xml::Node& xmlControl, const std::string& sourceName = {});

private:
  Ref<RUZSessions> sessions_;
};

class RUZControls : public automation::Object {
  QUILLET_OBJECT(RUZControls)
public:
  // The position of the last control Item found; 0 before.
  int32_t curIndex() const { return curIndex_; }
  std::string ProdDate, ProdVersion, ProdDesc, ProdAuthor;

  // Reads the control file. Unreadable or malformed: false, status 1, the list as it was.
  // A root that is not the product's, or that lacks one of its attributes, and a control
  // whose Boolean attribute cannot be read: false, status 2. Each failure also puts the
  // reason, with the file and line, into ProjErr.
  bool LoadControls(const std::string& file);
  // Appends a copy of a control whose (id, tag extension) is not present yet, with copies
  // of its sessions, which take the control's extension name.
  bool AddControl(RUZControl& ctrl);
  bool DeleteControl(const RUZControl& ctrl);
  bool ControlExist(const RUZControl& ctrl) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // By position (a number in 1..Count) or by exact id (a text); a found control becomes
  // the current one.
  Ref<RUZControl> Item(const Variant& index);
  // The current control; null when none.
  Ref<RUZControl> current() const;

private:
  std::vector<Ref<RUZControl>> items_;
  int32_t curIndex_ = 0;
};

// The status of the last control file read on this thread: 0 fine, 1 the file could not be
// read, 2 its content is not a control file, 3 an extension of the wrong version.
int16_t& ControlFileStatus();

// "/" becomes "\", one leading "\" goes, and the value ends in "\".
std::string NormalizeInputFolder(std::string value);

} // namespace quillet::templating
