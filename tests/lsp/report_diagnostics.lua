-- Waits for the diagnostics of the current buffer and writes them to $OUT, one a line as
-- LINE:COLUMN:CODE (from 1, columns in bytes, as Neovim counts), then quits.
local found = vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50)
local lines = {}
if not found then table.insert(lines, "no diagnostics") end
for _, d in ipairs(vim.diagnostic.get(0)) do
  local lsp = d.user_data and d.user_data.lsp or {}
  table.insert(lines, string.format("%d:%d:%s", d.lnum + 1, d.col + 1, tostring(d.code or lsp.code)))
end
table.sort(lines)
vim.fn.writefile(lines, os.getenv("OUT"))
vim.cmd("qa!")
