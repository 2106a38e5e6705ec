// An open script as the editor has it: its text, changed by the edits the
// editor sends, and its reading and findings, made again after every change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/script_model.h"
#include "checker/checker.h"

namespace corvel {

// A place as the protocol gives it: a line and a column in UTF-16 units, both
// from 0.
struct ProtocolPosition {
  std::uint32_t line = 0;
  std::uint32_t character = 0;
};

class Document {
 public:
  Document(std::string text, std::int64_t version);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  const std::string& text() const { return text_; }
  std::int64_t version() const { return version_; }
  const ScriptModel& model() const { return *model_; }
  const std::vector<Finding>& findings() const { return findings_; }

  // Replaces the text from `start` to `end` by `text`; places beyond a line's
  // end or the script's end are taken as those ends, and a range given
  // backwards is turned round. The script is read again by `analyse`, once
  // for all the edits of a change.
  void edit(ProtocolPosition start, ProtocolPosition end,
            std::string_view text);
  // Replaces the whole text.
  void replace(std::string text);
  // Reads the script again after edits, which make it `version`.
  void analyse(std::int64_t version);

  // The byte offset of `position`, clamped as for `edit`, in the text as
  // last analysed.
  std::size_t offsetOf(ProtocolPosition position) const;
  // The protocol position of byte `offset`.
  ProtocolPosition positionOf(std::size_t offset) const;

 private:
  std::string text_;
  std::int64_t version_;
  std::unique_ptr<ScriptModel> model_;
  std::vector<Finding> findings_;
};

}  // namespace corvel
