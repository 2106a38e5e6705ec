-- The lines the editor documentation gives for Neovim's init.lua, word for word: every Corvel
-- script gets corvel-lsp from PATH.
vim.api.nvim_create_autocmd("FileType", {
  pattern = "corvel",
  callback = function(args)
    local client = vim.lsp.start_client({ name = "corvel-lsp", cmd = { "corvel-lsp" } })
    if client then vim.lsp.buf_attach_client(args.buf, client) end
  end,
})
