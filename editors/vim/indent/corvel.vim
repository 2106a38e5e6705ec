" Vim indent file for Corvel scripts (.cv), with the rules of the VS Code
" extension: the line after an 'if' line that ends in '{' goes one level in,
" a line that starts with '}' one level out, every other line keeps the indent
" of the line before. Blocks do not nest in the language; the indent shows
" what is written.

if exists('b:did_indent')
  finish
endif
let b:did_indent = 1

let s:cpo_save = &cpo
set cpo&vim

setlocal autoindent
setlocal indentexpr=GetCorvelIndent(v:lnum)
setlocal indentkeys=0},!^F,o,O

let b:undo_indent = 'setlocal autoindent< indentexpr< indentkeys<'

if !exists('*GetCorvelIndent')
  function GetCorvelIndent(lnum) abort
    let previous = prevnonblank(a:lnum - 1)
    if previous == 0
      return 0
    endif
    let indent = indent(previous)
    if getline(previous) =~# '^\s*if\s.*\s{\s*$'
      let indent += shiftwidth()
    endif
    if getline(a:lnum) =~# '^\s*}'
      let indent -= shiftwidth()
    endif
    return max([indent, 0])
  endfunction
endif

let &cpo = s:cpo_save
unlet s:cpo_save
