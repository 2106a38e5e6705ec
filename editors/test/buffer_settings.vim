" Writes the buffer's file type, its comment and indent settings and any error
" message to the file g:out, then re-indents the buffer with '=', types a block
" after its last line as a user would, and writes every line of the result.
setlocal shiftwidth=2 expandtab
let s:out = ['filetype=' . &filetype, 'comments=' . &comments,
      \ 'commentstring=' . &commentstring, 'formatoptions=' . &formatoptions,
      \ 'indentexpr=' . &indentexpr]
normal! gg=G
execute "normal! Goif $n < (3) {\rprint [$n]\r}\rprint [done]\e"
call add(s:out, 'errmsg=' . v:errmsg)
call extend(s:out, getline(1, '$'))
call writefile(s:out, g:out)
qa!
