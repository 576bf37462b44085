#include "xls/ooxml/xml_part.h"

#include <expat.h>

#include <cstring>
#include <exception>
#include <future>
#include <memory>
#include <vector>

#include "text/format.h"
#include "text/translation.h"

namespace tabrin::detail {

namespace {

constexpr int kChunk = 256 * 1024;

// What the expat callbacks share; an exception thrown inside a callback is
// kept and rethrown after the parser stopped, never unwound through C code.
struct TParseState {
  XML_Parser parser = nullptr;
  TXmlHandler* handler = nullptr;
  std::exception_ptr failure;
  bool doctype = false;

  void Stop() { XML_StopParser(parser, XML_FALSE); }
};

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* state = static_cast<TParseState*>(data);
  try {
    state->handler->StartElement(TXmlAttributes::LocalName(name), TXmlAttributes(attributes));
  } catch (...) {
    state->failure = std::current_exception();
    state->Stop();
  }
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
  auto* state = static_cast<TParseState*>(data);
  try {
    state->handler->EndElement(TXmlAttributes::LocalName(name));
  } catch (...) {
    state->failure = std::current_exception();
    state->Stop();
  }
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
  auto* state = static_cast<TParseState*>(data);
  if (!state->handler->WantsText()) return;
  try {
    state->handler->Text(std::string_view(text, static_cast<std::size_t>(length)));
  } catch (...) {
    state->failure = std::current_exception();
    state->Stop();
  }
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  auto* state = static_cast<TParseState*>(data);
  state->doctype = true;
  state->Stop();
}

}  // namespace

std::string_view LocalName(std::string_view qualified) {
  const std::size_t colon = qualified.rfind(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::string_view TXmlAttributes::Get(std::string_view localName) const {
  for (const char** pair = pairs_; *pair != nullptr; pair += 2) {
    if (LocalName(pair[0]) == localName) return pair[1];
  }
  return {};
}

bool TXmlAttributes::Has(std::string_view localName) const {
  for (const char** pair = pairs_; *pair != nullptr; pair += 2) {
    if (LocalName(pair[0]) == localName) return true;
  }
  return false;
}

struct TXmlStream::TState : TParseState {};

TXmlStream::TXmlStream(TXmlHandler& handler) : state_(new TState) {
  state_->parser = XML_ParserCreate(nullptr);
  if (state_->parser == nullptr) {
    delete state_;
    throw TDamagedPackage(Tr("there is not enough memory to read it"));
  }
  state_->handler = &handler;
  XML_SetUserData(state_->parser, static_cast<TParseState*>(state_));
  XML_SetElementHandler(state_->parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(state_->parser, OnText);
  XML_SetStartDoctypeDeclHandler(state_->parser, OnDoctype);
  // No external entity is ever fetched.
  XML_SetParamEntityParsing(state_->parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

TXmlStream::~TXmlStream() {
  XML_ParserFree(state_->parser);
  delete state_;
}

bool TXmlStream::Parse(const char* data, std::size_t size, bool last) {
  fed_ += size;
  return XML_Parse(state_->parser, data, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
}

void TXmlStream::Raise(std::string_view partName) const {
  if (state_->failure) std::rethrow_exception(state_->failure);
  if (state_->doctype) {
    throw TDamagedPackage(FormatMessage(Tr("the part %s declares a document type, which is refused"), {partName}));
  }
  throw TDamagedPackage(FormatMessage(Tr("the part %s is not well-formed XML (line %d: %s)"),
                                      {partName, static_cast<long long>(XML_GetCurrentLineNumber(state_->parser)),
                                       XML_ErrorString(XML_GetErrorCode(state_->parser))}));
}

std::uint64_t TXmlStream::EventEnd() const {
  return static_cast<std::uint64_t>(XML_GetCurrentByteIndex(state_->parser)) +
         static_cast<std::uint64_t>(XML_GetCurrentByteCount(state_->parser));
}

void ParseXmlPart(const TZipPackage& package, std::string_view partName, std::uint64_t maxBytes,
                  TXmlHandler& handler) {
  const std::unique_ptr<TPartReader> part = package.Open(partName, maxBytes);
  TXmlStream stream(handler);

  // The next chunk is inflated on a second thread while expat parses the
  // one before it (or, should no thread be had, when it is asked for).
  // Should parsing fail, the future's destructor waits for that read before
  // the chunks and the part go.
  std::vector<char> chunks[2] = {std::vector<char>(kChunk), std::vector<char>(kChunk)};
  int current = 0;
  std::size_t got = part->Read(chunks[current].data(), kChunk);
  for (;;) {
    const bool last = got == 0;
    std::future<std::size_t> next;
    if (!last) {
      next = std::async(std::launch::async | std::launch::deferred,
                        [&part, &chunk = chunks[1 - current]] { return part->Read(chunk.data(), chunk.size()); });
    }
    if (!stream.Parse(chunks[current].data(), got, last)) stream.Raise(partName);
    if (last) break;
    got = next.get();
    current = 1 - current;
  }
}

}  // namespace tabrin::detail
