" Vim syntax file for Corvel scripts (.cv).
" The language has no comments: every line is a statement. Only brackets and
" parentheses carry a statement over a line break.

if exists('b:current_syntax')
  finish
endif

let s:cpo_save = &cpo
set cpo&vim

syn case match

" Separators, escapes and words, wherever a statement has them.
syn match corvelSeparator /\\\@<!;/
syn match corvelEscapeOther /\\\%(.\|$\)/
syn match corvelEscape /\\[nra\\[\]()%$]/
syn match corvelStrayBracket /[\])]/

" Only a word that starts with '$' is a variable; its name runs to the end of the word.
syn match corvelVariable /\%(^\|[ \t;]\)\@<=\$[^ \t;[\]()\\]\+/
syn match corvelLoneDollar excludenl /\%(^\|[ \t;]\)\@<=\$\ze\%([ \t;]\|$\)/

" String literals: brackets nest inside them and may run over lines. A
" reference runs to a blank, a line feed or a '#', which is dropped; '(' and
" ')' do not end it.
syn region corvelString matchgroup=corvelStringDelimiter start=/\[/ skip=/\\./ end=/\]/
      \ contains=corvelEscape,corvelEscapeOther,corvelLiteralDollar,corvelReference,corvelEmptyReference,corvelStringGroup
syn region corvelStringGroup start=/\[/ skip=/\\./ end=/\]/ contained transparent
      \ contains=corvelEscape,corvelEscapeOther,corvelLiteralDollar,corvelReference,corvelEmptyReference,corvelStringGroup
syn match corvelReference /\$\%([^ #[\]\\]\|\\[^n]\|\[[^ #[\]\\]*\]\)\+/ contained nextgroup=corvelReferenceEnd
syn match corvelReferenceEnd /#/ contained
syn match corvelEmptyReference /\$\ze\%([ #\]]\|\\n\|$\)/ contained
" An escaped backslash still stands before the '$', so the '$' is literal.
syn match corvelLiteralDollar /\\\\\$/ contained contains=corvelEscape

" Arithmetic: one operation between parentheses.
syn region corvelArithmetic matchgroup=corvelArithmeticDelimiter start=/(/ skip=/\\./ end=/)/
      \ contains=corvelEscape,corvelEscapeOther,corvelArithmetic,corvelArithmeticVariable,corvelNumber,corvelArithmeticOperator
syn match corvelArithmeticVariable /\%(^\|[ (]\)\@<=\$[^ ()[\]\\]*/ contained
syn match corvelNumber /\%(^\|[ (]\)\@<=[-+]\=\d\+/ contained
syn match corvelArithmeticOperator /\%( \)\@<=[-+*\/%]\+\ze\%([ )]\|$\)/ contained

syn cluster corvelWords contains=corvelEscape,corvelEscapeOther,corvelStrayBracket,corvelVariable,corvelLoneDollar,corvelString,corvelArithmetic

" Statement starts: a line start, or a ';' that no backslash escapes. A
" one-character word there that is no command ends the run.
syn match corvelUnknownCommand /\%(\%(^\|\\\@<!;\)\s*\)\@<=[^ \t;\\[\]()}*]\ze\t*\%( \|;\|$\)/
syn match corvelLabel /\%(\%(^\|\\\@<!;\)\s*\)\@<=\*\%([^ \t;[\]()\\]\+\| \+[^ \t;[\]()\\]\+\)\=/
syn match corvelBlockEnd /\%(\%(^\|\\\@<!;\)\s*\)\@<=}\ze\t*\%( \|;\|$\)/
syn match corvelType /\%(\%(^\|\\\@<!;\)\s*\)\@<=\%(int\|string\|array\|file\)\ze\t*\%( \|;\|$\)/
syn match corvelCommand /\%(\%(^\|\\\@<!;\)\s*\)\@<=\%(print\|cin\|strlen\|strupper\|strlower\|substr\|md5\|random\|add\|arrlen\|arrdel\|getarray\|set\|fopen\|fclose\|fread\|freadln\|fwrite\|fdone\|fexists\|unlink\|mkdir\|readdir\|system\|geturl\)\ze\t*\%( \|;\|$\)/
syn match corvelControl /\%(\%(^\|\\\@<!;\)\s*\)\@<=goto\ze\t*\%( \|;\|$\)/
" These four are commands only when alone in their statement: 'exit now' does nothing.
syn match corvelCommand /\%(\%(^\|\\\@<!;\)\s*\)\@<=\%(beep\|wait\)\ze\s*\%(;\|$\)/
syn match corvelControl /\%(\%(^\|\\\@<!;\)\s*\)\@<=\%(exit\|terminate\)\ze\s*\%(;\|$\)/

" The if line, up to the end of its statement. Its words look ahead to the line
" end with excludenl, so that only a bracket keeps it open past the line.
syn region corvelIf matchgroup=corvelConditional
      \ start=/\%(\%(^\|\\\@<!;\)\s*\)\@<=if\ze\t*\%( \|;\|$\)/ end=/;\@=/ end=/$/
      \ contains=corvelBadComparison,corvelComparison,corvelBlockBegin,@corvelWords
" Any other word of comparison characters is no operator: the condition is always false.
syn match corvelBadComparison excludenl /\%( \)\@<=[=!<>~]\+\ze\t*\%( \|;\|$\)/ contained
syn match corvelComparison excludenl /\%( \)\@<=\%(!\~=\|==\|!=\|\~=\|<>\|<=\|>=\|=<\|=>\|<\|>\)\ze\t*\%( \|;\|$\)/ contained
syn match corvelBlockBegin excludenl /\%( \)\@<={\ze\s*\%(;\|$\)/ contained

syn match corvelShebang /\%1l^#!.*$/

hi def link corvelShebang            Comment
hi def link corvelSeparator          Delimiter
hi def link corvelEscape             SpecialChar
hi def link corvelEscapeOther        SpecialChar
hi def link corvelStrayBracket       Error
hi def link corvelVariable           Identifier
hi def link corvelLoneDollar         Error
hi def link corvelString             String
hi def link corvelStringDelimiter    String
hi def link corvelReference          Identifier
hi def link corvelReferenceEnd       Delimiter
hi def link corvelEmptyReference     Error
hi def link corvelLiteralDollar      String
hi def link corvelArithmeticDelimiter Delimiter
hi def link corvelArithmeticVariable Identifier
hi def link corvelNumber             Number
hi def link corvelArithmeticOperator Operator
hi def link corvelUnknownCommand     Error
hi def link corvelLabel              Label
hi def link corvelBlockEnd           Delimiter
hi def link corvelBlockBegin         Delimiter
hi def link corvelType               Type
hi def link corvelCommand            Function
hi def link corvelControl            Statement
hi def link corvelConditional        Conditional
hi def link corvelBadComparison      Error
hi def link corvelComparison         Operator

let b:current_syntax = 'corvel'

let &cpo = s:cpo_save
unlet s:cpo_save
