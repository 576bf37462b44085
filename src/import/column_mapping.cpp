#include "import/column_mapping.h"

#include <algorithm>

#include "db/schema.h"
#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

// The query the table's export writes its titles from.
const TQueryDef& ExportQueryOf(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return schema::CLSExportQuery();
    case TMasterTable::mtItem: return schema::ItemExportQuery();
    case TMasterTable::mtSupplier: return schema::SupplierExportQuery();
    case TMasterTable::mtCustomer: return schema::CustExportQuery();
  }
  return schema::ItemExportQuery();
}

const TFieldDef* FindFieldDef(const TQueryDef& query, std::string_view name) {
  for (const TFieldDef& field : query.fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

bool Reads(const TCellSource& source, std::string_view column) {
  return source.rule != TCellRule::crNotWritten && source.rule != TCellRule::crCode &&
         source.rule != TCellRule::crFalse && source.rule != TCellRule::crEmptyText && source.column == column;
}

// The fields filled from a column, in either branch.
std::vector<std::string_view> FieldsReading(const TImporterDef& importer, std::string_view column) {
  std::vector<std::string_view> fields;
  if (column == importer.codeColumn) fields.push_back(importer.codeField);
  for (const TFieldMapping& mapping : importer.fields) {
    if (Reads(mapping.newRecord, column) || Reads(mapping.overwrite, column)) fields.push_back(mapping.field);
  }
  return fields;
}

bool HasTitle(const std::vector<std::string>& titles, std::string_view title) {
  return std::any_of(titles.begin(), titles.end(), [&](const std::string& t) { return EqualNoCaseAscii(t, title); });
}

void AddOnce(std::vector<std::string>& names, std::string_view name) {
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
}

// A column's known aliases, best first.
std::vector<std::string> AliasesOf(std::string_view column, TMasterTable table, const TImporterDef& importer) {
  std::vector<std::string> aliases;
  const std::vector<std::string_view> fields = FieldsReading(importer, column);
  for (std::string_view field : fields) {
    if (const TFieldDef* def = FindFieldDef(ExportQueryOf(table), field)) AddOnce(aliases, def->title);
  }
  for (std::string_view field : fields) {
    if (const TFieldDef* def = FindFieldDef(*importer.target, field)) AddOnce(aliases, def->title);
  }
  for (std::string_view field : fields) AddOnce(aliases, field);
  return aliases;
}

// A title as a comparison without regard to letter case, full-width or
// half-width forms and spaces sees it.
std::string LooseTitle(std::string_view title) {
  std::string loose;
  for (std::size_t at = 0; at < title.size();) {
    char32_t c = detail::DecodeUtf8(title, at);
    if (c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00a0') continue;
    if (c >= U'\uff01' && c <= U'\uff5e') c -= 0xfee0;  // full-width ASCII forms
    if (c >= U'A' && c <= U'Z') c += 'a' - 'A';
    detail::AppendUtf8(loose, c);
  }
  return loose;
}

const std::string* TitleFor(const std::vector<std::string>& titles, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    for (const std::string& title : titles) {
      if (EqualNoCaseAscii(title, name)) return &title;
    }
  }
  for (const std::string& name : names) {
    const std::string loose = LooseTitle(name);
    for (const std::string& title : titles) {
      if (LooseTitle(title) == loose) return &title;
    }
  }
  return nullptr;
}

bool ExportWrites(TMasterTable table, const std::vector<std::string_view>& fields) {
  return std::any_of(fields.begin(), fields.end(),
                     [&](std::string_view field) { return FindFieldDef(ExportQueryOf(table), field) != nullptr; });
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::vector<std::string_view> ColumnsRead(const TImporterDef& importer, TCoverMode cover) {
  std::vector<std::string_view> columns{importer.codeColumn};
  const auto add = [&](const TCellSource& source) {
    if (Reads(source, source.column) && std::find(columns.begin(), columns.end(), source.column) == columns.end()) {
      columns.push_back(source.column);
    }
  };
  for (const TFieldMapping& mapping : importer.fields) {
    add(mapping.newRecord);
    if (cover == TCoverMode::cmOverwrite) add(mapping.overwrite);
  }
  return columns;
}

std::vector<std::string> MissingColumns(const std::vector<std::string>& titles, const TImporterDef& importer,
                                        TCoverMode cover, const TColumnMapping& mapping) {
  std::vector<std::string> missing;
  for (std::string_view column : ColumnsRead(importer, cover)) {
    if (HasTitle(titles, column) || Contains(mapping.left, column)) continue;
    const bool mapped = std::any_of(mapping.pairs.begin(), mapping.pairs.end(),
                                    [&](const TColumnPair& pair) { return pair.column == column; });
    if (!mapped) missing.emplace_back(column);
  }
  return missing;
}

TColumnMapping ProposeMapping(const std::vector<std::string>& titles, TMasterTable table, const TImporterDef& importer,
                              TCoverMode cover) {
  TColumnMapping mapping;
  for (const std::string& column : MissingColumns(titles, importer, cover, {})) {
    std::vector<std::string> names = AliasesOf(column, table, importer);
    names.insert(names.begin(), column);  // the column itself, for the loose comparison
    if (const std::string* title = TitleFor(titles, names)) {
      mapping.pairs.push_back({*title, column});
    } else if (column != importer.codeColumn && !ExportWrites(table, FieldsReading(importer, column))) {
      mapping.left.push_back(column);
    }
  }
  return mapping;
}

std::string MappingText(const TColumnMapping& mapping) {
  std::string text;
  const auto separate = [&] {
    if (!text.empty()) text += "；";
  };
  for (const TColumnPair& pair : mapping.pairs) {
    separate();
    text += pair.sheetTitle + " → " + pair.column;
  }
  for (const std::string& column : mapping.left) {
    separate();
    text += column + "：" + std::string(kLeftColumnText);
  }
  return text;
}

void CheckMapping(const TColumnMapping& mapping, const std::vector<std::string>& titles,
                  const TImporterDef& importer) {
  const std::vector<std::string_view> read = ColumnsRead(importer, TCoverMode::cmOverwrite);
  const auto checkRead = [&](const std::string& column) {
    if (std::find(read.begin(), read.end(), column) == read.end()) {
      throw TabrinError(FormatMessage("欄位對應：匯入不讀取欄位「%s」", {column}));
    }
  };
  std::vector<std::string> mapped;
  for (const TColumnPair& pair : mapping.pairs) {
    checkRead(pair.column);
    if (Contains(mapped, pair.column)) {
      throw TabrinError(FormatMessage("欄位對應：欄位「%s」對應了兩次", {pair.column}));
    }
    mapped.push_back(pair.column);
    if (!HasTitle(titles, pair.sheetTitle)) {
      throw TabrinError(FormatMessage("欄位對應：工作表沒有欄位「%s」", {pair.sheetTitle}));
    }
  }
  for (const std::string& column : mapping.left) {
    checkRead(column);
    if (column == importer.codeColumn) {
      throw TabrinError(FormatMessage("欄位對應：代號欄位「%s」不能不匯入", {column}));
    }
    if (Contains(mapped, column)) {
      throw TabrinError(FormatMessage("欄位對應：欄位「%s」不能既對應又不匯入", {column}));
    }
  }
}

TColumnMapping CombinedMapping(const TColumnMapping& base, const TColumnMapping& over) {
  TColumnMapping combined;
  const auto overMaps = [&](std::string_view column) {
    return std::any_of(over.pairs.begin(), over.pairs.end(), [&](const TColumnPair& p) { return p.column == column; });
  };
  for (const TColumnPair& pair : base.pairs) {
    if (!overMaps(pair.column) && !Contains(over.left, pair.column)) combined.pairs.push_back(pair);
  }
  combined.pairs.insert(combined.pairs.end(), over.pairs.begin(), over.pairs.end());
  for (const std::string& column : base.left) {
    if (!overMaps(column)) AddOnce(combined.left, column);
  }
  for (const std::string& column : over.left) AddOnce(combined.left, column);
  return combined;
}

TLeftColumnsImporter::TLeftColumnsImporter(const TImporterDef& importer, const std::vector<std::string>& left)
    : base_(importer), own_(importer) {
  if (left.empty()) return;
  left_ = true;
  fields_.assign(importer.fields.begin(), importer.fields.end());
  for (TFieldMapping& mapping : fields_) {
    for (TCellSource* source : {&mapping.newRecord, &mapping.overwrite}) {
      if (Reads(*source, source->column) && Contains(left, source->column)) *source = TCellSource{};
    }
  }
  own_.fields = fields_;
}

}  // namespace tabrin
