// The specialised handlers against the generic path: every script must give the
// same output and status both ways, fall-backs included.
#include "interpreter/compiler.h"

#include <gtest/gtest.h>

#include "run_in_child.h"

namespace corvel {
namespace {

struct Case {
  const char* what;
  const char* script;
  const char* output;
  int status = 0;
};

// Each script runs specialised, fused, unfused and generic; all four must give
// the expected output and status.
void expectSameEverywhere(const Case& c) {
  Outcome expected{c.output, c.status};
  CompileOptions unfused;
  unfused.fuse = false;
  EXPECT_EQ(runInChild(c.script), expected) << c.what;
  EXPECT_EQ(runInChild(c.script, unfused), expected) << c.what << " (unfused)";
  EXPECT_EQ(runGeneric(c.script), expected) << c.what << " (generic)";
}

TEST(Compiler, IntegerAssignmentMatchesTheGenericPath) {
  const Case cases[] = {
      {"every operator",
       "int $a $b\nset $a (17)\nset $b ($a + 5)\nprint [$b ]\n"
       "set $b ($a - 20)\nprint [$b ]\nset $b ($a * $a)\nprint [$b ]\n"
       "set $b (-7 / 2)\nprint [$b ]\nset $b ($a % -5)\nprint [$b ]\n"
       "set $b ($a ^ 2)\nprint [$b]",
       "22 -3 289 -3 2 0"},
      {"fixed divisors, every sign and size",
       "int $a $b\nset $a (-2147483648)\nset $b ($a / 10)\nprint [$b ]\n"
       "set $b ($a % 10)\nprint [$b ]\nset $b ($a / -2147483648)\n"
       "print [$b ]\nset $b ($a % 7)\nprint [$b ]\nset $a (2147483647)\n"
       "set $b ($a / -3)\nprint [$b ]\nset $b ($a % -3)\nprint [$b ]\n"
       "set $b (-7 / 2)\nprint [$b ]\nset $b ($a / 1)\nprint [$b ]\n"
       "set $b ($a % -1)\nprint [$b]",
       "-214748364 -8 1 -2 -715827882 1 -3 2147483647 0"},
      {"a counting loop dividing by a fixed number",
       "int $m $s $d\nset $m (987654321)\n*d\nset $d ($m % 10)\n"
       "set $s ($s + $d)\nset $m ($m / 10)\nif $m > (0)\ngoto [d]\n"
       "print [$s]",
       "45"},
      {"wrap-around",
       "int $a\nset $a (2147483647)\nset $a ($a + 1)\nprint [$a]",
       "-2147483648"},
      {"a string operand counts as 0",
       "string $s\nint $n\nset $s [41]\nset $n ($s + 1)\nprint [$n]", "1"},
      {"a string target takes the number as text",
       "string $s\nint $n\nset $n (4)\nset $s ($n * 10)\nprint [$s]", "40"},
      {"an array target takes an empty list",
       "array $a\nadd $a [x]\nset $a (1 + 1)\nprint $a", "{}"},
      {"an undeclared target is reported and the run goes on",
       "set $x (1 + 1)\nprint [on]", "Not declared: $x\non"},
      {"division by zero ends the run",
       "int $a\nprint [a]\nset $a (1 / $a)\nprint [b]", "aDivision by zero\n", 1},
      {"a target declared after the line first ran",
       "int $i\n*loop\nset $x ($i + 1)\nint $x\nset $i ($i + 1)\n"
       "if $i < (3)\ngoto [loop]\nprint [$x]",
       "Not declared: $x\n3"},
      {"copies between variables",
       "int $a $b\nstring $s $t\nset $a (5)\nset $b $a\nset $s [hi]\n"
       "set $t $s\nset $a $s\nset $s $b\nprint [$b $t $a $s]",
       "5 hi 0 5"},
      {"fixed text into an int and a file",
       "int $n\nset $n [12abc]\nprint [$n]\nfile $f\nset $f [x]", "12Fatal error with variable type\n", 1},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

TEST(Compiler, StringAssignmentMatchesTheGenericPath) {
  const Case cases[] = {
      {"appending to itself leaves a copy alone",
       "string $a $b\nset $a [start]\nset $b $a\nset $a [$a#-more]\n"
       "set $a [$a#$a]\nprint [$a#|$b]",
       "start-morestart-more|start"},
      {"appending to an absent string",
       "file $f\nstring $a\nfreadln $f $a\nset $a [$a#x]\nprint [$a]", "x"},
      {"a literal that reads its own target",
       "string $t\nset $t [ab]\nset $t [<$t#>]\nprint [$t]", "<ab>"},
      {"an undeclared reference ends the run",
       "string $t\nset $t [x $nope]\nprint [never]", "Not declared: $nope\n", 1},
      {"an int target reads the literal as a number",
       "int $n\nint $m\nset $m (7)\nset $n [$m#0]\nprint [$n]", "70"},
      {"fixed literals with escapes, at both ends too",
       "string $a\nint $n\nset $a [x\\]]\nprint [$a#|]\n"
       "set $a [\\\\\\n]\nprint [$a#|]\nset $a [\\(a\\rb\\)]\nprint [$a#|]\n"
       "set $n [4\\2]\nprint [$n#|]\narray $l\nset $l [{p\\n}]\nprint $l",
       "x]|\\\n|(a\rb)|42|{}"},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

TEST(Compiler, ComparisonsAndJumpsMatchTheGenericPath) {
  const Case cases[] = {
      {"a counting loop",
       "int $i\n*top\nset $i ($i + 1)\nif $i < (1000)\ngoto [top]\nprint [$i]",
       "1000"},
      {"counting loops of every operator",
       "int $i $j $k\n*a\nset $i ($i + 3)\nif $i < (10)\ngoto [a]\n"
       "set $j (100)\n*b\nset $j ($j / 3)\nif $j >= (2)\ngoto [b]\n"
       "set $k (1)\n*c\nset $k ($k * -2)\nif $k =< $i\ngoto [c]\n"
       "print [$i $j $k]",
       "12 1 16"},
      {"a counting loop whose bound is a string, then an undeclared one",
       "int $i\nstring $n\nset $n [3]\n*a\nset $i ($i + 1)\nif $i < $n\n"
       "goto [a]\nprint [$i ]\n*b\nset $i ($i - 1)\nif $i > $nope\n"
       "goto [b]",
       "3 Not declared: $nope\n", 1},
      {"a counting loop entered at its test",
       "int $i\nset $i (5)\ngoto [test]\n*top\nset $i ($i + 1)\n*test\n"
       "if $i < (7)\ngoto [top]\nprint [$i]",
       "7"},
      {"every integer comparison, both ways",
       "int $a\nset $a (3)\nif $a < (4)\nprint [1]\nif $a > (4)\nprint [2]\n"
       "if $a >= (3)\nprint [3]\nif $a => (4)\nprint [4]\nif $a <= (2)\n"
       "print [5]\nif $a =< ($a + 0)\nprint [6]\nif [3x] < (4)\nprint [7]",
       "1367"},
      {"a string variable compared as an integer",
       "string $s\nset $s [12]\nif $s > (11)\nprint [yes]", "yes"},
      {"an undeclared operand ends the run",
       "if $nope < (1)\nprint [x]", "Not declared: $nope\n", 1},
      {"text comparisons",
       "string $a $b\nset $a [x]\nset $b [x]\nif $a ~= $b\nprint [1]\n"
       "if $a !~= [x]\nprint [2]\nif $a <> [y]\nprint [3]\nif bare ~= []\n"
       "print [4]\nint $n\nif $n ~= [0]\nprint [5]",
       "1345"},
      {"value equality: kinds must match",
       "int $n\nstring $s\narray $a $b\nfile $f $g\nset $s [0]\nif $n == (0)\n"
       "print [1]\nif $n == [0]\nprint [2]\nif $s == [0]\nprint [3]\n"
       "if $s != (0)\nprint [4]\nif $a == $b\nprint [5]\nset $b $a\n"
       "if $a == $b\nprint [6]\nif $f == $g\nprint [7]\nset $g $f\n"
       "if $f != $g\nprint [8]\nif ($n + 1) == (1)\nprint [9]\n"
       "if bare == []\nprint [a]\nif $n == $s\nprint [b]",
       "134569a"},
      {"equality with an undeclared side, and a fused goto",
       "int $i\n*t\nset $i ($i + 1)\nif $i != (3)\ngoto [t]\nprint [$i]\n"
       "if (1) == $nope\nprint [x]",
       "3Not declared: $nope\n", 1},
      {"an absent string equals nothing",
       "file $f\nstring $a\nfreadln $f $a\nif $a ~= []\nprint [1]\n"
       "if $a !~= []\nprint [2]",
       "2"},
      {"a false block and blocks that do not nest",
       "if (1) > (2) {\nprint [a]\nif (1) < (2) {\nprint [b]\n}\nprint [c]\n}\n"
       "print [d]",
       "cd"},
      {"an operator that never holds evaluates nothing",
       "if $nope = (1)\nprint [a]\nprint [b]", "b"},
      {"a block if whose fifth word is no brace",
       "if (1) < (2) x\nprint [a]\nif (2) < (1) x\nprint [b]",
       "aExpecting '{' as last parameter of if.\n", 1},
      {"an if as the last line", "print [a]\nif (2) < (1)", "a"},
      {"a fused goto reached by a skip",
       "int $i\nif (1) > (2)\nif $i < (5)\ngoto [end]\nprint [a]\n*end\nprint "
       "[b]",
       "b"},
      {"a label defined twice: the nearest one before wins",
       "int $i\n*a\nprint [1]\n*a\nprint [2]\nset $i ($i + 1)\nif $i < (2)\n"
       "goto [a]\nprint [.]",
       "122."},
      {"a label only after the goto, written with its star",
       "goto [*b]\nprint [x]\n*b\nprint [y]", "y"},
      {"a missing label ends the run",
       "print [a]\ngoto [nowhere]\nprint [b]", "a"},
      {"a goto whose label comes from a variable",
       "string $l\nset $l [b]\ngoto $l\n*a\nprint [a]\n*b\nprint [b]", "b"},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

TEST(Compiler, JumpsThroughAVariableMatchTheGenericPath) {
  const Case cases[] = {
      {"a subroutine returning to two places in turn",
       "int $i $y\nstring $ret\n*top\nset $i ($i + 1)\nset $ret [r1]\n"
       "goto [double]\n*r1\nprint [$y#,]\nset $ret [r2]\ngoto [double]\n*r2\n"
       "print [$y#;]\nif $i < (3)\ngoto [top]\ngoto [end]\n*double\n"
       "set $y ($i * 2)\ngoto $ret\n*end",
       "2,2;4,4;6,6;"},
      {"more labels through one jump than it remembers",
       "string $next\nint $n\nset $next [l0]\n*go\nset $n ($n + 1)\n"
       "if $n > (23)\ngoto [end]\ngoto $next\n*l0\nprint [0]\nset $next [l1]\n"
       "goto [go]\n*l1\nprint [1]\nset $next [l2]\ngoto [go]\n*l2\nprint [2]\n"
       "set $next [l3]\ngoto [go]\n*l3\nprint [3]\nset $next [l4]\ngoto [go]\n"
       "*l4\nprint [4]\nset $next [l5]\ngoto [go]\n*l5\nprint [5]\n"
       "set $next [l6]\ngoto [go]\n*l6\nprint [6]\nset $next [l7]\ngoto [go]\n"
       "*l7\nprint [7]\nset $next [l8]\ngoto [go]\n*l8\nprint [8]\n"
       "set $next [l9]\ngoto [go]\n*l9\nprint [9]\nset $next [l10]\n"
       "goto [go]\n*l10\nprint [.]\nset $next [l0]\ngoto [go]\n*end",
       "0123456789.0123456789.0"},
      {"labels written with a star, a lone star and nothing",
       "string $l\nset $l [*b]\ngoto $l\nprint [x]\n*b\nprint [b]\n"
       "set $l [*]\ngoto $l\nprint [y]\n**\nprint [s]\nset $l []\ngoto $l\n"
       "print [z]\n* e\nprint [e]",
       "bse"},
      {"the absent string names the empty label",
       "file $f\nstring $l\nfreadln $f $l\ngoto $l\nprint [x]\n* e\n"
       "print [e]",
       "e"},
      {"a long label made twice, then changed after a jump",
       "string $l $b\nint $n\nset $l [averyveryverylonglabel]\n"
       "set $b [averyvery]\nset $b [$b#verylonglabel]\n*again\n"
       "set $n ($n + 1)\ngoto $l\n*averyveryverylonglabel\nprint [1]\n"
       "if $n == (1)\nset $l $b\nif $n == (2)\nset $l [$l#x]\ngoto [again]\n"
       "*averyveryverylonglabelx\nprint [2]",
       "112"},
      {"the nearest label before the jump, else the first after",
       "string $l\nint $n\nset $l [x]\ngoto [first]\n*x\nprint [a]\n"
       "*first\nset $n ($n + 1)\nif $n > (2)\ngoto [end]\ngoto $l\n*x\n"
       "print [b]\n*end\nset $l [y]\ngoto $l\nprint [c]\n*y\nprint [d]",
       "aad"},
      {"a label held by an int, and a missing one",
       "int $n\nstring $l\nset $n (5)\ngoto $n\nprint [x]\n*5\nprint [five]\n"
       "set $l [nowhere]\ngoto $l\nprint [y]",
       "five"},
      {"an undeclared label variable", "goto $nope\nprint [x]",
       "Not declared: $nope\n", 1},
      {"a call whose return variable is an int",
       "int $r\nset $r [12x]\ngoto [show]\nprint [no]\n*show\nprint [$r]",
       "12"},
      {"loops that test at the top, reaching their test by a step and a jump",
       "int $i $j $n\nstring $s\nset $n (3)\nset $s [2]\n*a\nif $i >= $n\n"
       "goto [b]\nprint [$i]\nset $i ($i + 1)\ngoto [a]\n*b\nif $j > $s\n"
       "goto [c]\nprint [$j]\nset $j ($j + 1)\ngoto [b]\n*c\nset $i $j\n"
       "goto [d]\nprint [x]\n*d\nif $i <= (9)\ngoto [e]\n*e\nprint [.$i]\n"
       "set $i ($i - 1)\ngoto [f]\n*f\nif $i >= (0)\ngoto [e]\n"
       "if $i =< $nope\nprint [x]",
       "012012.3.2.1.0Not declared: $nope\n", 1},
      {"a test whose variable is no int when the loop comes back to it",
       "int $i\nstring $t\n*a\nif $i > (2)\ngoto [b]\nprint [$i]\n"
       "set $i ($i + 1)\ngoto [a]\n*b\nset $t [5]\n*c\nif $t < (1)\n"
       "goto [d]\nprint [t]\nset $t ($t - 2)\ngoto [c]\n*d\nprint [end]",
       "012tend"},
      {"two statements run as one, and the second gone the generic way",
       "int $m $d $s\nstring $x\nset $m (1234)\n*digit\nset $d ($m % 10)\n"
       "set $s ($s + $d)\nset $m ($m / 10)\nif $m > (0)\ngoto [digit]\n"
       "print [$s ]\narray $l $p\nadd $p [w]\nadd $l $p\nadd $l (5)\n"
       "getarray $p $l (0)\ngetarray $x $p (0)\nprint [$x ]\n"
       "getarray $p $l (1)\ngetarray $x $p (0)\nprint [$x]\n"
       "getarray $p $l (2)\ngetarray $x $p (0)",
       "10 w 5Array index out of bounds: 2", 1},
      {"steps before a fixed goto that go the generic way",
       "string $s\nint $i\n*top\nset $i ($i + 1)\nset $s ($i * 2)\n"
       "goto [check]\n*check\nprint [$s ]\nif $i < (3)\ngoto [top]\n"
       "set $x (1)\ngoto [end]\nprint [no]\n*end",
       "2 4 6 Not declared: $x\n"},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
  // Many more return labels through one jump than it has room for, each
  // called from two places, in an order that keeps pushing the others out.
  std::string script = "int $i $n\nstring $ret\n*top\n";
  std::string expected;
  for (int round = 0; round < 2; ++round) {
    for (int k = 0; k < 40; ++k) {
      std::string label = "r";
      label += std::to_string(k);
      label += 'x';
      label += std::to_string(round);
      std::string digit = std::to_string(k % 10);
      script += "set $ret [";
      script += label;
      script += "]\ngoto [sub]\n*";
      script += label;
      script += "\nprint [";
      script += digit;
      script += "]\n";
      expected += digit;
    }
  }
  script +=
      "set $i ($i + 1)\nif $i < (3)\ngoto [top]\nexit\n*sub\n"
      "set $n ($n + 1)\ngoto $ret";
  expected = expected + expected + expected;
  expectSameEverywhere(
      {"eighty return labels", script.c_str(), expected.c_str()});
}

TEST(Compiler, ArrayElementsMatchTheGenericPath) {
  // Elements: (7), [seven], {[x]}, a file, [12 apples], a long text.
  const std::string list =
      "array $a $b $inner\nint $n $i\nstring $s\nfile $f\nadd $a (7)\n"
      "add $a [seven]\nadd $inner [x]\nadd $a $inner\nadd $a $f\n"
      "add $a [12 apples]\nadd $a [a text longer than fifteen bytes]\n";
  const Case cases[] = {
      {"an element of each type into an int",
       "getarray $n $a (0)\nprint [$n ]\ngetarray $n $a (1)\nprint [$n ]\n"
       "getarray $n $a (2)\nprint [$n ]\ngetarray $n $a (3)\nprint [$n ]\n"
       "getarray $n $a (4)\nprint [$n]",
       "7 0 0 0 12"},
      {"an element of each type into a string, short and long",
       "set $s [a long text already held by s]\ngetarray $s $a (0)\n"
       "print [$s ]\ngetarray $s $a (5)\nprint [$s ]\ngetarray $s $a (1)\n"
       "print [$s ]\ngetarray $s $a (2)\nprint [$s ]\ngetarray $s $a (3)\n"
       "print [<$s#>]",
       "7 a text longer than fifteen bytes seven {[x]} <>"},
      {"a list element is shared, anything else wrapped",
       "getarray $b $a (2)\nadd $b [y]\nprint $a\ngetarray $b $a (0)\n"
       "print $b\ngetarray $a $a (2)\nprint $a",
       "{(7), [seven], {[x], [y]}, ||, [12 apples], [a text longer than "
       "fifteen "
       "bytes]}{(7)}{[x], [y]}"},
      {"indexes of every kind",
       "set $i (1)\ngetarray $s $a $i\nprint [$s ]\ngetarray $s $a ($i + 3)\n"
       "print [$s ]\ngetarray $s $a [1abc]\nprint [$s ]\nstring $t\n"
       "set $t [4]\ngetarray $s $a $t\nprint [$s ]\ngetarray $s $a bare\n"
       "print [$s]",
       "seven 12 apples seven 12 apples 7"},
      {"a file element shared, and a text refused, by a file target",
       "file $g\ngetarray $g $a (3)\nif $g == $f\nprint [same ]\n"
       "getarray $g $a (1)",
       "same Cannot cast file to other data type.\n", 1},
      {"an index past the end", "getarray $n $a (6)",
       "Array index out of bounds: 6", 1},
      {"a negative index", "set $i (-1)\ngetarray $n $a $i",
       "Array index out of bounds: -1", 1},
      {"an undeclared target", "getarray $x $a (0)", "Not declared: $x\n", 1},
      {"an array that is no array", "getarray $n $s (0)", "Not an array: $s\n",
       1},
      {"an undeclared index", "getarray $n $a $nope", "Not declared: $nope\n",
       1},
  };
  for (const Case& c : cases) {
    std::string source = list + c.script;
    expectSameEverywhere({c.what, source.c_str(), c.output, c.status});
  }
}

TEST(Compiler, ElementsOfElementsMatchTheGenericPath) {
  // A table of pairs: {[a], (1)}, {[b], (2)}, a bare int, a long text first,
  // an empty list, and a pair whose second item is a text.
  const std::string table =
      "array $t $p $q $p0 $p1 $p3 $p4 $p5\nint $k $n $c\nstring $w\n"
      "add $p0 [a]\nadd $p0 (1)\nadd $t $p0\nadd $p1 [b]\nadd $p1 (2)\n"
      "add $t $p1\nadd $t (9)\nadd $p3 [a text longer than fifteen bytes]\n"
      "add $p3 (3)\nadd $t $p3\nadd $t $p4\nadd $p5 [c]\nadd $p5 [x]\n"
      "add $t $p5\n";
  const Case cases[] = {
      {"a search through the table, ints and texts read as pairs",
       "set $k (0)\n*find\ngetarray $p $t $k\ngetarray $w $p (0)\n"
       "if $w ~= [b]\ngoto [found]\nset $k ($k + 1)\ngoto [find]\n*found\n"
       "getarray $p $t (1)\ngetarray $c $p (1)\nprint [$k $w $c ]\n"
       "add $p [more]\nprint $t",
       "1 b 2 {{[a], (1)}, {[b], (2), [more]}, (9), {[a text longer than "
       "fifteen bytes], (3)}, {}, {[c], [x]}}"},
      {"a long text, a text into an int, an int into a text",
       "getarray $p $t (3)\ngetarray $w $p (0)\nprint [$w ]\n"
       "getarray $p $t (5)\ngetarray $n $p (1)\nprint [$n ]\n"
       "getarray $p $t (0)\ngetarray $w $p (1)\nprint [$w ]\nprint $p",
       "a text longer than fifteen bytes 0 1 {[a], (1)}"},
      {"the outer element no list",
       "getarray $p $t (2)\ngetarray $w $p (0)\nprint [$w ]\nprint $p",
       "9 {(9)}"},
      {"the inner index past the end of an empty list",
       "getarray $p $t (4)\ngetarray $w $p (0)\nprint [never]",
       "Array index out of bounds: 0", 1},
      {"the outer index past the end", "getarray $p $t (6)\ngetarray $w $p (0)",
       "Array index out of bounds: 6", 1},
      {"the inner read into the list it reads from, and into the table",
       "getarray $p $t (1)\ngetarray $p $p (0)\nprint $p\narray $q\n"
       "getarray $q $t (0)\ngetarray $t $q (1)\nprint $t",
       "{[b]}{(1)}"},
      {"the outer variable no list", "getarray $w $t (0)\ngetarray $w $w (0)",
       "Not an array: $w\n", 1},
  };
  for (const Case& c : cases) {
    std::string source = table + c.script;
    expectSameEverywhere({c.what, source.c_str(), c.output, c.status});
  }
}

TEST(Compiler, SearchesThroughATableMatchTheGenericPath) {
  // A table of 600 pairs [wK], (K) made by a loop, so that a search runs past
  // the rounds one instruction takes at a time, then searched the way a
  // counting table is.
  const std::string table =
      "array $t $p $new\nint $k $n $c\nstring $w $word\n*fill\n"
      "add $new [w$k]\nadd $new $k\nadd $t $new\narrdel $new (1)\n"
      "arrdel $new (0)\nset $k ($k + 1)\nif $k < (600)\ngoto [fill]\n"
      "arrlen $t $n\n";
  const std::string search =
      "set $k (0)\n*find\nif $k >= $n\ngoto [missing]\n"
      "getarray $p $t $k\ngetarray $w $p (0)\nif $w ~= $word\n"
      "goto [found]\nset $k ($k + 1)\ngoto [find]\n*missing\n"
      "print [missing $k ]\nprint $p\nexit\n*found\ngetarray $c $p (1)\n"
      "print [found $k $w $c]\n";
  const Case cases[] = {
      {"the first pair", "set $word [w0]\n", "found 0 w0 0"},
      {"a pair past many rounds", "set $word [w599]\n", "found 599 w599 599"},
      {"no pair: the last pair read stays read",
       "set $word [nothing]\n", "missing 600 {[w599], (599)}"},
      {"an element that is no pair on the way, read as a list of one",
       "add $t (7)\nset $n (601)\nset $word [7]\n",
       "Array index out of bounds: 1", 1},
      {"a pair whose first item is an int, read as text",
       "array $q\nadd $q (42)\nadd $q (1)\nadd $t $q\nset $n (601)\n"
       "set $word [42]\n",
       "found 600 42 1"},
      {"a long text on the way and found",
       "array $q\nadd $q [a text longer than fifteen bytes]\nadd $q (5)\n"
       "add $t $q\nset $n (601)\nset $word [a text longer than fifteen "
       "bytes]\n",
       "found 600 a text longer than fifteen bytes 5"},
      {"a search that runs past the end of the table",
       "set $n (700)\nset $word [nothing]\n",
       "Array index out of bounds: 600", 1},
  };
  for (const Case& c : cases) {
    std::string source = table + c.script + search;
    expectSameEverywhere({c.what, source.c_str(), c.output, c.status});
  }
  // The test that differs, and a step of another kind.
  std::string differ = table +
                       "set $word [w3]\nset $k (0)\n*find\nif $k >= $n\n"
                       "goto [done]\ngetarray $p $t $k\ngetarray $w $p (0)\n"
                       "if $w <> $word\ngoto [other]\nset $k ($k + 2)\n"
                       "goto [find]\n*other\nset $c ($c + 1)\n"
                       "set $k ($k + 1)\ngoto [find]\n*done\nprint [$c]";
  expectSameEverywhere({"a test that differs", differ.c_str(), "598"});
  // A test that reads the pair the round has just read (an array is never
  // the same as a text), then the pair it leaves behind.
  std::string aliased =
      table +
      "set $word [w7]\nset $k (0)\n*find\nif $k >= $n\ngoto [done]\n"
      "getarray $p $t $k\ngetarray $w $p (0)\nif $p ~= $word\ngoto [done]\n"
      "set $k ($k + 1)\ngoto [find]\n*done\nprint [$k ]\nprint $p";
  expectSameEverywhere(
      {"a test that reads the pair", aliased.c_str(), "600 {[w599], (599)}"});
  // The pair read out of the very variable that holds the table: each round
  // reads the pair the round before left there.
  std::string itself =
      table +
      "set $word [w7]\nset $k (0)\nset $p $t\n*find\nif $k >= $n\n"
      "goto [done]\ngetarray $p $p $k\ngetarray $w $p (0)\n"
      "if $w ~= $word\ngoto [done]\nset $k ($k + 1)\ngoto [find]\n*done\n"
      "print [$k ]\nprint $p";
  expectSameEverywhere({"the pair read out of its own variable",
                        itself.c_str(), "Array index out of bounds: 2", 1});
}

TEST(Compiler, AddingAndRemovingElementsMatchesTheGenericPath) {
  const Case cases[] = {
      {"an item of every kind added, an undeclared one not",
       "array $l $m\nint $n\nstring $s $t\nfile $f $g\nset $n (4)\n"
       "set $s [a text longer than fifteen bytes]\nfreadln $g $t\nadd $m [x]\n"
       "add $l $n\nadd $l $s\nadd $l $t\nadd $l $m\nadd $l $f\nadd $l $nope\n"
       "add $l (5)\nadd $l bare\nset $n (6)\nprint $l\narrlen $l $n\n"
       "print [ $n]\nadd $n $n",
       "{(4), [a text longer than fifteen bytes], [], {[x]}, ||, (5)} 6"
       "Cannot add item to something that's not an array.\n",
       1},
      {"positions removed at the front, the back and between, by every kind "
       "of index",
       "array $l\nint $i\nstring $s\n*fill\nadd $l $i\nset $i ($i + 1)\n"
       "if $i < (8)\ngoto [fill]\narrdel $l (0)\nset $i (6)\narrdel $l $i\n"
       "set $s [2]\narrdel $l $s\narrdel $l ($i - 3)\narrdel $l [0x]\n"
       "print $l\nset $i (-1)\narrdel $l $i",
       "{(2), (4), (6)}Array index out of bounds: -1", 1},
      {"a position past the end, and a list that is no list",
       "array $l\nadd $l (1)\nint $n\narrdel $n (0)", "Not an array: $n\n", 1},
      {"an undeclared position", "array $l\nadd $l (1)\narrdel $l $nope",
       "Not declared: $nope\n", 1},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

TEST(Compiler, StraightLineStepsGoingOnIntoTheNextMatchTheGenericPath) {
  const Case cases[] = {
      {"steps of every kind, some going the generic way",
       "int $a $b\nstring $s $t\narray $l\nset $a (1)\nset $b ($a + 1)\n"
       "set $s $b\nset $a ($a * 3)\nset $t [x]\nadd $l $t\nset $s $t\n"
       "getarray $b $l (0)\nset $t $s\nstrlen $t $a\nset $b (1 / $b)",
       "Division by zero\n", 1},
      {"a step that a jump lands on after the one before it",
       "int $a $i\ngoto [in]\n*top\nset $a ($a + 10)\n*in\nset $a ($a + 1)\n"
       "set $i ($i + 1)\nif $i < (3)\ngoto [top]\nprint [$a]",
       "23"},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
  // A long run of such steps: only every other one goes on into the next, so
  // no chain of calls grows with the script.
  std::string script = "int $i\n";
  for (int i = 0; i < 200000; ++i) script += "set $i ($i + 1)\n";
  script += "print [$i]";
  EXPECT_EQ(runInChild(script), (Outcome{"200000", 0}));
}

TEST(Compiler, CommandsCalledDirectlyMatchTheGenericPath) {
  const Case cases[] = {
      {"md5 of itself, and into a variable that is no string",
       "string $h\nmd5 $h $h\nprint [$h ]\nint $n\nmd5 [abc] $n\nprint [x]",
       "d41d8cd98f00b204e9800998ecf8427e Not a string: $n\n", 1},
      {"md5 of an undeclared word before its target is checked",
       "md5 $nope $alsonope", "Not declared: $nope\n", 1},
      {"strlen of every type, and targets that go on",
       "string $s\nset $s [h\xC3\xA9\xF0\x9F\x98\x80]\nint $n\nstrlen $s $n\n"
       "print [$n ]\narray $a\nadd $a [x]\nstrlen $a $n\nprint [$n ]\n"
       "strlen $s $m\nstrlen $s $s\nstrlen $nope $n",
       "4 5 Not declared: $m\nNot an int: $s\nNot declared: $nope\n", 1},
      {"substr walking a text and failing past its end",
       "string $s $c\nset $s [ab\xC3\xA9]\nint $i\n*w\nset $c $s\n"
       "substr $c $i ($i + 1)\nprint [$c#.]\nset $i ($i + 1)\nif $i < (4)\n"
       "goto [w]",
       "a.b.\xC3\xA9.Fatal error.  Substring out of bounds.\n", 1},
      {"a copy then a cut, with bounds of every kind",
       "string $s $c\nint $i $two\nset $two [2]\nset $s [h\xC3\xA9llo]\n"
       "set $c $s\nsubstr $c (1) (3)\nprint [$c ]\nset $i (1)\nset $c $s\n"
       "substr $c $i ($i + 3)\nprint [$c ]\nset $c $s\nsubstr $c [1] $two\n"
       "print [$c ]\nset $c $s\nsubstr $c (0) $nope",
       "\xC3\xA9l \xC3\xA9ll \xC3\xA9 Not declared: $nope\n", 1},
      {"a copy then a cut past the end, and a cut of another variable",
       "string $s $c $d\nset $s [abc]\nset $d $s\nsubstr $c (0) (0)\n"
       "print [<$c#>]\nset $c $s\nsubstr $c (2) (9)",
       "<>Fatal error.  Substring out of bounds.\n", 1},
      {"a cut of a variable that is no string goes on",
       "int $n\nsubstr $n (0) (0)\nprint [on]", "Not string: $n\non"},
      {"arrays: add, count, get and delete",
       "array $a\nint $n\nstring $s\nadd $a [x]\nadd $a (7)\nadd $a $a\n"
       "arrlen $a $n\ngetarray $s $a (2)\narrdel $a (0)\nprint [$n $s ]\n"
       "print $a\narrdel $a (5)",
       "3 {[x], (7)} {(7), {[x], (7)}}Array index out of bounds: 5", 1},
      {"files: write, read back, end",
       "file $f\nstring $l\nint $d\nfopen $f [t.txt] [w]\nfwrite $f [a\nb]\n"
       "fclose $f\nfopen $f [t.txt] [r]\nfreadln $f $l\nfdone $f $d\n"
       "print [$l $d ]\nfread $f $l (5)\nfdone $f $d\nprint [$l $d]\n"
       "fclose $f\nunlink [t.txt]",
       "a 0 b 1"},
      {"a lone dollar where a name stands", "strupper $", "Invalid variable name: $\n", 1},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

TEST(Compiler, PrintsMatchTheGenericPath) {
  const Case cases[] = {
      {"fixed words", "print [a] bare (1 + 1) [b\\n]", "a2b\n"},
      {"escaped literals alone and beside a variable",
       "int $n\nprint [\\(\\]]\nprint [<\\a>] $n [\\\\]", "(]<\a>0\\"},
      {"words in order, a fault after the first",
       "print [x] $nope [y]", "xNot declared: $nope\n", 1},
      {"a variable of each type",
       "int $n\narray $a\nadd $a (1)\nfile $f\nprint $n [,] $a [,] $f", "0,{(1)},"},
  };
  for (const Case& c : cases) expectSameEverywhere(c);
}

}  // namespace
}  // namespace corvel
