" Vim filetype plugin for Corvel scripts (.cv).
" The language has no comments: a line that starts with '#' or '//' is a
" statement, which ends the run or does nothing. So no comment leader is set:
" a comment plugin then has nothing to insert, rather than writing a line that
" runs, and a new line never continues one.

if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

let s:cpo_save = &cpo
set cpo&vim

setlocal comments= commentstring=
setlocal formatoptions-=c formatoptions-=r formatoptions-=o formatoptions-=q
" '%' jumps between the brackets that group words and the braces of a block.
setlocal matchpairs=(:),[:],{:}

let b:undo_ftplugin = 'setlocal comments< commentstring< formatoptions< matchpairs<'

let &cpo = s:cpo_save
unlet s:cpo_save
