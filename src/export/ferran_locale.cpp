#include "export/ferran_locale.h"

#include <array>
#include <utility>

#include "text/encoding.h"
#include "text/error.h"

namespace tabrin {

namespace {

constexpr std::array<std::pair<int, const char*>, 6> kMessages{{
    {msgSourceNotAssigned, "Export source (%s) is not assigned"},
    {msgSheetDefineError, "Sheet %s define with error: %s"},
    {msgSourceClosed, "Export source (%s) is closed"},
    {msgSourceEmpty, "Export source (%s) is empty"},
    {msgFileNameMissing, "Result file name not present"},
    {msgDirectoryNotCreated, "Directory \"%s\" not found and cannot be created"},
}};

constexpr std::size_t kMessageBufferChars = 1024;

}  // namespace

const TFerranLocale& TFerranLocale::Instance() {
  static const TFerranLocale instance;
  return instance;
}

std::string TFerranLocale::LoadMessage(int id) const {
  for (const auto& [messageId, text] : kMessages) {
    if (messageId == id) return CutToUtf16Units(text, kMessageBufferChars - 1);
  }
  return {};
}

std::string FerranMessage(int id, std::initializer_list<MessageArg> args) {
  return FormatMessage(TFerranLocale::Instance().LoadMessage(id), args);
}

void RaiseFerranError(int id, std::initializer_list<MessageArg> args) {
  throw TabrinError(FerranMessage(id, args));
}

}  // namespace tabrin
