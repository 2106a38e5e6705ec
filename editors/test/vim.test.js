// Checks the Vim syntax and file type detection in a headless Vim, when Vim is there.
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
