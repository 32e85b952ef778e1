#pragma once
// The navigation menu of the generated application: a flat list of items, each pointing at a
// table, a chart or a custom address, arranged as a tree by parent ids and ordered among
// siblings by a display order. The engine uses one list per thread (menuList()).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/members.h"
#include "platform/automation/object.h"

namespace quillet::elements {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZMenu : public automation::Object {
  QUILLET_OBJECT(RUZMenu)
public:
  // True when the name, in any letter case, is one of the thirteen field names.
  bool MenuAttExist(const std::string& name) const;
  // The field of that name as text (numbers in decimal, booleans as True/False); "" for an
  // unknown name.
  std::string MenuAtt(const std::string& name) const;

  // Fills the item from an element's attributes (names compared without regard to case).
  // Values that cannot be converted leave their field as it was; never fails.
  void Load(const Variant& xmlControl);
  // The same from attribute (name, value) pairs in document order.
  void loadAttributes(const std::vector<std::pair<std::string, std::string>>& attributes);

  int32_t MenuId = 0;
  std::string MenuText;
  int32_t MenuParentId = 0;
  std::string MenuSource;
  std::string MenuExtUrl;
  int16_t MenuAnonymous = 0;
  std::string MenuSecurity;
  std::string MenuUrl;
  std::string MenuType;
  bool MenuCustomUrl = false;
  int32_t MenuLevel = 0;
  bool MenuShow = false;
  int32_t MenuDisplayOrder = 0;

private:
  bool assign(std::string_view lowerName, const std::string& value);
};

class RUZMenus : public automation::Object {
  QUILLET_OBJECT(RUZMenus)
public:
  int32_t curIndex() const { return curIndex_; }

  // Replaces the items by the menu elements of a project file. A file that cannot be loaded
  // or whose root is not a project leaves the list as it was, sets ProjErr and returns false.
  // Loading a project's menus starts the project's phrase overrides afresh: the previous
  // project's overrides are dropped, so none of them attaches to the new project's objects.
  bool LoadMenus(const std::string& file);
  // The same from menu elements already read: each element's attributes in document order.
  void
  loadMenuElements(const std::vector<std::vector<std::pair<std::string, std::string>>>& elements);

  bool AddMenu(int32_t MenuId = -1, const std::string& MenuText = {}, int32_t MenuParentId = -1,
               const std::string& MenuSource = {}, const std::string& MenuExtUrl = {},
               int16_t MenuAnonymous = 0, const std::string& MenuSecurity = {},
               const std::string& MenuUrl = {}, const std::string& MenuType = {},
               bool MenuCustomUrl = false, int32_t MenuLevel = 0, bool MenuShow = true,
               int32_t MenuDisplayOrder = -1);
  bool ChangeMenu(int32_t MenuId, const std::string& MenuText, int32_t MenuParentId,
                  const std::string& MenuSource, const std::string& MenuExtUrl,
                  int16_t MenuAnonymous, const std::string& MenuSecurity,
                  const std::string& MenuUrl, const std::string& MenuType, bool MenuCustomUrl,
                  int32_t MenuLevel, bool MenuShow, int32_t MenuDisplayOrder);
  // Removes the first item with this id and its phrase overrides; its direct children become
  // top-level items.
  bool DeleteMenu(int32_t id);
  // Depth-first menu order: top-level items first, each followed by its children, siblings by
  // display order. A list whose ids do not grow from parent to child, or whose parent ids
  // form a cycle, still comes out in tree order.
  void Sort();
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  bool MenuHasID(int32_t id) const;
  Ref<RUZMenu> GetItemByID(int32_t id);
  bool MenuHasTable(const std::string& menuType, const std::string& name) const;
  Ref<RUZMenu> GetItemByTableName(const std::string& menuType, const std::string& name);
  // The item at a position from 1 (not a MenuId), or nothing.
  Ref<RUZMenu> Item(int32_t position);

  int32_t largestId() const { return maxId_; }
  // The item at a position from 1 without changing curIndex; nullptr outside.
  RUZMenu* at(int32_t position) const;
  // Deletes every item from the last position to the first (database unload).
  void deleteAll();

private:
  void LoadMenuNode(const std::vector<std::pair<std::string, std::string>>& attributes);
  void SwapMenus(int32_t i, int32_t j);
  void MoveMenu(int32_t i, int32_t j);
  int32_t findById(int32_t id) const; // position or 0

  std::vector<Ref<RUZMenu>> items_; // position p at index p - 1
  int32_t maxId_ = 0;
  int32_t curIndex_ = 0;
};

} // namespace quillet::elements
