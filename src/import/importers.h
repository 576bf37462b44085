#pragma once
// The four importers: sub-categories, items (two record layouts), suppliers
// and customers, each as a column-to-field table run by the import loop.
//
//   TImportCounts n = ImportSheet(sheet, connection, ClassifyImporter(), options);
#include <optional>

#include "db/database_connection.h"
#include "import/import_mapping.h"

namespace tabrin {

const TImporterDef& ClassifyImporter();
// The kind-1 layout (OrvellaItemQuery) for dkOrvella, else the standard
// layout (DBItemQuery): for the server kinds, and when the kind is not known.
const TImporterDef& ItemImporter(std::optional<TDatabaseKind> kind);
const TImporterDef& SupplierImporter();
const TImporterDef& CustomerImporter();

}  // namespace tabrin
