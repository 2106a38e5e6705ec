#include "checker/checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "checker/closest_word.h"

namespace corvel {
namespace {

// A warning expected on a line: a piece of its message, or, after a leading
// "=", the whole message.
struct Expected {
  std::uint32_t line;
  std::string text;
};

struct Case {
  std::string source;
  std::vector<Expected> warnings;
};

void expectWarnings(const Case& c) {
  std::vector<Finding> found = checkScript(std::string_view(c.source));
  std::string all;
  for (const Finding& warning : found)
    all += "\n  " + std::to_string(warning.line) + ": " + warning.message;
  ASSERT_EQ(found.size(), c.warnings.size())
      << "script:\n"
      << c.source << "\nwarnings:" << all;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Expected& expected = c.warnings[i];
    EXPECT_EQ(found[i].line, expected.line) << c.source << all;
    if (expected.text.starts_with("=")) {
      EXPECT_EQ(found[i].message, expected.text.substr(1)) << c.source;
    } else {
      EXPECT_NE(found[i].message.find(expected.text), std::string::npos)
          << c.source << all;
    }
  }
}

void expectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) expectWarnings(c);
}

TEST(Checker, WordsThatAreNoCommand) {
  expectAll({
      {"pirnt [x]\n",
       {{1,
         "='pirnt' is no command; the line does nothing (did you mean "
         "'print'?)"}}},
      {"print [a]\nPrint [b]\n", {{2, "(did you mean 'print'?)"}}},
      {"frobnicate [x]\n",
       {{1, "='frobnicate' is no command; the line does nothing"}}},
      {"x [y]\n", {{1, "\"Unknown function x\""}}},
      {"if (1) == (1)\n{\nprint [a]\n}\n", {{2, "'{' is no command"}}},
      {"}x\n", {{1, "'}' must be a word of its own"}}},
      {"exit now\n", {{1, "'exit' works only alone on its line"}}},
      {"} else {\n", {{1, "there is no 'else'"}}},
      // A misspelt command's words are checked as the command's.
      {"string $a $b\npirnt [$a,$b]\n", {{2, "did you mean"}, {2, "'$a#,$b'"}}},
      // Lines the interpreter lets pass on purpose.
      {"#!/usr/bin/env corvel\nprint [a]\n", {}},
      {"*loop\nprint [a]\n*loop2 with words\n", {}},
      {"exit\nwait\nbeep\nterminate\n", {}},
      {"if (1) == (1) {\n}\n", {}},
      {"goto [end]\n* end\n", {}},
      {"print [a]\n* end\n", {{2, "'*end'"}}},
      {"if (1) == (2)\ngoto [end]\n* end\n", {{3, "\"Unknown function *\""}}},
  });
}

TEST(Checker, WordCounts) {
  expectAll({
      {"set\n", {{1, "'set' alone on its line does nothing"}}},
      {"print\n", {{1, "it takes at least 1 argument"}}},
      {"fclose\n", {{1, "(Usage: fclose $file)"}}},
      {"int $x\nset $x (1) (2)\n",
       {{2,
         "='set' takes 2 arguments, not 3; the run ends with \"Usage: set "
         "$variable $newValue\""}}},
      {"if (1) ==\n", {{1, "'if' takes 3 or 4 arguments, not 2"}}},
      {"int $x\nset $x (1) # one\n", {{2, "(the language has no comments)"}}},
      {"if (1) == (2) then\n", {{1, "is 'then', not '{'"}}},
      {"string $x\ncin $x and more words\n", {}},
      {"print [a] [b] [c]\n", {}},
  });
  // Words far along a line are checked too.
  std::string longLine = "print";
  for (int i = 0; i < 40; ++i) longLine += " [a]";
  expectWarnings({longLine + " $x\n", {{1, "'$x' is used"}}});
}

TEST(Checker, Labels) {
  expectAll({
      {"goto [nowhere]\n",
       {{1,
         "=no line carries the label 'nowhere', so this goto ends the "
         "run"}}},
      {"*Loop\ngoto [loop]\n", {{2, "(did you mean 'Loop'?)"}}},
      {"*loop\ngoto loop\n", {{2, "write 'goto [loop]'"}}},
      {"*loop\ngoto [loop]\ngoto [*loop]\n", {}},
      {"**\ngoto [*]\n", {}},
      {"goto [x]\n* x\n", {}},
      {"goto bare\n*\n", {}},
      {"goto [a\\$b]\n*a$b\n", {}},
      // Texts known only at run time are not checked.
      {"string $t\ngoto $t\ngoto [$USER]\n", {}},
      // A label inside a bracket left open is no line of its own.
      {"goto [end]\nprint [a\n*end\n",
       {{1, "no line carries the label 'end'"}, {2, "never closed"}}},
  });
}

TEST(Checker, BracketsAndLoadFaults) {
  expectAll({
      {"print [a\nprint [b]\n",
       {{1,
         "='[' opened here is never closed: the "
         "rest of the script becomes part of one "
         "word and never runs"}}},
      {"print [a]\nint $x\nset $x ($x\n\nprint [c]\n",
       {{3, "'(' opened here"}}},
      {"print [a (b]\n", {{1, "Unexpected ']'"}}},
      {"print [a]\\", {{1, "stray \\ at the end of the file"}}},
      // The lines before a load fault are checked one by one; labels and
      // declarations, which need the whole script, are not.
      {"pirnt [a]\ngoto [x]\nprint $y\nprint )\nprint [b]\n",
       {{1, "'pirnt'"},
        {4,
         "=Unexpected ')': corvel refuses the whole "
         "script, so none of it runs (write '\\)' for a "
         "plain bracket)"}}},
  });
  std::vector<Finding> found = checkScript("print [a]\nprint ]\n");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].error);
  EXPECT_FALSE(checkScript(std::string_view("print [a\n"))[0].error);
}

TEST(Checker, Variables) {
  expectAll({
      {"print $x\n", {{1, "='$x' is used but declared nowhere in the script"}}},
      {"print $x $x\nprint [$x]\n", {{1, "'$x' is used"}}},
      {"int $count\nprint $cuont\n", {{2, "(did you mean '$count'?)"}}},
      {"print $user\n", {{1, "(did you mean '$USER'?)"}}},
      {"print $nope\n",
       {{1,
         "="
         "'$nope' is used but declared nowhere in the "
         "script"}}},
      {"strlen s n\n", {{1, "'$s' is used"}, {1, "'$n' is used"}}},
      {"int $a\nstring $a\n",
       {{2,
         "='$a' is declared 'int' on line 1, so this 'string' declaration "
         "does nothing"}}},
      {"int $HOME\n", {{1, "predefined as a string"}}},
      {"int $a\nstring $b\nprint $", {{3, "a lone '$'"}}},
      {"string $s\nstrlen [abc] $s\n", {{2, "takes a variable here"}}},
      // Declared anywhere, with or without `$`, or predefined.
      {"print [$HOME $USER#!]\nstring $HOME\n", {}},
      {"int $a\nint $a\nset $a (1)\n", {}},
      {"set $x (1)\nint x\n", {}},
      {"string s\nint n\nstrlen s n\nstrlen $s $n\n", {}},
      {"int $n\nprint [$n#th]\n", {}},
  });
}

TEST(Checker, Conditions) {
  for (const char* op :
       {"==", "!=", "~=", "!~=", "<>", "<", ">", "<=", ">=", "=<", "=>"})
    expectWarnings({"if (1) " + std::string(op) + " (1)\nprint [a]\n", {}});
  expectAll({
      {"if (1) = (1)\nprint [a]\n", {{1, "'=' is no comparison"}}},
      {"int $n\nif $n > 5\nprint [a]\n", {{2, "write '(5)'"}}},
      {"if (1) == (1) {\nif (2) == (2) {\n}\n}\n",
       {{2, "inside the block opened on line 1"}}},
      {"if (1) == (1) {\n}\nif (2) == (2) {\n}\n", {}},
  });
}

TEST(Checker, Arithmetic) {
  const std::pair<std::string, std::string> cases[] = {
      {"($j+1)", "gives 0; write '($j + 1)'"},
      {"(2*3)", "gives 2; write '(2 * 3)'"},
      {"( $j + 1 )", "blank after '(' or before ')'"},
      {"(($j + 1) * 2)", "arithmetic does not nest"},
      {"(1 + 2 + 3)", "only '1 + 2' counts"},
      {"($j)", "='($j)' gives 0, not the value of '$j'; write '($j + 0)'"},
      {"(1 ++ 2)", "'++' is no arithmetic operator"},
      {"(1 +)", "gives its first part alone"},
      {"()", "empty"},
      {"($s + 1)", "'$s' is a string"},
      {"(5)", ""},
      {"(-3 * 2)", ""},
      {"($j + 1)", ""},
      {"(5 - -3)", ""},
      {"($j % 2)", ""},
      {"(1  +  2)", ""},
  };
  for (const auto& [word, warning] : cases) {
    Case c{"int $j\nstring $s\nset $j " + word + "\n", {}};
    if (!warning.empty()) c.warnings.push_back({3, warning});
    expectWarnings(c);
  }
}

TEST(Checker, ReferencesInLiterals) {
  const std::pair<std::string, std::string> cases[] = {
      {"[$seen/$h]",
       "='$seen/$h' is one reference, to a variable named 'seen/$h'; end it "
       "with '#' as in '$seen#/$h'"},
      {"[$h.]", "'$h#.'"},
      {"[$h\\r\\n]", "'$h#\\r'"},
      {"[cost $5]", "names no variable"},
      {"[a $ b]", "followed by a blank"},
      {"[$seen#/$h]", ""},
      {"[\\$seen/x]", ""},
      {"[$h\\n$seen $h]", ""},
      {"[$a,b]", ""},
      {"[($h#)]", ""},
  };
  for (const auto& [word, warning] : cases) {
    Case c{"string $seen $h\nint $a,b\nprint " + word + "\n", {}};
    if (!warning.empty()) c.warnings.push_back({3, warning});
    expectWarnings(c);
  }
}

TEST(Checker, CommentsAndBareWords) {
  expectAll({
      {"# note\n", {{1, "\"Unknown function #\""}}},
      {"#note\n// note\n",
       {{1, "the language has no comments"},
        {2, "the language has no comments"}}},
      {"print [a]\n#!/bin/sh\n", {{2, "no comments"}}},
      {"print [a] // b c\n", {{1, "'//' and the words after it"}}},
      {"int $a # b\n", {{1, "declared as variables"}}},
      {"print hello\n", {{1, "write '[hello]' for a text"}}},
      {"print [a]b\n", {{1, "does not end with ']'"}}},
      {"array $l\nadd $l word\n", {{2, "'add' appends nothing"}}},
  });
}

TEST(Checker, OrdersWarningsByLine) {
  expectWarnings({"print $x\nint $a\nstring $a\npirnt [b]\nprint [c\n",
                  {{1, "'$x'"}, {3, "'$a'"}, {4, "'pirnt'"}, {5, "'['"}}});
  Finding finding{"bare-word", 7, {}, "text", false, std::nullopt};
  EXPECT_EQ(formatFinding("dir/a.cv", finding),
            "dir/a.cv:7: warning: text [bare-word]\n");
  finding = {"load-error", 2, {}, "text", true, std::nullopt};
  EXPECT_EQ(formatFinding("a.cv", finding),
            "a.cv:2: error: text [load-error]\n");
}

TEST(Checker, BackslashesThatAreNoEscape) {
  expectAll({
      {"print [a\\tb]\n",
       {{1,
         "='\\t' is no escape: it gives 't'; write a real tab (or '\\\\t' "
         "for a backslash and 't')"}}},
      {"print [\\x41\\u00e9]\n",
       {{1, "write 'A' itself"}, {1, "write 'é' itself"}}},
      {"print [\\0 \\q]\n",
       {{1, "'\\0' is no escape"}, {1, "'\\q' is no escape"}}},
      // The escapes of the language, an escaped backslash before a letter, and
      // punctuation after a backslash are all meant.
      {"print [\\n\\r\\a\\\\t\\[\\]\\(\\)\\%\\$\\.]\n", {}},
      // Lines that do nothing are not checked.
      {"#!/bin/corvel \\t\n// see \\t\n", {{2, "no comments"}}},
  });
}

// The fix of the single finding of `script`: the text it replaces and the
// replacement.
std::pair<std::string, std::string> onlyFix(const std::string& script) {
  std::vector<Finding> found = checkScript(std::string_view(script));
  if (found.size() != 1 || !found[0].fix) return {"no single fix", ""};
  const Fix& fix = *found[0].fix;
  return {script.substr(fix.span.begin, fix.span.end - fix.span.begin),
          fix.text};
}

TEST(Checker, CertainFixesReplaceExactlyTheirWords) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"int $j\nset $j ($j+1)\n", "($j+1)", "($j + 1)"},
      {"int $j\nset $j ($j)\n", "($j)", "($j + 0)"},
      {"int $j\nset $j ( $j + 1)\n", "( $j + 1)", "($j + 1)"},
      {"int $j\nset $j ()\n", "()", "(0)"},
      {"pirnt [x]\n", "pirnt", "print"},
      {"string $seen $h\nprint [$seen/$h]\n", "seen/$h", "seen#/$h"},
      {"print [\xF0\x9F\x98\x80\\t]\n", "\\t", "\t"},
      {"print [cost $5]\n", "", "\\"},
      {"print [a $ b]\n", "$", "\\$"},
      {"int $n\nset $n 42\n", "42", "(42)"},
      {"array $a\nadd $a word\n", "word", "[word]"},
      {"*loop\ngoto loop\n", "loop", "[loop]"},
      {"*loop\ngoto [lop]\n", "lop", "loop"},
      {"*loop\ngoto [*lop]\n", "lop", "loop"},
      {"print [a]\n* end\n", "* end", "*end"},
  };
  for (const auto& [script, replaced, replacement] : cases) {
    auto [found, text] = onlyFix(script);
    EXPECT_EQ(found, replaced) << script;
    EXPECT_EQ(text, replacement) << script;
  }
  // A word written with an escape gets no fix: its bytes are not its text.
  std::vector<Finding> escaped =
      checkScript(std::string_view("int $j\nset $j ($j+\\%)\n"));
  ASSERT_EQ(escaped.size(), 1u);
  EXPECT_FALSE(escaped[0].fix);
}

TEST(Checker, NocheckSilencesTheCodesItNamesOnItsLine) {
  expectAll({
      {"print [\\t] ;//nocheck no-escape\n", {}},
      // Only the code named, only on its line, and the statement before it
      // when that statement ends there.
      {"print [\\t] $x ;//nocheck no-escape\nprint [\\t]\n",
       {{1, "'$x' is used"}, {2, "'\\t'"}}},
      {"print [a\n\\t];//nocheck no-escape\n", {}},
      {"print [a] ;//nocheck bare-word\nprint b\n", {{2, "bare word"}}},
      {"//nocheck\n", {{1, "names no warning code"}}},
      {"print [\\t] ;//nocheck no-escapes\n",
       {{1, "no escape"},
        {1, "='no-escapes' is no warning code (did you mean 'no-escape'?)"}}},
      // After a braceless `if` the note is what a false condition skips.
      {"if (1) == (2) ;//nocheck not-a-comparison\nprint [a]\n",
       {{1, "a braceless 'if' skips the next statement"}}},
      // A script that does not load cannot be silenced into one that does.
      {"print )\n;//nocheck load-error\n", {{1, "Unexpected ')'"}}},
  });
}

TEST(Checker, EveryCodeIsDocumentedAndEveryFindingHasOne) {
  std::ifstream file(std::string(CORVEL_SOURCE_DIR) + "/docs/checks.md");
  std::stringstream reference;
  reference << file.rdbuf();
  const std::string text = reference.str();
  for (const CheckCode& code : checkCodes()) {
    // The entry's example gets the warning it is about.
    std::size_t entry = text.find("\n### `" + std::string(code.code) + "`\n");
    ASSERT_NE(entry, std::string::npos)
        << code.code << " has no entry in docs/checks.md";
    std::size_t begin = text.find("```corvel\n", entry);
    ASSERT_NE(begin, std::string::npos) << code.code;
    begin += 10;
    std::string example = text.substr(begin, text.find("```", begin) - begin);
    std::vector<Finding> found = checkScript(std::string_view(example));
    EXPECT_TRUE(
        std::any_of(found.begin(), found.end(),
                    [&](const Finding& f) { return f.code == code.code; }))
        << code.code << "'s example:\n"
        << example;
  }
  const char* scripts[] = {
      "pirnt $x\n# a\n}x\nexit now\nx\n* y\nif (1) = (2) z\n",
      "int $a\nstring $a\nset $a ($a+1) (1)\nprint [$5 $a.]\ngoto [q]\n",
  };
  for (const char* script : scripts)
    for (const Finding& finding : checkScript(std::string_view(script)))
      EXPECT_TRUE(isCheckCode(finding.code)) << finding.message;
}

TEST(ClosestWord, SuggestsOnlyCloseCandidates) {
  const std::string_view commands[] = {"exit", "if", "md5", "print", "set"};
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"pirnt", "print"}, {"prnt", "print"}, {"PRINT", "print"}, {"fi", "if"},
      {"st", "set"},      {"md", "md5"},     {"ab", ""},         {"x", ""},
      {"echo", ""},       {"print", ""},     {"prinnnnt", ""},
  };
  for (const auto& [word, expected] : cases) {
    std::optional<std::string_view> found = closestWord(word, commands);
    EXPECT_EQ(found.value_or(""), expected) << word;
  }
  EXPECT_EQ(editDistance("abc", ""), 3u);
  EXPECT_EQ(editDistance("ab", "ba"), 1u);
  EXPECT_EQ(editDistance("Home", "HOME"), 0u);
}

}  // namespace
}  // namespace corvel
