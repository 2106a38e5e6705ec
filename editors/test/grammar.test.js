// Checks the TextMate grammar by tokenising scripts with the engine VS Code uses.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');

// The TextMate engine comes from npm (`make editor-deps`). A build without it, such as a
// distribution's from the source tarball, skips the tests that tokenise instead of failing them.
let tokenise = null;
try {
  ({ tokenise } = require('../tokenise'));
} catch (error) {
  if (error.code !== 'MODULE_NOT_FOUND') throw error;
}
const engine = { skip: !tokenise && 'the npm packages are not installed (npm ci in editors/)' };

const root = path.join(__dirname, '..', '..');

// `wanted` matches a scope equal to it or below it: "string" matches "string.quoted.other.corvel".
function hasScope(scopes, wanted) {
  return scopes.some((s) => s === wanted || s.startsWith(wanted + '.'));
}

// The tokens of 1-based line `lineNo` that overlap the `nth` occurrence of `needle`.
function tokensOf(lines, lineNo, needle, nth = 0) {
  const tokens = lines[lineNo - 1];
  assert.ok(tokens, `no line ${lineNo}`);
  const text = tokens.map((t) => t.text).join('');
  let at = -1;
  for (let i = 0; i <= nth; i++) {
    at = text.indexOf(needle, at + 1);
    assert.notEqual(at, -1, `line ${lineNo} ${JSON.stringify(text)} has no ${JSON.stringify(needle)} #${nth}`);
  }
  const found = [];
  let start = 0;
  for (const token of tokens) {
    const end = start + token.text.length;
    if (end > at && start < at + needle.length) found.push(token);
    start = end;
  }
  return found;
}

function describe(tokens) {
  return tokens.map((t) => `${JSON.stringify(t.text)} ${t.scopes.join(' ')}`).join('\n');
}

// Asserts that every token of `needle` carries each scope of `wanted`.
function expectScopes(lines, lineNo, needle, wanted, nth = 0) {
  const tokens = tokensOf(lines, lineNo, needle, nth);
  for (const scope of [].concat(wanted)) {
    assert.ok(
      tokens.every((t) => hasScope(t.scopes, scope)),
      `line ${lineNo}: ${JSON.stringify(needle)} should be ${scope}, is\n${describe(tokens)}`,
    );
  }
}

// Asserts that no token of `needle` carries `unwanted`.
function expectNotScope(lines, lineNo, needle, unwanted, nth = 0) {
  const tokens = tokensOf(lines, lineNo, needle, nth);
  assert.ok(
    tokens.every((t) => !hasScope(t.scopes, unwanted)),
    `line ${lineNo}: ${JSON.stringify(needle)} should not be ${unwanted}, is\n${describe(tokens)}`,
  );
}

async function tokeniseFile(relative) {
  return tokenise(fs.readFileSync(path.join(root, relative), 'utf8'));
}

const COMMAND = 'support.function.builtin';
const CONTROL = 'keyword.control';
const TYPE = 'storage.type';
const VARIABLE = 'variable.other';
const STRING = 'string.quoted';
const ESCAPE = 'constant.character.escape';
const ARITHMETIC = 'meta.arithmetic';
const LABEL = 'entity.name.label';

test('the tour: commands, literals with references, arithmetic, labels and blocks', engine, async () => {
  const lines = await tokeniseFile('examples/tour.cv');
  expectScopes(lines, 1, 'print', COMMAND);
  expectScopes(lines, 1, '$USER', [VARIABLE, STRING]);
  expectScopes(lines, 1, '#', 'punctuation.terminator.reference');
  expectNotScope(lines, 1, '!', VARIABLE);
  expectScopes(lines, 1, '\\n', [ESCAPE, STRING], 1);
  expectScopes(lines, 3, 'int', TYPE);
  expectScopes(lines, 3, '$total', VARIABLE);
  expectNotScope(lines, 3, '$total', STRING);
  expectScopes(lines, 7, 'add', COMMAND, 2);
  expectScopes(lines, 7, ';', 'punctuation.terminator.statement');
  expectScopes(lines, 9, '$colours', [VARIABLE, STRING]);
  expectNotScope(lines, 9, ' holds ', VARIABLE);
  expectScopes(lines, 11, '*sum', LABEL);
  expectScopes(lines, 12, '($i + 1)', ARITHMETIC);
  expectScopes(lines, 12, '$i', VARIABLE, 1);
  expectScopes(lines, 12, '+', 'keyword.operator.arithmetic');
  expectScopes(lines, 12, '1', 'constant.numeric');
  expectScopes(lines, 14, 'if', CONTROL);
  expectScopes(lines, 14, '<', 'keyword.operator.comparison');
  expectScopes(lines, 14, '{', 'punctuation.section.block.begin');
  expectScopes(lines, 15, 'goto', CONTROL);
  expectScopes(lines, 15, '[sum]', STRING);
  expectScopes(lines, 16, '}', 'punctuation.section.block.end');
  expectScopes(lines, 19, 'Straße', STRING);
  expectScopes(lines, 28, 'fopen', COMMAND);
});

test('golden scripts: statement boundaries, escapes, labels, operators and references', engine, async () => {
  let lines = await tokeniseFile('tests/scripts/loader/statement_boundaries.cv');
  expectScopes(lines, 1, 'print', COMMAND, 1);
  expectScopes(lines, 2, 'c;d', STRING);
  expectScopes(lines, 4, 'f', STRING);
  expectScopes(lines, 5, 'print', COMMAND);
  // A tab joins two words into one, so this line holds no command.
  expectNotScope(lines, 6, 'print', COMMAND);
  // A lone carriage return ends the statement as a line feed does.
  expectScopes(lines, 9, 'print', COMMAND);

  lines = await tokeniseFile('tests/scripts/loader/escapes.cv');
  for (const escape of ['\\$', '\\[', '\\)', '\\%', '\\\\', '\\a']) {
    expectScopes(lines, 2, escape, [ESCAPE, STRING]);
  }
  expectNotScope(lines, 2, '5,', VARIABLE);
  expectScopes(lines, 4, '\\[', ESCAPE);
  expectNotScope(lines, 4, 'x', STRING);
  expectScopes(lines, 8, '\\]', ESCAPE);

  lines = await tokeniseFile('tests/scripts/control_flow/goto_label_forms.cv');
  expectScopes(lines, 1, 'goto', CONTROL);
  expectScopes(lines, 1, 'print', COMMAND);
  expectScopes(lines, 2, '*a', LABEL);
  expectScopes(lines, 3, 'set', COMMAND);
  expectScopes(lines, 8, '**', LABEL);
  expectScopes(lines, 11, '* x', LABEL);
  expectScopes(lines, 16, '*in', LABEL);

  lines = await tokeniseFile('tests/scripts/control_flow/if_operators.cv');
  for (const [lineNo, operator] of [[7, '=='], [17, '!='], [20, '~='], [25, '!~='], [27, '<>'],
    [29, '<'], [32, '>'], [35, '>='], [36, '=>'], [37, '<='], [39, '=<']]) {
    expectScopes(lines, lineNo, operator, 'keyword.operator.comparison');
    expectScopes(lines, lineNo, 'print', COMMAND);
  }
  expectScopes(lines, 41, '=', 'invalid.illegal');
  expectNotScope(lines, 42, 'eq', 'keyword.operator');

  lines = await tokeniseFile('tests/scripts/evaluation/string_literals.cv');
  expectScopes(lines, 5, '\\$', ESCAPE);
  expectNotScope(lines, 5, 'x', VARIABLE);
  expectScopes(lines, 6, '$n', [VARIABLE, STRING]);
  expectNotScope(lines, 6, ' items', VARIABLE);
  // Arithmetic inside a literal is text; a reference there ends at the '#'.
  expectNotScope(lines, 7, '(', ARITHMETIC);
  expectScopes(lines, 7, '$n', VARIABLE);
  expectNotScope(lines, 7, ')', VARIABLE);
  expectScopes(lines, 7, '[$n#]', STRING);
  expectNotScope(lines, 7, 'a#b', VARIABLE);
  expectScopes(lines, 9, '$n', VARIABLE);
  expectNotScope(lines, 9, 'end', VARIABLE);

  lines = await tokeniseFile('tests/scripts/evaluation/arithmetic.cv');
  expectScopes(lines, 1, '(-7 % 3)', ARITHMETIC);
  expectScopes(lines, 1, '-7', 'constant.numeric');
  expectScopes(lines, 1, '%', 'keyword.operator.arithmetic');
  expectScopes(lines, 3, '- -3', ARITHMETIC);
  expectScopes(lines, 3, '-3', 'constant.numeric', 1);
  expectScopes(lines, 11, '$n * $n', ARITHMETIC);
  expectScopes(lines, 11, '$n', VARIABLE, 2);
});

test('references inside literals run to a blank, a line feed or a #', engine, async () => {
  const lines = await tokenise(
    'print [Hello, $name!\\n] [$a,$b] [($n)] [a $ b] [cost \\\\$x] [$s\\rx\\ny]\n',
  );
  expectScopes(lines, 1, '$name!', [VARIABLE, STRING]);
  expectScopes(lines, 1, '\\n', [ESCAPE, STRING]);
  expectNotScope(lines, 1, '\\n', VARIABLE);
  expectScopes(lines, 1, '$a,$b', VARIABLE);
  expectScopes(lines, 1, '$n)', VARIABLE);
  expectScopes(lines, 1, '$', 'invalid.illegal', 4);
  // The escaped backslash still stands before the '$', which is then taken literally.
  expectScopes(lines, 1, '\\\\', ESCAPE);
  expectNotScope(lines, 1, '$x', VARIABLE);
  expectScopes(lines, 1, '$s\\rx', VARIABLE);
  expectNotScope(lines, 1, 'y]', VARIABLE);
});

test('brackets and parentheses keep their scope over line breaks', engine, async () => {
  const lines = await tokenise(
    [
      'print [first $a',
      'second $b [nested',
      'still]; not over]; print (1',
      '+ 2); set $x [y]',
      'if [a',
      'b] == $c {',
      '}',
    ].join('\n'),
  );
  expectScopes(lines, 2, 'second', STRING);
  expectScopes(lines, 2, '$b', [VARIABLE, STRING]);
  expectScopes(lines, 3, 'still', STRING);
  expectScopes(lines, 3, '; not over', STRING);
  expectNotScope(lines, 3, 'print', STRING);
  expectScopes(lines, 3, 'print', COMMAND);
  expectScopes(lines, 4, '2)', ARITHMETIC);
  expectNotScope(lines, 4, '; ', ARITHMETIC);
  expectScopes(lines, 4, 'set', COMMAND);
  expectScopes(lines, 6, 'b', STRING);
  expectScopes(lines, 6, '==', 'keyword.operator.comparison');
  expectScopes(lines, 6, '{', 'punctuation.section.block.begin');
  expectScopes(lines, 7, '}', 'punctuation.section.block.end');
  expectNotScope(lines, 7, '}', 'meta.statement.if');
});

// Every command word and the scope it must get. The check below keeps it in step
// with the interpreter's command table.
const COMMAND_WORDS = {
  if: CONTROL, goto: CONTROL, exit: CONTROL, terminate: CONTROL,
  int: TYPE, string: TYPE, array: TYPE, file: TYPE,
  print: COMMAND, cin: COMMAND, beep: COMMAND, wait: COMMAND,
  strlen: COMMAND, strupper: COMMAND, strlower: COMMAND, substr: COMMAND, md5: COMMAND,
  random: COMMAND, add: COMMAND, arrlen: COMMAND, arrdel: COMMAND, getarray: COMMAND,
  set: COMMAND, fopen: COMMAND, fclose: COMMAND, fread: COMMAND, freadln: COMMAND,
  fwrite: COMMAND, fdone: COMMAND, fexists: COMMAND, unlink: COMMAND, mkdir: COMMAND,
  readdir: COMMAND, system: COMMAND, geturl: COMMAND,
};
// Commands only when alone in their statement.
const ONE_WORD_COMMANDS = ['beep', 'exit', 'terminate', 'wait'];

test('the command table covers every command word of the interpreter', () => {
  const source = fs.readFileSync(path.join(root, 'src/interpreter/command_table.cc'), 'utf8');
  const table = source.slice(source.indexOf('kCommands[] = {'), source.indexOf('kOneWordCommands[] = {'));
  const words = [...table.matchAll(/^\s*\{"([a-z0-9]+)",/gm)].map((m) => m[1]);
  const oneWord = [...source.matchAll(/\{"([a-z]+)",\s*LineAction::/g)].map((m) => m[1]);
  assert.ok(words.length > 20, 'the dispatcher table was not found');
  assert.deepEqual([...new Set([...words, ...oneWord])].sort(), Object.keys(COMMAND_WORDS).sort());
  assert.deepEqual(oneWord.sort(), ONE_WORD_COMMANDS);
});

test('every command word gets its scope in command position only', engine, async () => {
  for (const [word, scope] of Object.entries(COMMAND_WORDS)) {
    const alone = ONE_WORD_COMMANDS.includes(word);
    const args = alone ? '' : ' $a [b]';
    const lines = await tokenise(
      [`${word}${args}`, `  ${word}${args}; ${word}${args}`, `${word} ${word} [${word}]`,
        `${word}x $a`, `${word}\t[b]`].join('\n'),
    );
    expectScopes(lines, 1, word, scope);
    expectScopes(lines, 2, word, scope, 0);
    expectScopes(lines, 2, word, scope, 1);
    expectNotScope(lines, 3, word, scope, 1);
    expectNotScope(lines, 3, word, scope, 2);
    expectNotScope(lines, 4, word, scope);
    expectNotScope(lines, 5, word, scope);
    if (alone) {
      expectNotScope(await tokenise(`${word} [now]`), 1, word, scope);
    }
  }
});

test('shebang, faults the loader and the dispatcher report, and no comments', engine, async () => {
  const lines = await tokenise(
    ['#!/usr/bin/env corvel', '#!/not/first', '# not a comment', 'print ) ]', '{ x', '\\;print [a]'].join('\n'),
  );
  expectScopes(lines, 1, '#!/usr/bin/env corvel', 'comment.line.shebang');
  expectNotScope(lines, 2, '#!', 'comment');
  expectScopes(lines, 3, '#', 'invalid.illegal');
  expectNotScope(lines, 3, 'not a comment', 'comment');
  expectScopes(lines, 4, ')', 'invalid.illegal');
  expectScopes(lines, 4, ']', 'invalid.illegal');
  expectScopes(lines, 5, '{', 'invalid.illegal');
  // An escaped ';' ends no statement.
  expectScopes(lines, 6, '\\;', ESCAPE);
  expectNotScope(lines, 6, 'print', COMMAND);
});

test('the VS Code package points at the grammar and detects Corvel files', () => {
  const extension = path.join(__dirname, '..', 'vscode');
  const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
  const [language] = manifest.contributes.languages;
  const [grammar] = manifest.contributes.grammars;
  assert.equal(language.id, 'corvel');
  assert.deepEqual(language.extensions, ['.cv']);
  assert.equal(grammar.language, 'corvel');
  const rules = JSON.parse(fs.readFileSync(path.join(extension, grammar.path), 'utf8'));
  assert.equal(rules.scopeName, grammar.scopeName);
  const config = JSON.parse(fs.readFileSync(path.join(extension, language.configuration), 'utf8'));
  assert.equal(config.comments, undefined);
  const firstLine = new RegExp(language.firstLine);
  assert.ok(firstLine.test('#!/usr/bin/env corvel'));
  assert.ok(firstLine.test('#!/usr/local/bin/corvel'));
  assert.ok(!firstLine.test('#!/bin/sh'));
  assert.ok(!firstLine.test('#!/usr/bin/corvel-check'));
});
