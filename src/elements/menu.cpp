#include "elements/menu.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/state.h"
#include "elements/language.h"
#include "elements/shared.h"
#include "elements/xml_access.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/text/casefold.h"

namespace quillet::elements {

namespace {

using automation::Context;

constexpr std::string_view kAttributeNames[] = {
    "menuid",        "menutext",     "menuparentid",    "menusource", "menuexturl",
    "menuanonymous", "menusecurity", "menuurl",         "menutype",   "menucustomurl",
    "menulevel",     "menushow",     "menudisplayorder"};

std::string lower(std::string_view s) {
  return platform::text::toLower(s);
}

// A whole number from attribute text: decimal with an optional sign, a fraction rounded half
// to even; nullopt when it is no number or out of range.
template <class T> std::optional<T> wholeNumber(const std::string& text) {
  auto d = automation::parseNumber(text);
  if (!d || !std::isfinite(*d)) return std::nullopt;
  double r = automation::roundHalfEven(*d);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    return std::nullopt;
  return static_cast<T>(r);
}

std::optional<bool> booleanValue(const std::string& text) {
  std::string l = lower(text);
  if (l == "true") return true;
  if (l == "false") return false;
  auto d = automation::parseNumber(text);
  if (!d) return std::nullopt;
  return *d != 0;
}

std::string boolText(bool b) {
  return b ? "True" : "False";
}

} // namespace

// ---- RUZMenu ----

bool RUZMenu::MenuAttExist(const std::string& name) const {
  std::string l = lower(name);
  return std::find(std::begin(kAttributeNames), std::end(kAttributeNames), l) !=
         std::end(kAttributeNames);
}

std::string RUZMenu::MenuAtt(const std::string& name) const {
  std::string l = lower(name);
  if (l == "menuid") return std::to_string(MenuId);
  if (l == "menutext") return MenuText;
  if (l == "menuparentid") return std::to_string(MenuParentId);
  if (l == "menusource") return MenuSource;
  if (l == "menuexturl") return MenuExtUrl;
  if (l == "menuanonymous") return std::to_string(MenuAnonymous);
  if (l == "menusecurity") return MenuSecurity;
  if (l == "menuurl") return MenuUrl;
  if (l == "menutype") return MenuType;
  if (l == "menucustomurl") return boolText(MenuCustomUrl);
  if (l == "menulevel") return std::to_string(MenuLevel);
  if (l == "menushow") return boolText(MenuShow);
  if (l == "menudisplayorder") return std::to_string(MenuDisplayOrder);
  return {};
}

bool RUZMenu::assign(std::string_view l, const std::string& value) {
  auto setInt = [&](int32_t& field) {
    if (auto v = wholeNumber<int32_t>(value)) field = *v;
  };
  auto setBool = [&](bool& field) {
    if (auto v = booleanValue(value)) field = *v;
  };
  if (l == "menuid")
    setInt(MenuId);
  else if (l == "menutext")
    MenuText = value;
  else if (l == "menuparentid")
    setInt(MenuParentId);
  else if (l == "menusource")
    MenuSource = value;
  else if (l == "menuexturl")
    MenuExtUrl = value;
  else if (l == "menuanonymous") {
    if (auto v = wholeNumber<int16_t>(value)) MenuAnonymous = *v;
  } else if (l == "menusecurity")
    MenuSecurity = value;
  else if (l == "menuurl")
    MenuUrl = value;
  else if (l == "menutype")
    MenuType = value;
  else if (l == "menucustomurl")
    setBool(MenuCustomUrl);
  else if (l == "menulevel")
    setInt(MenuLevel);
  else if (l == "menushow")
    setBool(MenuShow);
  else if (l == "menudisplayorder")
    setInt(MenuDisplayOrder);
  else
    return false;
  return true;
}

void RUZMenu::loadAttributes(const std::vector<std::pair<std::string, std::string>>& attributes) {
  MenuId = 0;
  MenuParentId = -1;
  MenuCustomUrl = false;
  MenuShow = false;
  for (const auto& [name, value] : attributes)
    assign(lower(name), value);
}

void RUZMenu::Load(const Variant& xmlControl) {
  // Any element object with the DOM's attribute list (attributes.length, attributes.item(i)
  // with nodeName and nodeValue) serves.
  std::vector<std::pair<std::string, std::string>> attributes;
  try {
    Variant attrs = automation::get(xmlControl, "attributes");
    int32_t n = automation::CLng(automation::get(attrs, "length"));
    for (int32_t i = 0; i < n; ++i) {
      Variant index(i);
      Variant attr =
          automation::invoke(attrs, "item", automation::kGetOrCall, automation::ArgList(&index, 1));
      attributes.emplace_back(automation::CStr(automation::get(attr, "nodeName")),
                              automation::CStr(automation::get(attr, "nodeValue")));
    }
  } catch (const automation::Error&) {
    // An element without readable attributes loads as an item without attributes.
  }
  loadAttributes(attributes);
}

QUILLET_DEFINE_CLASS(RUZMenu) {
  b.get("MenuAttExist", &RUZMenu::MenuAttExist).get("MenuAtt", &RUZMenu::MenuAtt);
  auto field = [&b](const char* name, auto member) {
    using T = std::remove_cvref_t<decltype(std::declval<RUZMenu&>().*member)>;
    b.prop(
        name, [member](RUZMenu& m) -> T { return m.*member; },
        [member](RUZMenu& m, const T& v) { m.*member = v; });
  };
  field("MenuId", &RUZMenu::MenuId);
  field("MenuText", &RUZMenu::MenuText);
  field("MenuParentId", &RUZMenu::MenuParentId);
  field("MenuSource", &RUZMenu::MenuSource);
  field("MenuExtUrl", &RUZMenu::MenuExtUrl);
  field("MenuAnonymous", &RUZMenu::MenuAnonymous);
  field("MenuSecurity", &RUZMenu::MenuSecurity);
  field("MenuUrl", &RUZMenu::MenuUrl);
  field("MenuType", &RUZMenu::MenuType);
  field("MenuCustomUrl", &RUZMenu::MenuCustomUrl);
  field("MenuLevel", &RUZMenu::MenuLevel);
  field("MenuShow", &RUZMenu::MenuShow);
  field("MenuDisplayOrder", &RUZMenu::MenuDisplayOrder);
  b.method("Load", [](RUZMenu& m, Variant& xml) { m.Load(xml); });
}

// ---- RUZMenus ----

RUZMenu* RUZMenus::at(int32_t position) const {
  if (position < 1 || position > Count()) return nullptr;
  return items_[static_cast<size_t>(position - 1)].get();
}

int32_t RUZMenus::findById(int32_t id) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->MenuId == id) return static_cast<int32_t>(i + 1);
  return 0;
}

bool RUZMenus::LoadMenus(const std::string& file) {
  core::State& ctx = core::state();
  auto doc = loadXmlView(file, true);
  if (!doc) {
    ctx.setProjErr("Load project file failed!");
    return false;
  }
  // The root is checked before anything is dropped, so a file that is no project file
  // leaves the current menus in place.
  if (lower(doc->root.localName) != "project") {
    ctx.setProjErr("Project file is invalid!");
    return false;
  }
  // The phrase overrides stay: a host or script may load a menu list into the open project.
  items_.clear();
  for (const XmlNodeView& node : doc->children)
    if (node.isElement && lower(node.name) == "menu") LoadMenuNode(node.attributes);
  return true;
}

void RUZMenus::loadMenuElements(
    const std::vector<std::vector<std::pair<std::string, std::string>>>& elements) {
  items_.clear();
  for (const auto& attributes : elements)
    LoadMenuNode(attributes);
}

void RUZMenus::LoadMenuNode(const std::vector<std::pair<std::string, std::string>>& attributes) {
  auto item = automation::makeRef<RUZMenu>();
  item->loadAttributes(attributes);
  if (item->MenuType.empty() && !item->MenuCustomUrl) item->MenuType = "Table";
  if (item->MenuId > maxId_) maxId_ = item->MenuId;
  items_.push_back(std::move(item));
}

namespace {
// Everything of a menu item that AddMenu and ChangeMenu set, apart from its id.
void setMenuFields(RUZMenu& m, const std::string& text, int32_t parentId, const std::string& source,
                   const std::string& extUrl, int16_t anonymous, const std::string& security,
                   const std::string& url, const std::string& type, bool customUrl, int32_t level,
                   bool show, int32_t displayOrder) {
  m.MenuText = text;
  m.MenuParentId = parentId;
  m.MenuSource = source;
  m.MenuExtUrl = extUrl;
  m.MenuAnonymous = anonymous;
  m.MenuSecurity = security;
  m.MenuUrl = url;
  m.MenuType = type;
  m.MenuCustomUrl = customUrl;
  m.MenuLevel = level;
  m.MenuShow = show;
  m.MenuDisplayOrder = displayOrder;
}
} // namespace

bool RUZMenus::AddMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentId,
                       const std::string& MenuSource, const std::string& MenuExtUrl,
                       int16_t MenuAnonymous, const std::string& MenuSecurity,
                       const std::string& MenuUrl, const std::string& MenuType, bool MenuCustomUrl,
                       int32_t MenuLevel, bool MenuShow, int32_t MenuDisplayOrder) {
  if (!MenuCustomUrl && (MenuUrl.empty() || MenuHasTable(MenuType, MenuUrl))) return false;
  int32_t id;
  if (MenuId >= 0 && !MenuHasID(MenuId)) {
    id = MenuId;
    if (MenuId > maxId_) maxId_ = MenuId;
  } else {
    if (maxId_ == std::numeric_limits<int32_t>::max())
      automation::raise(automation::err::kOverflow);
    id = ++maxId_;
  }
  auto item = automation::makeRef<RUZMenu>();
  item->MenuId = id;
  setMenuFields(*item, MenuText, MenuParentId, MenuSource, MenuExtUrl, MenuAnonymous, MenuSecurity,
                MenuUrl, MenuType, MenuCustomUrl, MenuLevel, MenuShow, MenuDisplayOrder);
  items_.push_back(std::move(item));
  return true;
}

bool RUZMenus::ChangeMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentId,
                          const std::string& MenuSource, const std::string& MenuExtUrl,
                          int16_t MenuAnonymous, const std::string& MenuSecurity,
                          const std::string& MenuUrl, const std::string& MenuType,
                          bool MenuCustomUrl, int32_t MenuLevel, bool MenuShow,
                          int32_t MenuDisplayOrder) {
  if (!MenuCustomUrl) {
    if (MenuUrl.empty()) return false;
    for (const auto& m : items_)
      if (m->MenuId != MenuId && m->MenuType == MenuType && m->MenuUrl == MenuUrl) return false;
  }
  Ref<RUZMenu> item = GetItemByID(MenuId);
  if (!item) return false;
  setMenuFields(*item, MenuText, MenuParentId, MenuSource, MenuExtUrl, MenuAnonymous, MenuSecurity,
                MenuUrl, MenuType, MenuCustomUrl, MenuLevel, MenuShow, MenuDisplayOrder);
  return true;
}

bool RUZMenus::DeleteMenu(int32_t id) {
  int32_t pos = findById(id);
  if (pos == 0) return false;
  languageStore()->DeleteMenuPhrase(std::to_string(id));
  items_.erase(items_.begin() + (pos - 1));
  maxId_ = 0;
  for (const auto& m : items_) {
    if (m->MenuParentId == id) m->MenuParentId = -1;
    if (m->MenuId > maxId_) maxId_ = m->MenuId;
  }
  return true;
}

void RUZMenus::deleteAll() {
  for (int32_t i = Count(); i >= 1; --i)
    if (RUZMenu* m = at(i)) DeleteMenu(m->MenuId);
}

void RUZMenus::SwapMenus(int32_t i, int32_t j) {
  std::swap(items_[static_cast<size_t>(i - 1)], items_[static_cast<size_t>(j - 1)]);
}

void RUZMenus::MoveMenu(int32_t i, int32_t j) {
  if (j <= i) return;
  auto first = items_.begin() + (i - 1);
  auto moved = items_.begin() + (j - 1);
  std::rotate(first, moved, moved + 1);
}

void RUZMenus::Sort() {
  const int32_t n = Count();
  // Pass 1: by parent id, then display order (the exchange sort whose tie order callers see).
  for (int32_t i = 1; i < n; ++i)
    for (int32_t j = i + 1; j <= n; ++j) {
      const RUZMenu& a = *at(i);
      const RUZMenu& b = *at(j);
      if (a.MenuParentId > b.MenuParentId ||
          (a.MenuParentId == b.MenuParentId && a.MenuDisplayOrder > b.MenuDisplayOrder))
        SwapMenus(i, j);
    }
  std::vector<Ref<RUZMenu>> pass1 = items_;

  // Pass 2: each item's children right behind it.
  for (int32_t i = 1; i < n; ++i) {
    int32_t p = i;
    for (int32_t j = i + 1; j <= n; ++j)
      if (at(j)->MenuParentId == at(i)->MenuId) MoveMenu(++p, j);
  }

  // The passes give tree order only when every parent's id is smaller than its children's.
  // Otherwise (an item moved under a newer one, or a cycle of parent ids) the order is built
  // as a depth-first walk over the pass-1 order, which keeps the same sibling order.
  std::unordered_set<int32_t> ids;
  for (const auto& m : items_)
    ids.insert(m->MenuId);
  std::unordered_set<int32_t> seen;
  bool treeOrder = true;
  for (const auto& m : items_) {
    if (ids.count(m->MenuParentId) && !seen.count(m->MenuParentId)) {
      treeOrder = false;
      break;
    }
    seen.insert(m->MenuId);
  }
  if (treeOrder) return;

  const size_t count = pass1.size();
  std::unordered_map<int32_t, size_t> firstWithId;
  for (size_t k = 0; k < count; ++k)
    firstWithId.emplace(pass1[k]->MenuId, k);
  std::vector<std::vector<size_t>> children(count);
  std::vector<size_t> roots;
  for (size_t k = 0; k < count; ++k) {
    auto it = firstWithId.find(pass1[k]->MenuParentId);
    if (it != firstWithId.end() && it->second != k)
      children[it->second].push_back(k);
    else
      roots.push_back(k);
  }
  std::vector<bool> placed(count, false);
  std::vector<Ref<RUZMenu>> result;
  result.reserve(count);
  auto walk = [&](size_t start) {
    std::vector<size_t> stack{start};
    while (!stack.empty()) {
      size_t k = stack.back();
      stack.pop_back();
      if (placed[k]) continue;
      placed[k] = true;
      result.push_back(pass1[k]);
      for (auto c = children[k].rbegin(); c != children[k].rend(); ++c)
        if (!placed[*c]) stack.push_back(*c);
    }
  };
  for (size_t r : roots)
    walk(r);
  // Items on a cycle of parent ids have no root: the first of them in pass-1 order starts
  // its own tree.
  for (size_t k = 0; k < count; ++k)
    if (!placed[k]) walk(k);
  items_ = std::move(result);
}

bool RUZMenus::MenuHasID(int32_t id) const {
  return findById(id) != 0;
}

Ref<RUZMenu> RUZMenus::GetItemByID(int32_t id) {
  int32_t pos = findById(id);
  if (pos == 0) return nullptr;
  curIndex_ = pos;
  return Ref<RUZMenu>(at(pos));
}

bool RUZMenus::MenuHasTable(const std::string& menuType, const std::string& name) const {
  for (const auto& m : items_)
    if (m->MenuType == menuType && m->MenuUrl == name) return true;
  return false;
}

Ref<RUZMenu> RUZMenus::GetItemByTableName(const std::string& menuType, const std::string& name) {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->MenuType == menuType && items_[i]->MenuUrl == name) {
      curIndex_ = static_cast<int32_t>(i + 1);
      return items_[i];
    }
  return nullptr;
}

Ref<RUZMenu> RUZMenus::Item(int32_t position) {
  RUZMenu* m = at(position);
  if (!m) return nullptr;
  curIndex_ = position;
  return Ref<RUZMenu>(m);
}

QUILLET_DEFINE_CLASS(RUZMenus) {
  b.get("curIndex", &RUZMenus::curIndex)
      .method("LoadMenus",
              [](RUZMenus& m, Variant& file) { return m.LoadMenus(automation::CStr(file)); })
      .raw(
          "AddMenu",
          [](automation::Object& o, automation::Args a) -> Variant {
            // Omitted arguments take the documented defaults, not zero.
            auto given = [&](size_t i) -> const Variant* {
              if (i >= a.size() || a[i].isMissing()) return nullptr;
              return &a[i];
            };
            auto i32 = [&](size_t i, int32_t d) {
              return given(i) ? automation::CLng(*given(i)) : d;
            };
            auto str = [&](size_t i) {
              return given(i) ? automation::CStr(*given(i)) : std::string();
            };
            auto boolean = [&](size_t i, bool d) {
              return given(i) ? automation::CBool(*given(i)) : d;
            };
            int16_t anonymous = given(5) ? automation::CInt(*given(5)) : int16_t(0);
            return Variant(static_cast<RUZMenus&>(o).AddMenu(
                i32(0, -1), str(1), i32(2, -1), str(3), str(4), anonymous, str(6), str(7), str(8),
                boolean(9, false), i32(10, 0), boolean(11, true), i32(12, -1)));
          },
          0, 13)
      .method("ChangeMenu", &RUZMenus::ChangeMenu)
      .method("DeleteMenu", &RUZMenus::DeleteMenu)
      .method("Sort", &RUZMenus::Sort)
      .method("Count", &RUZMenus::Count)
      .method("MenuHasID", &RUZMenus::MenuHasID)
      .method("GetItemByID", &RUZMenus::GetItemByID)
      .method("MenuHasTable", &RUZMenus::MenuHasTable)
      .method("GetItemByTableName", &RUZMenus::GetItemByTableName)
      .get("Item", &RUZMenus::Item)
      .defaultMember("Item");
}

} // namespace quillet::elements
