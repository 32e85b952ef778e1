#include "elements/masterdetail.h"

#include <limits>

namespace quillet::elements {

namespace {
int16_t nextCount(size_t n) {
  if (n >= static_cast<size_t>(std::numeric_limits<int16_t>::max()))
    automation::raise(automation::err::kOverflow);
  return static_cast<int16_t>(n + 1);
}
} // namespace

// ---- RUZMasterDetail ----

void RUZMasterDetail::setCurrentField(int16_t v) {
  if (v >= 1 && v <= FieldCount()) current_ = v;
}

std::string RUZMasterDetail::CurrentMasterField() const {
  return MasterField(current_);
}
std::string RUZMasterDetail::CurrentDetailField() const {
  return DetailField(current_);
}

void RUZMasterDetail::setCurrentMasterField(const std::string& v) {
  if (current_ >= 1 && current_ <= FieldCount()) masterFields_[current_ - 1] = v;
}
void RUZMasterDetail::setCurrentDetailField(const std::string& v) {
  if (current_ >= 1 && current_ <= FieldCount()) detailFields_[current_ - 1] = v;
}

bool RUZMasterDetail::AddRelation(const std::string& masterField, const std::string& detailField) {
  if (masterField.empty() || detailField.empty()) return false;
  for (size_t i = 0; i < masterFields_.size(); ++i)
    if (masterFields_[i] == masterField || detailFields_[i] == detailField) return false;
  int16_t n = nextCount(masterFields_.size());
  masterFields_.push_back(masterField);
  detailFields_.push_back(detailField);
  current_ = n;
  return true;
}

bool RUZMasterDetail::DeleteRelation(const std::string& masterField,
                                     const std::string& detailField) {
  if (masterField.empty() || detailField.empty()) return false;
  for (size_t i = 0; i < masterFields_.size(); ++i)
    if (masterFields_[i] == masterField || detailFields_[i] == detailField) {
      masterFields_.erase(masterFields_.begin() + static_cast<ptrdiff_t>(i));
      detailFields_.erase(detailFields_.begin() + static_cast<ptrdiff_t>(i));
      if (current_ > FieldCount()) current_ = FieldCount();
      return true;
    }
  return false;
}

std::string RUZMasterDetail::MasterField(int16_t i) const {
  return i >= 1 && i <= FieldCount() ? masterFields_[i - 1] : std::string();
}
std::string RUZMasterDetail::DetailField(int16_t i) const {
  return i >= 1 && i <= FieldCount() ? detailFields_[i - 1] : std::string();
}

QUILLET_DEFINE_CLASS(RUZMasterDetail) {
  using M = RUZMasterDetail;
  b.prop("Seq", &M::Seq, &M::setSeq)
      .prop("MasterTable", &M::MasterTable, &M::setMasterTable)
      .prop("DetailTable", &M::DetailTable, &M::setDetailTable)
      .get("FieldCount", &M::FieldCount)
      .prop("CurrentField", &M::CurrentField, &M::setCurrentField)
      .prop("CurrentMasterField", &M::CurrentMasterField, &M::setCurrentMasterField)
      .prop("CurrentDetailField", &M::CurrentDetailField, &M::setCurrentDetailField)
      .method("AddRelation", [](M& m, const std::string& a,
                                const std::string& d) { return Variant(m.AddRelation(a, d)); })
      .method("DeleteRelation",
              [](M& m, const std::string& a, const std::string& d) {
                return Variant(m.DeleteRelation(a, d));
              })
      .method("MasterField", [](M& m, Variant& i) { return m.MasterField(automation::CInt(i)); })
      .method("DetailField", [](M& m, Variant& i) { return m.DetailField(automation::CInt(i)); });
}

// ---- RUZMasterDetails ----

RUZMasterDetail* RUZMasterDetails::findExact(const std::string& master,
                                             const std::string& detail) const {
  for (int32_t i = 1; i <= links_.count(); ++i) {
    RUZMasterDetail* l = links_.at(i);
    if (l->MasterTable() == master && l->DetailTable() == detail) return l;
  }
  return nullptr;
}

bool RUZMasterDetails::MasterDetailExist(const std::string& masterTable,
                                         const std::string& detailTable) const {
  return findExact(masterTable, detailTable) != nullptr;
}

bool RUZMasterDetails::Add(const std::string& masterTable, const std::string& detailTable) {
  if (masterTable.empty() || detailTable.empty()) return false;
  if (!MasterDetailExist(masterTable, detailTable)) {
    int16_t seq = nextCount(static_cast<size_t>(links_.count()));
    auto link = automation::makeRef<RUZMasterDetail>();
    link->setMasterTable(masterTable);
    link->setDetailTable(detailTable);
    link->setSeq(seq);
    // The keyed collection may refuse the key (the pair in other letter case): the list,
    // its current link included, then stays as it was.
    links_.append(link, keyOf(masterTable, detailTable));
    curSeq_ = seq;
  }
  curMaster_ = masterTable;
  curDetail_ = detailTable;
  return true;
}

bool RUZMasterDetails::Delete(const std::string& masterTable, const std::string& detailTable) {
  if (masterTable.empty() || detailTable.empty()) return false;
  RUZMasterDetail* link = findExact(masterTable, detailTable);
  if (!link) return false;
  Ref<RUZMasterDetail> keep(link);
  int16_t s = link->Seq();
  for (int32_t i = 1; i <= links_.count(); ++i) {
    RUZMasterDetail* l = links_.at(i);
    if (l->Seq() >= s && l->Seq() > std::numeric_limits<int16_t>::min())
      l->setSeq(static_cast<int16_t>(l->Seq() - 1));
  }
  for (int32_t i = 1; i <= links_.count(); ++i)
    if (links_.at(i) == link) {
      links_.removeAt(i);
      break;
    }
  return true;
}

Ref<RUZMasterDetail> RUZMasterDetails::Item(const std::string& masterTable,
                                            const std::string& detailTable) {
  RUZMasterDetail* link = findExact(masterTable, detailTable);
  if (!link) return nullptr;
  curMaster_ = masterTable;
  curDetail_ = detailTable;
  curSeq_ = link->Seq();
  return Ref<RUZMasterDetail>(link);
}

Ref<RUZMasterDetail> RUZMasterDetails::Seq(int16_t index) const {
  for (int32_t i = 1; i <= links_.count(); ++i)
    if (links_.at(i)->Seq() == index) return Ref<RUZMasterDetail>(links_.at(i));
  return nullptr;
}

QUILLET_DEFINE_CLASS(RUZMasterDetails) {
  using M = RUZMasterDetails;
  b.get("curMasterTable", &M::curMasterTable)
      .get("curDetailTable", &M::curDetailTable)
      .get("curSeq", &M::curSeq)
      .method("Add", &M::Add)
      .method("Count", &M::Count)
      .method("Delete", &M::Delete)
      .method("MasterDetailExist", &M::MasterDetailExist)
      .get("Item", &M::Item)
      .method("Seq", &M::Seq)
      .defaultMember("Item")
      .enumerator(&M::NewEnum);
}

} // namespace quillet::elements
