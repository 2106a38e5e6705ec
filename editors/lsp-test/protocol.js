// Drives corvel-lsp (its path in CORVEL_LSP) through the protocol's own client library, one group
// of tests per feature, with the positions of every answer checked in UTF-16 units.
'use strict';

const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { after, before, describe, test } = require('node:test');
const rpc = require('vscode-languageserver-protocol/node');

const server = process.env.CORVEL_LSP;
assert.ok(server, 'CORVEL_LSP names the corvel-lsp binary');

// A running server with a connection of the client library; `diagnostics` waits for the next
// diagnostics of a document.
class Session {
  constructor(cwd = os.tmpdir()) {
    this.process = spawn(server, [], { cwd, stdio: ['pipe', 'pipe', 'pipe'] });
    this.exited = new Promise((resolve) => this.process.on('exit', (code) => resolve(code)));
    this.connection = rpc.createProtocolConnection(
      new rpc.StreamMessageReader(this.process.stdout),
      new rpc.StreamMessageWriter(this.process.stdin));
    this.waiting = new Map();
    this.latest = new Map();
    this.connection.onNotification(rpc.PublishDiagnosticsNotification.type, (params) => {
      this.latest.set(params.uri, params);
      const waiter = this.waiting.get(params.uri);
      if (waiter) {
        this.waiting.delete(params.uri);
        waiter(params);
      }
    });
    this.connection.listen();
  }

  async start() {
    return this.connection.sendRequest(rpc.InitializeRequest.type,
      { processId: process.pid, rootUri: null, capabilities: {} });
  }

  diagnostics(uri) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`no diagnostics for ${uri}`)), 10000);
      this.waiting.set(uri, (params) => {
        clearTimeout(timer);
        resolve(params);
      });
    });
  }

  async open(uri, text) {
    const published = this.diagnostics(uri);
    await this.connection.sendNotification(rpc.DidOpenTextDocumentNotification.type,
      { textDocument: { uri, languageId: 'corvel', version: 1, text } });
    return published;
  }

  async change(uri, version, contentChanges) {
    const published = this.diagnostics(uri);
    await this.connection.sendNotification(rpc.DidChangeTextDocumentNotification.type,
      { textDocument: { uri, version }, contentChanges });
    return published;
  }

  request(type, params) {
    return this.connection.sendRequest(type, params);
  }

  async stop() {
    await this.connection.sendRequest(rpc.ShutdownRequest.type);
    await this.connection.sendNotification(rpc.ExitNotification.type);
    const code = await this.exited;
    this.connection.dispose();
    return code;
  }
}

const range = (line, from, to, endLine = line) =>
  ({ start: { line, character: from }, end: { line: endLine, character: to } });
const at = (uri, line, character) => ({ textDocument: { uri }, position: { line, character } });

// A script with text beyond ASCII before the words that matter, so that columns in UTF-16 units
// (an emoji counts two) and in bytes differ.
const script = [
  'int $count',                             // 0
  'string $name',                           // 1
  'print [😀é $name#: $count\\n]',          // 2: name at 12..16, count at 20..25
  '*loop',                                  // 3
  'set $count ($count + 1)',                // 4
  'if $count < (3)',                        // 5
  'goto [loop]',                            // 6: loop at 6..10
  'pirnt [done]',                           // 7
].join('\n') + '\n';

describe('lifecycle', () => {
  test('initialize states the features and the UTF-16 positions', async () => {
    const session = new Session();
    const result = await session.start();
    const caps = result.capabilities;
    assert.equal(caps.positionEncoding, 'utf-16');
    assert.equal(caps.textDocumentSync.change, rpc.TextDocumentSyncKind.Incremental);
    for (const feature of ['hoverProvider', 'definitionProvider', 'referencesProvider',
      'documentHighlightProvider', 'documentSymbolProvider']) assert.equal(caps[feature], true, feature);
    assert.deepEqual(caps.renameProvider, { prepareProvider: true });
    assert.ok(caps.completionProvider.triggerCharacters.includes('$'));
    assert.equal(await session.stop(), 0);
  });

  test('a request before initialize is refused, and exit without shutdown ends with 1', async () => {
    const session = new Session();
    await assert.rejects(session.request(rpc.HoverRequest.type, at('file:///x.cv', 0, 0)),
      (error) => error.code === -32002);
    await session.connection.sendNotification(rpc.ExitNotification.type);
    assert.equal(await session.exited, 1);
    session.connection.dispose();
  });
});

describe('features', () => {
  const uri = 'file:///work/tour.cv';
  let session;
  let opened;
  before(async () => {
    session = new Session();
    await session.start();
    opened = await session.open(uri, script);
  });
  after(async () => assert.equal(await session.stop(), 0));

  test('diagnostics come on open, with codes and UTF-16 ranges', () => {
    assert.equal(opened.version, 1);
    const found = opened.diagnostics.map((d) => [d.code, d.range, d.severity]);
    assert.deepEqual(found, [['unknown-command', range(7, 0, 5), 2]]);
    assert.match(opened.diagnostics[0].message, /did you mean 'print'/);
  });

  test('an edit in UTF-16 units changes the text where the editor means it', async () => {
    // Replace "$count" after the emoji with "$cuont": undeclared, reported at its place.
    const changed = await session.change(uri, 2, [{ range: range(2, 20, 25), text: 'cuont' }]);
    assert.equal(changed.version, 2);
    const undeclared = changed.diagnostics.find((d) => d.code === 'undeclared');
    assert.deepEqual(undeclared.range, range(2, 20, 25));
    assert.match(undeclared.message, /did you mean '\$count'/);
    const mended = await session.change(uri, 3, [{ range: range(2, 20, 25), text: 'count' }]);
    assert.equal(mended.diagnostics.filter((d) => d.code === 'undeclared').length, 0);
  });

  test('hover shows the usage line, a variable\'s declaration and a label\'s jumps', async () => {
    const set = await session.request(rpc.HoverRequest.type, at(uri, 4, 1));
    assert.match(set.contents.value, /set \$variable \$newValue/);
    assert.deepEqual(set.range, range(4, 0, 3));
    const name = await session.request(rpc.HoverRequest.type, at(uri, 2, 11));  // on the $
    assert.match(name.contents.value, /Declared string on line 2/);
    assert.deepEqual(name.range, range(2, 12, 16));
    const label = await session.request(rpc.HoverRequest.type, at(uri, 3, 2));
    assert.match(label.contents.value, /Jumped to from line 7/);
    const jump = await session.request(rpc.HoverRequest.type, at(uri, 6, 7));
    assert.match(jump.contents.value, /after line 4/);
    assert.equal(await session.request(rpc.HoverRequest.type, at(uri, 2, 7)), null);
  });

  test('completion offers commands, variables after $ in a literal, and labels after goto [', async () => {
    const fresh = 'file:///work/completion.cv';
    await session.open(fresh, 'int $total\n*again\npr\nprint [😀 $to\ngoto [ag\n');
    const commands = await session.request(rpc.CompletionRequest.type, at(fresh, 2, 2));
    const words = commands.map((item) => item.label);
    assert.ok(words.includes('print') && words.includes('exit') && words.includes('getarray'));
    assert.equal(commands.find((item) => item.label === 'fopen').detail,
      'fopen $file $pathString $typeOfOpen');
    const variables = await session.request(rpc.CompletionRequest.type, at(fresh, 3, 13));
    const total = variables.find((item) => item.label === 'total');
    assert.equal(total.detail, 'int, line 1');
    assert.deepEqual(total.textEdit.range, range(3, 11, 13));
    assert.ok(variables.some((item) => item.label === 'HOME'));
    const labels = await session.request(rpc.CompletionRequest.type, at(fresh, 4, 8));
    assert.deepEqual(labels.map((item) => item.label), ['again']);
    assert.deepEqual(labels[0].textEdit.range, range(4, 6, 8));
  });

  test('signature help follows the word being typed', async () => {
    const fresh = 'file:///work/signature.cv';
    await session.open(fresh, 'string $s\nsubstr $s (1) \n');
    const help = await session.request(rpc.SignatureHelpRequest.type, at(fresh, 1, 14));
    assert.equal(help.signatures[0].label, 'substr $str $intFrom $intTo');
    assert.equal(help.activeParameter, 2);
    const first = await session.request(rpc.SignatureHelpRequest.type, at(fresh, 1, 8));
    assert.equal(first.activeParameter, 0);
  });

  test('definition, references and highlights of a variable and of a label', async () => {
    const definition = await session.request(rpc.DefinitionRequest.type, at(uri, 2, 21));
    assert.deepEqual(definition, { uri, range: range(0, 5, 10) });
    const references = await session.request(rpc.ReferencesRequest.type,
      { ...at(uri, 4, 13), context: { includeDeclaration: true } });
    assert.deepEqual(references.map((r) => r.range),
      [range(0, 5, 10), range(2, 20, 25), range(4, 5, 10), range(4, 13, 18), range(5, 4, 9)]);
    const uses = await session.request(rpc.ReferencesRequest.type,
      { ...at(uri, 4, 13), context: { includeDeclaration: false } });
    assert.equal(uses.length, 4);
    const jump = await session.request(rpc.DefinitionRequest.type, at(uri, 6, 8));
    assert.deepEqual(jump, { uri, range: range(3, 1, 5) });
    const highlights = await session.request(rpc.DocumentHighlightRequest.type, at(uri, 3, 3));
    assert.deepEqual(highlights, [
      { range: range(3, 1, 5), kind: rpc.DocumentHighlightKind.Write },
      { range: range(6, 6, 10), kind: rpc.DocumentHighlightKind.Read },
    ]);
  });

  test('rename rewrites every use, in literals too, and refuses clashes and bad names', async () => {
    const prepared = await session.request(rpc.PrepareRenameRequest.type, at(uri, 2, 13));
    assert.deepEqual(prepared, { range: range(2, 12, 16), placeholder: 'name' });
    const edit = await session.request(rpc.RenameRequest.type, { ...at(uri, 1, 9), newName: 'who' });
    assert.deepEqual(edit.changes[uri].map((e) => [e.range, e.newText]),
      [[range(1, 8, 12), 'who'], [range(2, 12, 16), 'who']]);
    await assert.rejects(session.request(rpc.RenameRequest.type, { ...at(uri, 1, 9), newName: 'count' }),
      (error) => /already names a variable, on line 1/.test(error.message));
    await assert.rejects(session.request(rpc.RenameRequest.type, { ...at(uri, 1, 9), newName: 'a b' }),
      (error) => /not a valid variable name/.test(error.message));
    await assert.rejects(session.request(rpc.RenameRequest.type, { ...at(uri, 0, 6), newName: 'HOME' }),
      (error) => /predefined/.test(error.message));
    const label = await session.request(rpc.RenameRequest.type, { ...at(uri, 6, 7), newName: 'again' });
    assert.deepEqual(label.changes[uri].map((e) => e.range), [range(3, 1, 5), range(6, 6, 10)]);
    await assert.rejects(session.request(rpc.PrepareRenameRequest.type, at(uri, 7, 1)),
      (error) => /only a variable or a label/.test(error.message));
  });

  test('document symbols list declarations and labels in order', async () => {
    const symbols = await session.request(rpc.DocumentSymbolRequest.type, { textDocument: { uri } });
    assert.deepEqual(symbols.map((s) => [s.name, s.kind, s.selectionRange]), [
      ['$count', rpc.SymbolKind.Variable, range(0, 5, 10)],
      ['$name', rpc.SymbolKind.Variable, range(1, 8, 12)],
      ['*loop', rpc.SymbolKind.Function, range(3, 1, 5)],
    ]);
  });

  test('code actions apply the certain fixes', async () => {
    const fresh = 'file:///work/fixes.cv';
    const text = 'int $j\nstring $seen $h\nset $j ($j+1)\npirnt [x]\nprint [$seen/$h]\nprint [😀\\t]\n';
    await session.open(fresh, text);
    const fixes = [];
    for (const line of [2, 3, 4, 5]) {
      const actions = await session.request(rpc.CodeActionRequest.type,
        { textDocument: { uri: fresh }, range: range(line, 0, 20), context: { diagnostics: [] } });
      assert.equal(actions.length, 1, `line ${line}`);
      assert.equal(actions[0].kind, 'quickfix');
      const [edit] = actions[0].edit.changes[fresh];
      fixes.push([edit.range, edit.newText]);
    }
    assert.deepEqual(fixes, [
      [range(2, 7, 13), '($j + 1)'],
      [range(3, 0, 5), 'print'],
      [range(4, 8, 15), 'seen#/$h'],
      [range(5, 9, 11), '\t'],
    ]);
  });
});

describe('scripts that do not load', () => {
  test('a closing bracket of the wrong kind is an error at its place; the lines before are checked', async () => {
    const session = new Session();
    await session.start();
    const uri = 'file:///work/broken.cv';
    const published = await session.open(uri, 'pirnt [😀]\nprint [a)\nprint [b]\n');
    assert.deepEqual(published.diagnostics.map((d) => [d.code, d.severity, d.range]), [
      ['unknown-command', 2, range(0, 0, 5)],
      ['load-error', 1, range(1, 8, 9)],
    ]);
    assert.match(published.diagnostics[1].message, /Unexpected '\)'/);
    const open = await session.change(uri, 2, [{ text: 'print [😀\nprint [b]\n' }]);
    assert.deepEqual(open.diagnostics.map((d) => [d.code, d.range]), [['unclosed-bracket', range(0, 6, 7)]]);
    // Features still answer on a script that does not load.
    const hover = await session.request(rpc.HoverRequest.type, at(uri, 0, 2));
    assert.match(hover.contents.value, /print TEXT/);
    const closed = session.diagnostics(uri);
    await session.connection.sendNotification(rpc.DidCloseTextDocumentNotification.type,
      { textDocument: { uri } });
    assert.deepEqual((await closed).diagnostics, []);
    assert.equal(await session.stop(), 0);
  });
});

// A client that writes raw bytes, for what the library would never send.
class RawClient {
  constructor() {
    this.process = spawn(server, [], { stdio: ['pipe', 'pipe', 'pipe'] });
    this.exited = new Promise((resolve) => this.process.on('exit', (code) => resolve(code)));
    this.buffer = Buffer.alloc(0);
    this.messages = [];
    this.waiters = [];
    this.process.stdout.on('data', (chunk) => {
      this.buffer = Buffer.concat([this.buffer, chunk]);
      for (;;) {
        const end = this.buffer.indexOf('\r\n\r\n');
        if (end < 0) return;
        const length = Number(/Content-Length: (\d+)/.exec(this.buffer.subarray(0, end).toString())[1]);
        if (this.buffer.length < end + 4 + length) return;
        this.messages.push(JSON.parse(this.buffer.subarray(end + 4, end + 4 + length).toString()));
        this.buffer = this.buffer.subarray(end + 4 + length);
        this.waiters.splice(0).forEach((wake) => wake());
      }
    });
  }

  write(bytes) { this.process.stdin.write(bytes); }
  send(message) {
    const body = Buffer.from(typeof message === 'string' ? message : JSON.stringify(message));
    this.write(Buffer.concat([Buffer.from(`Content-Length: ${body.length}\r\n\r\n`), body]));
  }
  async next() {
    const deadline = Date.now() + 10000;
    while (this.messages.length === 0) {
      assert.ok(Date.now() < deadline, 'no answer from the server');
      await new Promise((wake) => { this.waiters.push(wake); setTimeout(wake, 200); });
    }
    return this.messages.shift();
  }
}

describe('malformed messages', () => {
  test('every one gets an error response and the server goes on', async () => {
    const client = new RawClient();
    client.send('{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}');
    assert.equal((await client.next()).id, 1);
    const cases = [
      ['{not json', -32700],
      ['[1, 2, 3]', -32600],
      ['{"jsonrpc":"2.0","id":2}', -32600],
      ['{"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":{"textDocument":{"uri":7}}}', -32602],
      ['{"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":[]}', -32602],
      ['{"jsonrpc":"2.0","id":5,"method":"no/such/method"}', -32601],
      ['{"jsonrpc":"2.0","id":6,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///none"},"position":{"line":0,"character":0}}}', -32602],
      ['{"jsonrpc":"2.0","id":{"an":"object"},"method":"shutdown"}', -32600],
      ['[' .repeat(100000), -32700],
    ];
    for (const [body, code] of cases) {
      client.send(body);
      const answer = await client.next();
      assert.equal(answer.error.code, code, body.slice(0, 60));
    }
    // Broken framing: no Content-Length, a length that is no number.
    client.write('Content-Type: x\r\n\r\n');
    assert.equal((await client.next()).error.code, -32700);
    client.write('Content-Length: lots\r\n\r\n');
    assert.equal((await client.next()).error.code, -32700);
    // Positions far outside the text, a change before it opened, text that is no script at all.
    const uri = 'file:///work/odd.cv';
    client.send({ jsonrpc: '2.0', method: 'textDocument/didChange', params: { textDocument: { uri, version: 1 }, contentChanges: [{ text: 'x' }] } });
    client.send({ jsonrpc: '2.0', method: 'textDocument/didOpen', params: { textDocument: { uri, languageId: 'corvel', version: 1, text: '\u0000\\\u00ff)]([😀\r\r\n;;' } } });
    assert.equal((await client.next()).method, 'textDocument/publishDiagnostics');
    client.send({ jsonrpc: '2.0', method: 'textDocument/didChange', params: { textDocument: { uri, version: 2 }, contentChanges: [{ range: range(99, 9e9, -5, 7), text: 'print [a]' }] } });
    assert.equal((await client.next()).params.version, 2);
    for (const method of ['hover', 'completion', 'signatureHelp', 'definition', 'documentHighlight', 'prepareRename']) {
      client.send({ jsonrpc: '2.0', id: method, method: `textDocument/${method}`, params: at(uri, 4e9, 4e9) });
      const answer = await client.next();
      assert.equal(answer.id, method);
    }
    client.send({ jsonrpc: '2.0', id: 'last', method: 'shutdown' });
    assert.deepEqual(await client.next(), { jsonrpc: '2.0', id: 'last', result: null });
    client.send({ jsonrpc: '2.0', method: 'exit' });
    assert.equal(await client.exited, 0);
  });

  test('the end of input ends the server without a crash', async () => {
    const client = new RawClient();
    client.write('Content-Length: 100\r\n\r\n{"cut short');
    client.process.stdin.end();
    assert.equal(await client.exited, 1);
  });
});

describe('safety', () => {
  test('opening a script runs none of it: no command, no file, no connection', async () => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'corvel-lsp-safety-'));
    let connections = 0;
    const listener = http.createServer((request, response) => { connections += 1; response.end('x'); });
    await new Promise((resolve) => listener.listen(0, '127.0.0.1', resolve));
    const port = listener.address().port;
    try {
      const session = new Session(folder);
      await session.start();
      const uri = `file://${folder}/stranger.cv`;
      const text = [
        'file $f', 'string $s', 'system [touch pwned]', 'mkdir [made]', 'fopen $f [written] [w]',
        'fwrite $f [x]', 'fclose $f', `geturl [http://127.0.0.1:${port}/] $s`, 'unlink [keep]',
        'print $s', '*again', 'goto [again]',
      ].join('\n') + '\n';
      fs.writeFileSync(path.join(folder, 'keep'), 'kept');
      await session.open(uri, text);
      await session.change(uri, 2, [{ range: range(0, 0, 0), text: 'int $n\n' }]);
      for (let line = 0; line < 13; line += 1) {
        await session.request(rpc.HoverRequest.type, at(uri, line, 2));
        await session.request(rpc.CodeActionRequest.type,
          { textDocument: { uri }, range: range(line, 0, 30), context: { diagnostics: [] } });
      }
      assert.equal(await session.stop(), 0);
      assert.deepEqual(fs.readdirSync(folder), ['keep']);
      assert.equal(connections, 0);
    } finally {
      listener.close();
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });
});
