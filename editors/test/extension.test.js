// The VS Code extension's start-up, with stand-ins for the editor's API and the client library:
// it starts corvel-lsp from the setting or PATH, and says where to point it when there is none.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const Module = require('node:module');
const os = require('node:os');
const path = require('node:path');
const { after, test } = require('node:test');

const editors = path.join(__dirname, '..');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'corvel-extension-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));

// Loads the extension afresh with `vscode` and the client library replaced; returns the
// extension, the errors it showed and the clients it made.
function loadExtension(settings) {
  const shown = [];
  const clients = [];
  const stand = {
    vscode: {
      workspace: { getConfiguration: (section) => ({ get: (key) => settings[`${section}.${key}`] }) },
      window: { showErrorMessage: (message) => shown.push(message) },
    },
    'vscode-languageclient/node': {
      TransportKind: { stdio: 0 },
      LanguageClient: class {
        constructor(id, name, serverOptions, clientOptions) {
          clients.push({ id, serverOptions, clientOptions, started: false, stopped: false });
          this.record = clients[clients.length - 1];
        }
        async start() { this.record.started = true; }
        async stop() { this.record.stopped = true; }
      },
    },
  };
  const load = Module._load;
  Module._load = function (request, ...rest) {
    return request in stand ? stand[request] : load.call(this, request, ...rest);
  };
  const file = path.join(editors, 'vscode', 'extension.js');
  delete require.cache[file];
  try {
    return { extension: require(file), shown, clients };
  } finally {
    Module._load = load;
  }
}

function withPath(folder, run) {
  const saved = process.env.PATH;
  process.env.PATH = folder;
  return Promise.resolve(run()).finally(() => { process.env.PATH = saved; });
}

const context = () => ({ subscriptions: [] });

test('the server on PATH is started for Corvel documents', async () => {
  const bin = path.join(scratch, 'bin');
  fs.mkdirSync(bin);
  fs.writeFileSync(path.join(bin, 'corvel-lsp'), '#!/bin/sh\n', { mode: 0o755 });
  fs.writeFileSync(path.join(scratch, 'corvel-lsp'), 'not executable', { mode: 0o644 });
  await withPath(`${scratch}${path.delimiter}${bin}`, async () => {
    const { extension, shown, clients } = loadExtension({});
    const ctx = context();
    await extension.activate(ctx);
    assert.deepEqual(shown, []);
    assert.equal(clients.length, 1);
    assert.equal(clients[0].serverOptions.command, path.join(bin, 'corvel-lsp'));
    assert.deepEqual(clients[0].clientOptions.documentSelector, [{ language: 'corvel' }]);
    assert.ok(clients[0].started);
    await extension.deactivate();
    assert.ok(clients[0].stopped);
  });
});

test('the setting wins over PATH, and a wrong setting or no server says where to point it', async () => {
  const server = path.join(scratch, 'bin', 'corvel-lsp');
  await withPath(path.join(scratch, 'bin'), async () => {
    const set = loadExtension({ 'corvel.server.path': server });
    await set.extension.activate(context());
    assert.equal(set.clients[0].serverOptions.command, server);

    const wrong = loadExtension({ 'corvel.server.path': '/nowhere/corvel-lsp' });
    await wrong.extension.activate(context());
    assert.equal(wrong.clients.length, 0);
    assert.match(wrong.shown[0], /not found at \/nowhere\/corvel-lsp.*"corvel.server.path"/);
  });
  await withPath(path.join(scratch, 'empty'), async () => {
    const none = loadExtension({});
    await none.extension.activate(context());
    assert.equal(none.clients.length, 0);
    assert.match(none.shown[0], /not found on PATH.*set "corvel.server.path"/);
  });
});

test('the extension asks for the client library version pinned for the tests', () => {
  const extension = JSON.parse(fs.readFileSync(path.join(editors, 'vscode', 'package.json'), 'utf8'));
  const tests = JSON.parse(fs.readFileSync(path.join(editors, 'package.json'), 'utf8'));
  const lock = JSON.parse(fs.readFileSync(path.join(editors, 'package-lock.json'), 'utf8'));
  const pinned = extension.dependencies['vscode-languageclient'];
  assert.match(pinned, /^\d+\.\d+\.\d+$/);
  assert.equal(tests.devDependencies['vscode-languageclient'], pinned);
  assert.equal(lock.packages['node_modules/vscode-languageclient'].version, pinned);
  // Installed by `make editor-deps`; a build without the npm packages (a distribution's, from the
  // source tarball) checks the pins only.
  if (fs.existsSync(path.join(editors, 'node_modules'))) {
    assert.ok(fs.existsSync(require.resolve('vscode-languageclient/node')));
  }
  assert.equal(extension.main, './extension.js');
  assert.ok(extension.activationEvents.includes('onLanguage:corvel'));
});
