#pragma once
// Access catalogue entries as the objects the loaders' DAO arguments stand for: a column
// (Name, Type, Size, Attributes, AllowZeroLength, Required), a table definition (Name,
// Attributes) and a query definition (Name, SQL).
#include "platform/automation/members.h"
#include "platform/data/access.h"

namespace quillet::schema {

namespace automation = ::quillet::platform::automation;
namespace data = ::quillet::platform::data;

class DaoField : public automation::Object {
  QUILLET_OBJECT(DaoField)
public:
  explicit DaoField(data::AccessColumn c) : column(std::move(c)) {}
  data::AccessColumn column;
};

class DaoTableDef : public automation::Object {
  QUILLET_OBJECT(DaoTableDef)
public:
  explicit DaoTableDef(data::AccessTable t) : table(std::move(t)) {}
  data::AccessTable table;
};

class DaoQueryDef : public automation::Object {
  QUILLET_OBJECT(DaoQueryDef)
public:
  explicit DaoQueryDef(data::AccessQuery q) : query(std::move(q)) {}
  data::AccessQuery query;
};

} // namespace quillet::schema
