#pragma once
// The declared field lists of the nine table queries: for each query its
// component name, its query text and its fields in order, each with kind,
// width (characters for 16-bit text, bytes for 8-bit text, 0 otherwise) and
// display title (empty when the field has none).
//
//   TQuery target(schema::DBCLSQuery(), connection);   // see query.h
//   for (const TFieldDef& f : schema::OrvellaItemQuery().fields) ...
//
// These lists are record formats the importers and the export rely on.
#include <span>
#include <string_view>
#include <vector>

#include "db/field_type.h"

namespace tabrin {

struct TFieldDef {
  std::string_view name;
  TFieldKind kind;
  int width;                // 0 for kinds without a width
  std::string_view title;   // display title; empty = none
};

struct TQueryDef {
  std::string_view name;  // component name, e.g. "DBCLSQuery"
  std::string_view sql;   // the query text the query carries initially
  std::span<const TFieldDef> fields;
};

namespace schema {

const TQueryDef& DBCLSQuery();
const TQueryDef& DBItemQuery();
const TQueryDef& OrvellaItemQuery();
const TQueryDef& DBSupplierQuery();
const TQueryDef& DBCustQuery();
const TQueryDef& CLSExportQuery();
const TQueryDef& ItemExportQuery();
const TQueryDef& SupplierExportQuery();
const TQueryDef& CustExportQuery();

// All nine, in the order above.
std::span<const TQueryDef* const> AllQueries();
// The definition with this component name (exact), or nullptr.
const TQueryDef* FindQuery(std::string_view name);

}  // namespace schema
}  // namespace tabrin
