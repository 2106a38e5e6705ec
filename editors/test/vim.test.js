// Checks the Vim syntax, file type detection, filetype plugin and indenting in a headless Vim,
// when Vim is there.
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');

const editors = path.join(__dirname, '..');
const hasVim = spawnSync('vim', ['--version']).status === 0;
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'corvel-vim-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

// Opens `file` in Vim with our runtime files and resolves to { filetype, errmsg, lines },
// each line an array of { text, group } runs.
function highlight(file) {
  const out = path.join(scratch, 'groups.txt');
  const run = spawnSync('vim', [
    '-N', '-u', 'NONE', '-i', 'NONE', '-es',
    '--cmd', `set rtp^=${path.join(editors, 'vim')}`, '--cmd', 'filetype on', '--cmd', 'syntax on',
    '--cmd', `let g:out = '${out}'`, '-c', `source ${path.join(__dirname, 'syntax_groups.vim')}`, file,
  ], { encoding: 'utf8', timeout: 30000 });
  assert.equal(run.status, 0, `vim failed: ${run.stderr}`);
  const [filetype, errmsg, ...lines] = fs.readFileSync(out, 'utf8').split('\n');
  return {
    filetype: filetype.replace('filetype=', ''),
    errmsg: errmsg.replace('errmsg=', ''),
    lines: lines.map((line) => {
      const parts = line.split('\t');
      const runs = [];
      for (let i = 0; i + 1 < parts.length; i += 2) runs.push({ text: parts[i], group: parts[i + 1] });
      return runs;
    }),
  };
}

// The groups of the runs of 1-based line `lineNo` that overlap the first `needle`.
function groupsOf(result, lineNo, needle) {
  const runs = result.lines[lineNo - 1];
  const text = runs.map((r) => r.text).join('');
  const at = text.indexOf(needle);
  assert.notEqual(at, -1, `line ${lineNo} ${JSON.stringify(text)} has no ${JSON.stringify(needle)}`);
  const groups = new Set();
  let start = 0;
  for (const r of runs) {
    if (start + r.text.length > at && start < at + needle.length) groups.add(r.group);
    start += r.text.length;
  }
  return [...groups];
}

// Opens `file` in Vim with our runtime files and the filetype plugins and indenting on, and
// resolves to { settings, lines }: the buffer's options by name and its lines once re-indented
// and typed into (see buffer_settings.vim).
function editBuffer(file) {
  const out = path.join(scratch, 'buffer.txt');
  const run = spawnSync('vim', [
    '-N', '-u', 'NONE', '-i', 'NONE', '-es',
    '--cmd', `set rtp^=${path.join(editors, 'vim')}`, '--cmd', 'filetype plugin indent on',
    '--cmd', `let g:out = '${out}'`, '-c', `source ${path.join(__dirname, 'buffer_settings.vim')}`, file,
  ], { encoding: 'utf8', timeout: 30000 });
  assert.equal(run.status, 0, `vim failed: ${run.stderr}`);
  const written = fs.readFileSync(out, 'utf8').split('\n');
  const settings = {};
  for (const line of written.slice(0, 6)) {
    const at = line.indexOf('=');
    settings[line.slice(0, at)] = line.slice(at + 1);
  }
  return { settings, lines: written.slice(6, -1) };
}

function writeScript(name, text) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, text);
  return file;
}

test('Vim highlights commands, literals with references, arithmetic, labels and blocks',
  { skip: !hasVim && 'vim is not installed' }, () => {
    const result = highlight(path.join(editors, '..', 'examples', 'tour.cv'));
    assert.equal(result.filetype, 'corvel');
    assert.equal(result.errmsg, '');
    const expect = [
      [1, 'print', 'corvelCommand'], [1, '$USER', 'corvelReference'], [1, '#', 'corvelReferenceEnd'],
      [1, '\\n', 'corvelEscape'], [1, 'Welcome', 'corvelString'], [3, 'int', 'corvelType'],
      [3, '$total', 'corvelVariable'], [7, '; add', 'corvelSeparator'], [11, '*sum', 'corvelLabel'],
      [12, '$i +', 'corvelArithmeticVariable'], [12, '+', 'corvelArithmeticOperator'],
      [12, '1', 'corvelNumber'], [14, 'if', 'corvelConditional'], [14, '<', 'corvelComparison'],
      [14, '{', 'corvelBlockBegin'], [15, 'goto', 'corvelControl'], [16, '}', 'corvelBlockEnd'],
    ];
    for (const [lineNo, needle, group] of expect) {
      assert.ok(groupsOf(result, lineNo, needle).includes(group),
        `line ${lineNo}: ${needle} is ${groupsOf(result, lineNo, needle)}, not ${group}`);
    }
  });

test('Vim ends statements where the loader does', { skip: !hasVim && 'vim is not installed' }, () => {
  const result = highlight(writeScript('lines.cv', [
    'if [a', 'b] = $c {', '}', 'exit [now]', 'print [x (', 'y $n)]; exit', '# no comment',
  ].join('\n')));
  assert.deepEqual(groupsOf(result, 2, 'b'), ['corvelString']);
  assert.deepEqual(groupsOf(result, 2, '='), ['corvelBadComparison']);
  assert.deepEqual(groupsOf(result, 3, '}'), ['corvelBlockEnd']);
  assert.deepEqual(groupsOf(result, 4, 'exit'), ['']);
  assert.deepEqual(groupsOf(result, 6, '$n)'), ['corvelReference']);
  assert.deepEqual(groupsOf(result, 6, 'exit'), ['corvelControl']);
  assert.deepEqual(groupsOf(result, 7, '#'), ['corvelUnknownCommand']);
});

test('Vim detects a script by its first line', { skip: !hasVim && 'vim is not installed' }, () => {
  assert.equal(highlight(writeScript('script', '#!/usr/bin/env corvel\nprint [x]\n')).filetype, 'corvel');
  assert.notEqual(highlight(writeScript('other', '#!/bin/sh\necho x\n')).filetype, 'corvel');
});

test('Vim sets no comment leader, so nothing can comment a line out into a statement',
  { skip: !hasVim && 'vim is not installed' }, () => {
    const { settings } = editBuffer(writeScript('plain.cv', 'print [x]\n'));
    assert.equal(settings.filetype, 'corvel');
    assert.equal(settings.errmsg, '');
    assert.equal(settings.comments, '');
    assert.equal(settings.commentstring, '');
    for (const flag of 'cro') assert.ok(!settings.formatoptions.includes(flag), settings.formatoptions);
  });

// The indent VS Code gives each line with the extension's rules: one level in after a line that
// matches increaseIndentPattern, one level out for a line that matches decreaseIndentPattern.
function vscodeIndent(lines, width) {
  const config = JSON.parse(fs.readFileSync(path.join(editors, 'vscode', 'language-configuration.json'), 'utf8'));
  const increase = new RegExp(config.indentationRules.increaseIndentPattern);
  const decrease = new RegExp(config.indentationRules.decreaseIndentPattern);
  const result = [];
  let previous = null;
  for (const line of lines) {
    const text = line.trimStart();
    if (text === '') {
      result.push('');
      continue;
    }
    let indent = previous === null ? 0 : previous.length - previous.trimStart().length;
    if (previous !== null && increase.test(previous)) indent += width;
    if (decrease.test(text)) indent -= width;
    const indented = ' '.repeat(Math.max(indent, 0)) + text;
    result.push(indented);
    previous = indented;
  }
  return result;
}

test('Vim indents if blocks as the VS Code extension does', { skip: !hasVim && 'vim is not installed' }, () => {
  const script = [
    'int $n', 'if $n == (0) {', 'print [zero]', '   if $n < (1)', 'print [small]', '', '}', 'print [end]',
    'if $n == [{]', 'print [no block]', 'if $n == $m{', 'print [no blank]', 'iffy $n {', 'print [no if]',
    'if $n != (1) {  ', '}', '} else {', '    print [after]',
  ];
  const { lines } = editBuffer(writeScript('blocks.cv', script.join('\n') + '\n'));
  const typed = ['if $n < (3) {', 'print [$n]', '}', 'print [done]'];
  const expected = vscodeIndent([...script, ...typed], 2);
  assert.deepEqual(lines, expected);
  // The rules at work, not only agreeing: the block's lines go in, its '}' comes back out.
  assert.equal(expected[2], '  print [zero]');
  assert.equal(expected[6], '}');
  assert.equal(expected.at(-3), '  print [$n]');
  assert.equal(expected.at(-2), '}');
});
