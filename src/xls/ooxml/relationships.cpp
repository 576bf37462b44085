#include "xls/ooxml/relationships.h"

#include "xls/ooxml/part_limits.h"
#include "xls/ooxml/xml_part.h"

namespace tabrin::detail {

namespace {

std::string RelationshipsPart(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
  const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

class TRelationshipsHandler : public TXmlHandler {
 public:
  std::vector<TRelationship> relationships;

  void StartElement(std::string_view name, const TXmlAttributes& attributes) override {
    if (name != "Relationship" || attributes.Get("TargetMode") == "External") return;
    relationships.push_back({std::string(attributes.Get("Id")), std::string(attributes.Get("Type")),
                             std::string(attributes.Get("Target"))});
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

}  // namespace

std::vector<TRelationship> ReadRelationships(const TZipPackage& package, std::string_view part) {
  const std::string relsPart = RelationshipsPart(part);
  if (!package.Has(relsPart)) return {};
  TRelationshipsHandler handler;
  ParseXmlPart(package, relsPart, kMaxSmallPartBytes, handler);
  return std::move(handler.relationships);
}

bool HasType(const TRelationship& relationship, std::string_view typeEnd) {
  const std::string_view type = relationship.type;
  return type.size() >= typeEnd.size() && type.substr(type.size() - typeEnd.size()) == typeEnd;
}

const TRelationship* FindByType(const std::vector<TRelationship>& relationships, std::string_view typeEnd) {
  for (const TRelationship& relationship : relationships) {
    if (HasType(relationship, typeEnd)) return &relationship;
  }
  return nullptr;
}

std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = std::string(target.substr(1));
  } else {
    const std::size_t slash = sourcePart.rfind('/');
    path = (slash == std::string_view::npos ? std::string() : std::string(sourcePart.substr(0, slash + 1))) +
           std::string(target);
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string joined;
  for (const std::string& segment : segments) {
    if (!joined.empty()) joined += '/';
    joined += segment;
  }
  return joined;
}

}  // namespace tabrin::detail
