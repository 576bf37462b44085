#pragma once
// The four importers: sub-categories, items (two record layouts), suppliers
// and customers, each as a column-to-field table run by the import loop.
//
//   TImportCounts n = ImportSheet(sheet, connection, ClassifyImporter(), options);
#include <string_view>

#include "import/import_mapping.h"

namespace tabrin {

const TImporterDef& ClassifyImporter();
// The kind-1 layout (OrvellaItemQuery) when dbKind is exactly "1", else the
// standard layout (DBItemQuery).
const TImporterDef& ItemImporter(std::string_view dbKind);
const TImporterDef& SupplierImporter();
const TImporterDef& CustomerImporter();

}  // namespace tabrin
