// Tokenises Corvel text with vscode-textmate and vscode-oniguruma, the engine VS Code uses.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const grammarPath = path.join(__dirname, 'vscode', 'syntaxes', 'corvel.tmLanguage.json');

let grammarPromise;

// Resolves to the Corvel grammar, loaded once per process.
function loadGrammar() {
  if (!grammarPromise) {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    const onigLib = oniguruma.loadWASM(wasm.buffer).then(() => ({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }));
    const registry = new vsctm.Registry({
      onigLib,
      loadGrammar: async (scopeName) =>
        scopeName === 'source.corvel'
          ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath)
          : null,
    });
    grammarPromise = registry.loadGrammar('source.corvel');
  }
  return grammarPromise;
}

// Resolves to one array per line of `text`, each holding the line's tokens as
// { text, scopes }. Lines break at CR LF, LF and a lone CR, as in the editor.
async function tokenise(text) {
  const grammar = await loadGrammar();
  let state = vsctm.INITIAL;
  return text.split(/\r\n|\r|\n/).map((line) => {
    const result = grammar.tokenizeLine(line, state);
    state = result.ruleStack;
    return result.tokens.map((token) => ({
      text: line.slice(token.startIndex, token.endIndex),
      scopes: token.scopes,
    }));
  });
}

module.exports = { tokenise };

if (require.main === module) {
  tokenise(fs.readFileSync(process.argv[2], 'utf8')).then((lines) => {
    lines.forEach((tokens, i) => {
      console.log(`${i + 1}:`);
      for (const t of tokens) console.log(`  ${JSON.stringify(t.text)}  ${t.scopes.slice(1).join(' ')}`);
    });
  });
}
