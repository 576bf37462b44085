#include "db/backend.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "db/odbc_backend.h"
#include "db/sqlite_backend.h"
#include "text/ascii.h"
#include "text/error.h"
#include "text/translation.h"

namespace tabrin {
namespace {

struct TProvider {
  std::string name;
  TBackendAcceptor accepts;
  TBackendFactory factory;
};

struct TRegistry {
  std::mutex mutex;
  std::vector<TProvider> providers;
  TBackendFactory workbook;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

std::string TBackend::QuoteIdentifier(std::string_view name) const {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

TTableInfo TBackend::DescribeTable(std::string_view) { return {}; }

void TBackend::BeginTransaction() { throw TabrinError(Tr("Transactions are not supported by this connection")); }
void TBackend::Commit() { throw TabrinError(Tr("Transactions are not supported by this connection")); }
void TBackend::Rollback() { throw TabrinError(Tr("Transactions are not supported by this connection")); }

void RegisterBackend(std::string name, TBackendAcceptor accepts, TBackendFactory factory) {
  TRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  registry.providers.push_back({std::move(name), std::move(accepts), std::move(factory)});
}

void RegisterWorkbookBackend(TBackendFactory factory) {
  TRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  registry.workbook = std::move(factory);
}

bool IsWorkbookConnection(const TConnectionProperties& properties) {
  return LowerAscii(properties.Get("Extended Properties")).find("excel") != std::string::npos;
}

std::unique_ptr<TBackend> OpenBackend(std::string_view connectionString) {
  const TConnectionProperties properties = ParseConnectionString(connectionString);
  TBackendFactory factory;
  {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    for (const TProvider& provider : registry.providers) {
      if (provider.accepts(properties)) {
        factory = provider.factory;
        break;
      }
    }
    if (!factory && IsWorkbookConnection(properties)) {
      if (!registry.workbook) throw TabrinError(Tr("No workbook reader is available in this program"));
      factory = registry.workbook;
    }
  }
  if (factory) return factory(properties);

  const std::string provider = properties.Get("Provider");
  if (StartsWithNoCaseAscii(provider, "Microsoft.Jet.OLEDB") ||
      StartsWithNoCaseAscii(provider, "Microsoft.ACE.OLEDB")) {
    const std::string path = properties.Get("Data Source");
    if (path.empty()) throw TabrinError(Tr("Could not find file ''."));
    return detail::OpenSqliteBackend(path);
  }
  if (StartsWithNoCaseAscii(provider, "SQLOLEDB") || StartsWithNoCaseAscii(provider, "SQLNCLI") ||
      StartsWithNoCaseAscii(provider, "MSOLEDBSQL")) {
    return detail::OpenOdbcBackend(detail::OdbcConnectionString(properties), detail::LoginTimeoutSeconds(properties));
  }
  throw TabrinError(Tr("Provider cannot be found. It may not be properly installed"));
}

}  // namespace tabrin
