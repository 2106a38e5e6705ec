// Starts corvel-lsp for Corvel scripts, so that the checker's warnings, hover, completion,
// navigation, renaming and fixes come from the language server.
'use strict';

const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function isExecutable(file) {
  try {
    fs.accessSync(file, fs.constants.X_OK);
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// The server to start: the setting corvel.server.path when it is set, or corvel-lsp on PATH;
// null when neither is an executable file.
function findServer(configured, searchPath = process.env.PATH || '') {
  if (configured) return isExecutable(configured) ? configured : null;
  for (const folder of searchPath.split(path.delimiter)) {
    if (!folder) continue;
    const candidate = path.join(folder, 'corvel-lsp');
    if (isExecutable(candidate)) return candidate;
  }
  return null;
}

async function activate(context) {
  const configured = vscode.workspace.getConfiguration('corvel').get('server.path');
  const command = findServer(configured);
  if (!command) {
    const where = configured ? `at ${configured}` : 'on PATH';
    vscode.window.showErrorMessage(
      `Corvel: corvel-lsp was not found ${where}. Install Corvel (make install puts it in ` +
      '/usr/local/bin), or set "corvel.server.path" to the corvel-lsp program. Highlighting ' +
      'works without it.');
    return;
  }
  client = new LanguageClient('corvel', 'Corvel',
    { command, args: [], transport: TransportKind.stdio },
    { documentSelector: [{ language: 'corvel' }] });
  context.subscriptions.push({ dispose: () => client && client.stop() });
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate, findServer };
