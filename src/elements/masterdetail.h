#pragma once
// Master/detail links that the host describes for itself: a keyed list of links, each naming
// a master table, a detail table and the pairs of fields that join them. Nothing else in the
// engine creates, reads or saves them.
#include <cstdint>
#include <string>
#include <vector>

#include "elements/element_collection.h"
#include "platform/automation/members.h"

namespace quillet::elements {

class RUZMasterDetail : public automation::Object {
  QUILLET_OBJECT(RUZMasterDetail)
public:
  int16_t Seq() const { return seq_; }
  void setSeq(int16_t v) { seq_ = v; }
  const std::string& MasterTable() const { return master_; }
  void setMasterTable(const std::string& v) { master_ = v; }
  const std::string& DetailTable() const { return detail_; }
  void setDetailTable(const std::string& v) { detail_ = v; }
  int16_t FieldCount() const { return static_cast<int16_t>(masterFields_.size()); }
  int16_t CurrentField() const { return current_; }
  // A value outside 1..FieldCount is ignored.
  void setCurrentField(int16_t v);
  std::string CurrentMasterField() const;
  void setCurrentMasterField(const std::string& v);
  std::string CurrentDetailField() const;
  void setCurrentDetailField(const std::string& v);
  // False for an empty name or a field already paired on its side.
  bool AddRelation(const std::string& masterField, const std::string& detailField);
  // Removes the first pair whose master field or detail field matches.
  bool DeleteRelation(const std::string& masterField, const std::string& detailField);
  std::string MasterField(int16_t i) const;
  std::string DetailField(int16_t i) const;

private:
  int16_t seq_ = 0;
  std::string master_, detail_;
  int16_t current_ = 0;
  std::vector<std::string> masterFields_, detailFields_;
};

class RUZMasterDetails : public automation::Object {
  QUILLET_OBJECT(RUZMasterDetails)
public:
  const std::string& curMasterTable() const { return curMaster_; }
  const std::string& curDetailTable() const { return curDetail_; }
  int16_t curSeq() const { return curSeq_; }
  bool Add(const std::string& masterTable, const std::string& detailTable);
  int32_t Count() const { return links_.count(); }
  bool Delete(const std::string& masterTable, const std::string& detailTable);
  // Exact comparison of both names.
  bool MasterDetailExist(const std::string& masterTable, const std::string& detailTable) const;
  Ref<RUZMasterDetail> Item(const std::string& masterTable, const std::string& detailTable);
  Ref<RUZMasterDetail> Seq(int16_t index) const;
  Ref<automation::Enumerator> NewEnum() const { return links_.newEnum(); }

private:
  // The collection key: the two names joined by "__", the master's length in front so that
  // names holding "__" themselves ("A__B" + "C", "A" + "B__C") cannot meet on one key.
  static std::string keyOf(const std::string& master, const std::string& detail) {
    return std::to_string(master.size()) + ":" + master + "__" + detail;
  }
  RUZMasterDetail* findExact(const std::string& master, const std::string& detail) const;
  KeyedItems<RUZMasterDetail> links_;
  std::string curMaster_, curDetail_;
  int16_t curSeq_ = 0;
};

} // namespace quillet::elements
