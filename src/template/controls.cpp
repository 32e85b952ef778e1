#include "template/controls.h"

#include <cmath>

#include "core/state.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/text/casefold.h"

namespace quillet::templating {

namespace {

using platform::text::toLower;

struct ControlFileState {
  int16_t status = 0;
};

bool booleanAttribute(const std::string& name, const std::string& value, const std::string& source,
                      int line) {
  std::string v = toLower(value);
  if (v == "true") return true;
  if (v == "false") return false;
  if (auto n = automation::parseNumber(value)) return *n != 0;
  throw automation::Error(13, source + ", line " + std::to_string(line) +
                                  ": the control attribute " + name +
                                  " is not True, False or a number: \"" + value + "\"");
}

} // namespace

int16_t& ControlFileStatus() {
  return automation::Context::current().shared<ControlFileState>().status;
}

std::string NormalizeInputFolder(std::string value) {
  for (char& c : value)
    if (c == '/') c = '\\';
  if (!value.empty() && value.front() == '\\') value.erase(0, 1);
  if (value.empty() || value.back() != '\\') value += '\\';
  return value;
}

// ---- RUZSession / RUZSessions -------------------------------------------------------------

void RUZSession::Load(const platform::xml::Node& xmlSession) {
  for (const auto& [rawName, value] : xmlSession.attributes()) {
    std::string name = toLower(rawName);
    if (name == "type")
      SessType = value;
    else if (name == "value")
      SessValue = value;
    else if (name == "parm")
      SessParm = value;
    else if (name == "ifile")
      SessIFile = value;
    else if (name == "cond")
      SessCond = value;
    else if (name == "extension")
      SessExt = value;
    else if (name == "action")
      SessAction = value;
    else if (name == "location")
      SessLocation = value;
    else if (name == "loctype")
      SessLocType = value;
  }
}

void RUZSessions::Load(const platform::xml::Node& xmlControl) {
  for (const auto& child : xmlControl.children()) {
    if (toLower(child.name()) != "session") continue;
    auto s = automation::makeRef<RUZSession>();
    s->Load(child);
    items_.push_back(s);
  }
}

bool RUZSessions::AddSession(const RUZSession& session, const std::string& loc,
                             const std::string& loctype) {
  size_t pos = items_.size();
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->SessValue == loc) {
      pos = loctype == "after" ? i + 1 : i;
      break;
    }
  insertCopy(session, pos);
  return true;
}

void RUZSessions::insertCopy(const RUZSession& session, size_t pos) {
  // Every field is copied: an extension's session keeps its parameter and placement.
  auto s = automation::makeRef<RUZSession>();
  s->SessType = session.SessType;
  s->SessValue = session.SessValue;
  s->SessParm = session.SessParm;
  s->SessIFile = session.SessIFile;
  s->SessCond = session.SessCond;
  s->SessExt = session.SessExt;
  s->SessAction = session.SessAction;
  s->SessLocation = session.SessLocation;
  s->SessLocType = session.SessLocType;
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), s);
}

bool RUZSessions::ChangeSession(const std::string& sValue, const RUZSession& session) {
  for (auto& s : items_)
    if (s->SessValue == sValue) {
      if (!session.SessIFile.empty()) s->SessIFile = session.SessIFile;
      if (!session.SessCond.empty()) s->SessCond = session.SessCond;
      s->SessExt = session.SessExt;
      s->SessAction = session.SessAction;
      return true;
    }
  return false;
}

bool RUZSessions::DeleteSession(const std::string& sValue) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if ((*it)->SessValue == sValue) {
      items_.erase(it);
      return true;
    }
  return false;
}

bool RUZSessions::SessionExist(const std::string& sValue) const {
  for (const auto& s : items_)
    if (s->SessValue == sValue) return true;
  return false;
}

Ref<RUZSession> RUZSessions::Item(int32_t index) const {
  if (index < 1 || index > Count()) return {};
  return items_[static_cast<size_t>(index - 1)];
}

// ---- RUZControl ---------------------------------------------------------------------------

Ref<RUZSessions> RUZControl::Sessions() {
  if (!sessions_) sessions_ = automation::makeRef<RUZSessions>();
  return sessions_;
}

void RUZControl::Load(const platform::xml::Node& xmlControl, const std::string& sourceName) {
  CtrlCond.clear();
  CtrlSpace = true;
  CtrlOverwrite = true;
  for (const auto& [rawName, value] : xmlControl.attributes()) {
    std::string name = toLower(rawName);
    if (name == "id")
      CtrlID = value;
    else if (name == "type")
      // Lower case once here, so that every later test of the type (some exact) agrees on
      // a control written "Table" or "Copy".
      CtrlType = toLower(value);
    else if (name == "ifiles")
      CtrlIFiles = value;
    else if (name == "ifolder")
      CtrlIFolder = NormalizeInputFolder(value);
    else if (name == "ofile")
      CtrlOFile = value;
    else if (name == "ofilecompat")
      CtrlOFileCompat = value;
    else if (name == "oext")
      CtrlOExt = value;
    else if (name == "ofolder")
      CtrlOFolder = value;
    else if (name == "ofolderid")
      CtrlOFolderID = value;
    else if (name == "cond")
      CtrlCond = value;
    else if (name == "tagext")
      CtrlTagExt = value;
    else if (name == "parm")
      CtrlParm = value;
    else if (name == "space")
      CtrlSpace = booleanAttribute(rawName, value, sourceName, xmlControl.line());
    else if (name == "extension")
      CtrlExt = value;
    else if (name == "action")
      CtrlAction = value;
    else if (name == "overwrite")
      CtrlOverwrite = booleanAttribute(rawName, value, sourceName, xmlControl.line());
    else if (name == "remark")
      CtrlRemark = value;
  }
  Sessions()->Load(xmlControl);
}

// ---- RUZControls --------------------------------------------------------------------------

bool RUZControls::LoadControls(const std::string& file) {
  core::State& ctx = core::state();
  int16_t& status = ControlFileStatus();
  status = 0;
  platform::xml::Document doc;
  try {
    doc = platform::xml::Document::load(file);
  } catch (const automation::Error& e) {
    status = 1;
    ctx.appendProjErr(e.description());
    return false;
  }
  items_.clear();
  platform::xml::Node root = doc.documentElement();
  std::string key = platform::text::toUpper(core::CompactName(ctx.ProductKey));
  std::string base = root ? root.localName() : std::string();
  if (platform::text::toUpper(base.substr(0, key.size())) != key) {
    status = 2;
    ctx.appendProjErr(file + ": the root element " + base + " is not a " + ctx.ProductKey +
                      " control file");
    return false;
  }
  for (const char* att : {"date", "version", "desc", "author"})
    if (!root.hasAttribute(att)) {
      status = 2;
      ctx.appendProjErr(file + ", line " + std::to_string(root.line()) +
                        ": the root element lacks the attribute " + att);
      return false;
    }
  ProdDate = root.attribute("date");
  ProdVersion = root.attribute("version");
  ProdDesc = root.attribute("desc");
  ProdAuthor = root.attribute("author");
  try {
    for (const auto& child : root.children()) {
      if (toLower(child.name()) != "control") continue;
      auto c = automation::makeRef<RUZControl>();
      items_.push_back(c);
      c->Load(child, file);
    }
  } catch (const automation::Error& e) {
    // The control that could not be read is not kept half-filled.
    items_.pop_back();
    status = 2;
    ctx.appendProjErr(e.description());
    return false;
  }
  return true;
}

bool RUZControls::ControlExist(const RUZControl& ctrl) const {
  for (const auto& c : items_)
    if (c->CtrlID == ctrl.CtrlID && c->CtrlTagExt == ctrl.CtrlTagExt) return true;
  return false;
}

bool RUZControls::AddControl(RUZControl& ctrl) {
  if (ControlExist(ctrl)) return false;
  auto c = automation::makeRef<RUZControl>();
  c->CtrlID = ctrl.CtrlID;
  c->CtrlType = ctrl.CtrlType;
  c->CtrlIFiles = ctrl.CtrlIFiles;
  c->CtrlIFolder = ctrl.CtrlIFolder;
  c->CtrlOFile = ctrl.CtrlOFile;
  c->CtrlOFileCompat = ctrl.CtrlOFileCompat;
  c->CtrlOExt = ctrl.CtrlOExt;
  c->CtrlOFolder = ctrl.CtrlOFolder;
  c->CtrlOFolderID = ctrl.CtrlOFolderID;
  c->CtrlCond = ctrl.CtrlCond;
  c->CtrlTagExt = ctrl.CtrlTagExt;
  c->CtrlParm = ctrl.CtrlParm;
  c->CtrlSpace = ctrl.CtrlSpace;
  c->CtrlExt = ctrl.CtrlExt;
  c->CtrlAction = ctrl.CtrlAction;
  c->CtrlOverwrite = ctrl.CtrlOverwrite;
  // The remark is what the control's generation item shows; an added control keeps it.
  c->CtrlRemark = ctrl.CtrlRemark;
  Ref<RUZSessions> from = ctrl.Sessions();
  Ref<RUZSessions> to = c->Sessions();
  for (int32_t i = 1; i <= from->Count(); ++i) {
    Ref<RUZSession> s = from->Item(i);
    s->SessExt = ctrl.CtrlExt;
    // Copies go at the end so that they keep the source's order even when a session's
    // value is empty (a location of "" would match that session).
    to->append(*s);
  }
  items_.push_back(c);
  return true;
}

bool RUZControls::DeleteControl(const RUZControl& ctrl) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if ((*it)->CtrlID == ctrl.CtrlID && (*it)->CtrlTagExt == ctrl.CtrlTagExt) {
      items_.erase(it);
      return true;
    }
  return false;
}

Ref<RUZControl> RUZControls::Item(const Variant& v) {
  if (v.isString()) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i]->CtrlID == v.asString()) {
        curIndex_ = static_cast<int32_t>(i + 1);
        return items_[i];
      }
    return {};
  }
  if (!v.isNumber()) return {};
  double d = automation::CDbl(v);
  if (!(d >= 1 && d <= Count())) return {};
  auto pos = static_cast<int32_t>(std::nearbyint(d));
  curIndex_ = pos;
  return items_[static_cast<size_t>(pos - 1)];
}

Ref<RUZControl> RUZControls::current() const {
  if (curIndex_ < 1 || curIndex_ > Count()) return {};
  return items_[static_cast<size_t>(curIndex_ - 1)];
}

// ---- Member tables ------------------------------------------------------------------------

namespace {

// A read-write property over a data member.
template <class C, class T>
void field(automation::ClassBuilder<C>& b, const char* name, T C::*member) {
  b.prop(
      name, [member](C& c) { return c.*member; }, [member](C& c, const T& v) { c.*member = v; });
}

} // namespace

QUILLET_DEFINE_CLASS(RUZSession) {
  using C = RUZSession;
  field(b, "SessType", &C::SessType);
  field(b, "SessValue", &C::SessValue);
  field(b, "SessParm", &C::SessParm);
  field(b, "SessIFile", &C::SessIFile);
  field(b, "SessCond", &C::SessCond);
  field(b, "SessExt", &C::SessExt);
  field(b, "SessAction", &C::SessAction);
  field(b, "SessLocation", &C::SessLocation);
  field(b, "SessLocType", &C::SessLocType);
}

QUILLET_DEFINE_CLASS(RUZSessions) {
  using C = RUZSessions;
  b.method("AddSession",
           [](C& c, const Ref<RUZSession>& s, const std::string& loc, const std::string& type) {
             return s ? c.AddSession(*s, loc, type) : false;
           })
      .method("ChangeSession",
              [](C& c, const std::string& v, const Ref<RUZSession>& s) {
                return s ? c.ChangeSession(v, *s) : false;
              })
      .method("DeleteSession", &C::DeleteSession)
      .method("SessionExist", &C::SessionExist)
      .method("Count", &C::Count)
      .get("Item", &C::Item)
      .defaultMember("Item");
}

QUILLET_DEFINE_CLASS(RUZControl) {
  using C = RUZControl;
  b.get("Sessions", &C::Sessions);
  field(b, "CtrlID", &C::CtrlID);
  field(b, "CtrlType", &C::CtrlType);
  field(b, "CtrlOFile", &C::CtrlOFile);
  field(b, "CtrlOFileCompat", &C::CtrlOFileCompat);
  field(b, "CtrlOExt", &C::CtrlOExt);
  field(b, "CtrlOFolder", &C::CtrlOFolder);
  field(b, "CtrlOFolderID", &C::CtrlOFolderID);
  field(b, "CtrlIFiles", &C::CtrlIFiles);
  field(b, "CtrlIFolder", &C::CtrlIFolder);
  field(b, "CtrlCond", &C::CtrlCond);
  field(b, "CtrlTagExt", &C::CtrlTagExt);
  field(b, "CtrlParm", &C::CtrlParm);
  field(b, "CtrlSpace", &C::CtrlSpace);
  field(b, "CtrlGen", &C::CtrlGen);
  field(b, "CtrlExt", &C::CtrlExt);
  field(b, "CtrlAction", &C::CtrlAction);
  field(b, "CtrlOverwrite", &C::CtrlOverwrite);
  field(b, "CtrlRemark", &C::CtrlRemark);
}

QUILLET_DEFINE_CLASS(RUZControls) {
  using C = RUZControls;
  b.get("curIndex", &C::curIndex);
  for (auto [name, member] : {std::pair{"ProdDate", &C::ProdDate},
                              {"ProdVersion", &C::ProdVersion},
                              {"ProdDesc", &C::ProdDesc},
                              {"ProdAuthor", &C::ProdAuthor}})
    b.get(name, [m = member](C& c) { return c.*m; });
  b.method("LoadControls", &C::LoadControls)
      .method("AddControl",
              [](C& c, const Ref<RUZControl>& x) { return x ? c.AddControl(*x) : false; })
      .method("DeleteControl",
              [](C& c, const Ref<RUZControl>& x) { return x ? c.DeleteControl(*x) : false; })
      .method("ControlExist",
              [](C& c, const Ref<RUZControl>& x) { return x ? c.ControlExist(*x) : false; })
      .method("Count", &C::Count)
      .get("Item", &C::Item)
      .defaultMember("Item");
}

} // namespace quillet::templating
