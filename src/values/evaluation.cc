// Expression evaluation: argument words as text, integers, values and lists.
#include "values/evaluation.h"

#include <algorithm>
#include <array>
#include <limits>

#include "base/fault.h"
#include "base/sandbox.h"
#include "base/text.h"
#include "files/corvel_file.h"
#include "values/conversions.h"

namespace corvel {

namespace {

bool encloses(std::string_view text, char open, char close) {
  return text.size() >= 2 && text.front() == open && text.back() == close;
}

CorvelVariable& lookUp(const VarRef& ref) {
  if (ref.record == nullptr) notDeclared(ref.name);
  return *ref.record;
}

ArithmeticOperand analyseOperand(VariableList& vars, std::string_view text) {
  ArithmeticOperand operand;
  if (!text.empty() && text.front() == '$') {
    operand.ref = &vars.ref(text.substr(1));
    return operand;
  }
  // Most operands are a few digits, which cannot leave the range: read here
  // without the general reader's signs, blanks and bounds.
  if (!text.empty() && text.size() <= 9) {
    std::int32_t number = 0;
    for (char c : text) {
      if (c < '0' || c > '9') {
        operand.number = readInteger(text);
        return operand;
      }
      number = number * 10 + (c - '0');
    }
    operand.number = number;
    return operand;
  }
  operand.number = readInteger(text);
  return operand;
}

// The three parts of an arithmetic word: left operand, operator, right operand.
struct ArithmeticParts {
  std::string left;
  char op = '+';
  std::string right;
};

ArithmeticParts splitArithmetic(std::string_view text) {
  ArithmeticParts parts;
  int part = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ')') break;
    if (c == ' ') {
      // A run of blanks separates once.
      if (i > 0 && text[i - 1] != ' ') ++part;
      continue;
    }
    if (c == '(') continue;
    if (part == 0) {
      parts.left += c;
    } else if (part == 1) {
      parts.op = c;
    } else if (part == 2) {
      parts.right += c;
    }
  }
  return parts;
}

// Splits the arithmetic word `text` into views of its three parts, where no
// `(` stands inside a part (only the opening one is usual); false otherwise,
// for splitArithmetic, which builds the parts byte by byte.
bool splitPlainArithmetic(std::string_view text, std::string_view& left,
                          char& op, std::string_view& right) {
  // What a byte is to the split: 0 part of an operand, else a blank, an
  // opening or a closing bracket.
  static constexpr std::array<std::uint8_t, 256> kKinds = [] {
    std::array<std::uint8_t, 256> kinds{};
    kinds[' '] = 1;
    kinds['('] = 2;
    kinds[')'] = 3;
    return kinds;
  }();
  std::string_view views[3];
  std::size_t begin = 0;
  int counted = 0;
  const char* s = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  for (;; ++i) {
    // Operand bytes are most of the word: skipped at once.
    while (i < n && kKinds[static_cast<unsigned char>(s[i])] == 0) ++i;
    if (i == n) break;
    std::uint8_t kind = kKinds[static_cast<unsigned char>(s[i])];
    if (kind == 3) break;
    // A run of blanks separates once; a `(` counts as no blank.
    if (i > 0 && s[i - 1] != ' ') {
      if (kind == 2) {
        if (s[i - 1] != '(') return false;
      } else {
        if (counted < 3 && i > begin)
          views[counted] = text.substr(begin, i - begin);
        ++counted;
      }
    }
    begin = i + 1;
  }
  if (counted < 3 && i > begin) views[counted] = text.substr(begin, i - begin);
  left = views[0];
  op = views[1].empty() ? '+' : views[1].back();
  right = views[2];
  return true;
}

void analyseArithmetic(VariableList& vars, Word& word) {
  std::string_view left;
  std::string_view right;
  char op = '+';
  if (splitPlainArithmetic(word.text, left, op, right)) {
    word.op = op;
    word.leftOnly = right.empty();
    if (word.leftOnly) {
      word.left.number = readInteger(left);
    } else {
      word.left = analyseOperand(vars, left);
      word.right = analyseOperand(vars, right);
    }
    return;
  }
  ArithmeticParts parts = splitArithmetic(word.text);
  word.op = parts.op;
  word.leftOnly = parts.right.empty();
  if (word.leftOnly) {
    // A lone operand is read as digits even when it names a variable.
    word.left.number = readInteger(parts.left);
  } else {
    word.left = analyseOperand(vars, parts.left);
    word.right = analyseOperand(vars, parts.right);
  }
}

// The number that `text` begins with, as a note shows it: the sign and the
// digits, a long run of digits shortened.
std::string numberShown(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() &&
         (text[begin] == ' ' || (text[begin] >= '\t' && text[begin] <= '\r')))
    ++begin;
  std::size_t end = begin;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  constexpr std::size_t kShown = 40;
  std::string shown(text.substr(begin, std::min(end - begin, kShown)));
  if (end - begin > kShown) shown += "...";
  return shown;
}

std::string decimal(std::int32_t value) {
  std::string text;
  appendDecimal(text, value);
  return text;
}

[[gnu::cold, gnu::noinline]] void noteWrapped(char op, std::int32_t left,
                                              std::int32_t right,
                                              std::int32_t result) {
  if (!notesWanted()) return;
  note("arithmetic wrapped around: " + decimal(left) + ' ' + op + ' ' +
       decimal(right) + " gives " + decimal(result));
}

[[gnu::cold, gnu::noinline]] std::int32_t readNoting(std::string_view text) {
  bool saturated = false;
  std::int32_t value = readInteger(text, saturated);
  if (saturated)
    note("number text '" + numberShown(text) +
         "' is beyond the 32-bit range and reads as " + decimal(value));
  return value;
}

// Whether the literal body `body` holds no reference, and no escaped dollar
// either: its value is then the body itself.
bool isPlainText(std::string_view body) {
  return body.find('$') == std::string_view::npos;
}

void analyseLiteral(VariableList& vars, Word& word) {
  std::string_view body = word.text.substr(1, word.text.size() - 2);
  if (isPlainText(body)) {
    // Made straight from the script: a huge literal is copied once, not twice.
    word.constant = true;
    word.value = StringValue(body);
    return;
  }
  LiteralPiece piece;
  std::size_t i = 0;
  while (i < body.size()) {
    char c = body[i];
    if (c == '$' && !(i > 0 && body[i - 1] == '\\')) {
      std::size_t end = i + 1;
      while (end < body.size() && body[end] != ' ' && body[end] != '\n' &&
             body[end] != '#')
        ++end;
      piece.reference = &vars.ref(body.substr(i + 1, end - i - 1));
      word.pieces.push_back(std::move(piece));
      piece = LiteralPiece();
      // A `#` only ends the reference and is dropped; a blank or line feed is
      // text again.
      i = end < body.size() && body[end] == '#' ? end + 1 : end;
      continue;
    }
    // A backslash before a dollar only marks that dollar as plain text.
    if (!(c == '\\' && i + 1 < body.size() && body[i + 1] == '$'))
      piece.text += c;
    ++i;
  }
  word.constant = word.pieces.empty();
  if (word.constant) {
    word.value = StringValue(piece.text);
  } else {
    word.pieces.push_back(std::move(piece));
  }
}

std::string_view literalText(const Word& word, std::string& scratch) {
  if (word.constant) return word.value.view();
  scratch.clear();
  appendLiteralPieces(word, 0, scratch);
  return scratch;
}

}  // namespace

void notDeclared(std::string_view name) {
  std::string message = "Not declared: $";
  message += name;
  message += '\n';
  fail(message, 1);
}

std::int32_t applyOperator(char op, std::int32_t left, std::int32_t right) {
  // The builtins give the wrapped result, well defined, and tell of the
  // overflow in the same instruction, so the test for a note costs one branch
  // that is never taken.
  std::int32_t result;
  switch (op) {
    case '+':
      if (__builtin_add_overflow(left, right, &result)) [[unlikely]]
        noteWrapped(op, left, right, result);
      return result;
    case '-':
      if (__builtin_sub_overflow(left, right, &result)) [[unlikely]]
        noteWrapped(op, left, right, result);
      return result;
    case '*':
      if (__builtin_mul_overflow(left, right, &result)) [[unlikely]]
        noteWrapped(op, left, right, result);
      return result;
    case '/':
    case '%':
      if (right == 0) fail("Division by zero\n", 1);
      if (right == -1) {
        if (op == '%') return 0;
        // Only the most negative number has no opposite: it wraps to itself.
        result =
            static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(left));
        if (left == std::numeric_limits<std::int32_t>::min()) [[unlikely]]
          noteWrapped(op, left, right, result);
        return result;
      }
      return op == '/' ? left / right : left % right;
    default:
      return 0;
  }
}

std::int32_t readNumberText(std::string_view text) {
  // The reading that notes stays out of line, so that callers pay for it only
  // when notes are wanted.
  if (notesWanted()) [[unlikely]]
    return readNoting(text);
  return readInteger(text);
}

std::optional<std::string> writtenNumberNote(std::string_view text) {
  if (!encloses(text, '(', ')')) return std::nullopt;
  ArithmeticParts parts = splitArithmetic(text);
  // A lone operand is read as digits whatever it holds; the operands of an
  // operation only when they name no variable.
  bool leftOnly = parts.right.empty();
  for (std::string_view operand :
       {std::string_view(parts.left), std::string_view(parts.right)}) {
    if (!leftOnly && !operand.empty() && operand.front() == '$') continue;
    bool saturated = false;
    std::int32_t value = readInteger(operand, saturated);
    if (saturated)
      return "number " + numberShown(operand) +
             " is beyond the 32-bit range and counts as " + decimal(value);
  }
  return std::nullopt;
}

void appendLiteralPieces(const Word& word, std::size_t firstPiece,
                         std::string& out) {
  // A literal can name a long string many times: the sandbox bounds the text
  // as it grows. The limit is read once, as writing text could change it.
  const std::size_t limit = sandbox.maxValueBytes;
  for (std::size_t i = firstPiece; i < word.pieces.size(); ++i) {
    if (out.size() > limit) [[unlikely]]
      outOfMemory();
    const LiteralPiece& piece = word.pieces[i];
    out += piece.text;
    if (piece.reference != nullptr)
      appendVariableText(out, lookUp(*piece.reference));
  }
}

Word analyseWord(VariableList& vars, std::string_view text) {
  Word word;
  word.text = text;
  if (!text.empty() && text.front() == '$') {
    word.form = WordForm::Variable;
    word.variable = &vars.ref(text.substr(1));
  } else if (encloses(text, '[', ']')) {
    word.form = WordForm::Literal;
    analyseLiteral(vars, word);
  } else if (encloses(text, '(', ')')) {
    word.form = WordForm::Arithmetic;
    analyseArithmetic(vars, word);
  }
  return word;
}

std::int32_t expr(const Word& word) {
  if (word.leftOnly) return word.left.number;
  std::int32_t left = operandValue(word.left);
  std::int32_t right = operandValue(word.right);
  return applyOperator(word.op, left, right);
}

std::optional<std::string_view> evaluateText(const Word& word,
                                             std::string& scratch) {
  switch (word.form) {
    case WordForm::Variable: {
      CorvelVariable& variable = lookUp(*word.variable);
      switch (variable.type()) {
        case Type::String: {
          const StringValue& text = variable.asString();
          if (text.isAbsent()) return std::nullopt;
          return text.view();
        }
        case Type::File:
          return std::string_view(variable.asFile()->path());
        default:
          scratch.clear();
          appendVariableText(scratch, variable);
          return std::string_view(scratch);
      }
    }
    case WordForm::Literal:
      return literalText(word, scratch);
    case WordForm::Arithmetic:
      scratch.clear();
      appendDecimal(scratch, expr(word));
      return std::string_view(scratch);
    case WordForm::Bare:
      break;
  }
  return std::string_view();
}

StringValue evaluateString(const Word& word) {
  if (word.form == WordForm::Variable) {
    CorvelVariable& variable = lookUp(*word.variable);
    if (variable.type() == Type::String) return variable.asString();
  } else if (word.form == WordForm::Literal && word.constant) {
    return word.value;
  }
  std::string scratch;
  std::optional<std::string_view> text = evaluateText(word, scratch);
  return text ? StringValue(*text) : StringValue::absent();
}

std::string turnExpressionToString(const Word& word) {
  std::string scratch;
  std::optional<std::string_view> text = evaluateText(word, scratch);
  if (!text) return std::string();
  if (text->data() == scratch.data()) return scratch;
  return std::string(*text);
}

std::int32_t turnExpressionToInt(const Word& word) {
  switch (word.form) {
    case WordForm::Arithmetic:
      return expr(word);
    case WordForm::Variable: {
      CorvelVariable& variable = lookUp(*word.variable);
      switch (variable.type()) {
        case Type::Int:
          return variable.asInt();
        case Type::String:
          return readNumberText(variable.asString().view());
        case Type::File:
          return readNumberText(variable.asFile()->path());
        case Type::Array:
          return 0;  // the text form begins with "{"
      }
      return 0;
    }
    case WordForm::Literal: {
      std::string scratch;
      return readNumberText(literalText(word, scratch));
    }
    case WordForm::Bare:
      break;
  }
  return 0;
}

Value turnExpressionToObject(const Word& word) {
  switch (word.form) {
    case WordForm::Variable:
      return lookUp(*word.variable).value;
    case WordForm::Literal:
      return evaluateString(word);
    case WordForm::Arithmetic:
      return expr(word);
    case WordForm::Bare:
      break;
  }
  return StringValue();
}

std::shared_ptr<List> turnExpressionToArray(const Word& word) {
  if (word.form != WordForm::Variable) return std::make_shared<List>();
  CorvelVariable& variable = lookUp(*word.variable);
  if (variable.type() == Type::Array) return variable.asList();
  auto list = std::make_shared<List>();
  list->items.push_back(std::make_shared<CorvelVariable>(variable.value));
  return list;
}

std::optional<Type> getVariableTypeOfConstant(const Word& word) {
  switch (word.form) {
    case WordForm::Literal:
      return Type::String;
    case WordForm::Arithmetic:
      return Type::Int;
    case WordForm::Variable:
      if (const CorvelVariable* variable = word.variable->record)
        return variable->type();
      break;
    case WordForm::Bare:
      break;
  }
  return std::nullopt;
}

bool valuesEqual(const Value& a, const Value& b) {
  if (a.index() != b.index()) return false;
  switch (static_cast<Type>(a.index())) {
    case Type::Int:
      return std::get<std::int32_t>(a) == std::get<std::int32_t>(b);
    case Type::String: {
      const auto& x = std::get<StringValue>(a);
      const auto& y = std::get<StringValue>(b);
      return !x.isAbsent() && !y.isAbsent() && x.view() == y.view();
    }
    case Type::Array: {
      const List& x = *std::get<std::shared_ptr<List>>(a);
      const List& y = *std::get<std::shared_ptr<List>>(b);
      return x.items == y.items;
    }
    case Type::File:
      return std::get<std::shared_ptr<CorvelFile>>(a) ==
             std::get<std::shared_ptr<CorvelFile>>(b);
  }
  return false;
}

}  // namespace corvel
