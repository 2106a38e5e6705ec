// An open script as the editor has it: its text, changed by the edits the
// editor sends, and its reading and findings, made again after every change.
#include "lsp/document.h"

#include <utility>

namespace corvel {

Document::Document(std::string text, std::int64_t version)
    : text_(std::move(text)), version_(version) {
  analyse(version);
}

void Document::analyse(std::int64_t version) {
  version_ = version;
  model_.reset();
  model_ = std::make_unique<ScriptModel>(text_);
  findings_ = checkScript(*model_);
}

std::size_t Document::offsetOf(ProtocolPosition position) const {
  return model_->map().offsetAt(position.line, position.character);
}

ProtocolPosition Document::positionOf(std::size_t offset) const {
  Place place = model_->map().place(offset);
  return {place.line, place.utf16Column};
}

void Document::edit(ProtocolPosition start, ProtocolPosition end,
                    std::string_view text) {
  // The model views the text: it goes before the text changes, and the places
  // of a later edit are taken in the text as the earlier ones left it.
  model_.reset();
  SourceMap map(text_);
  std::size_t from = map.offsetAt(start.line, start.character);
  std::size_t to = map.offsetAt(end.line, end.character);
  if (to < from) std::swap(from, to);
  text_.replace(from, to - from, text);
}

void Document::replace(std::string text) {
  model_.reset();
  text_ = std::move(text);
}

}  // namespace corvel
