" Writes the file type, any error message and, for each line of the buffer, its
" runs of text with their syntax group, one line each, to the file g:out.
let s:out = ['filetype=' . &filetype, 'errmsg=' . v:errmsg]
for s:l in range(1, line('$'))
  let s:text = getline(s:l)
  let s:runs = []
  let s:start = 1
  for s:c in range(2, len(s:text) + 1)
    let s:name = synIDattr(synID(s:l, s:start, 1), 'name')
    if s:c > len(s:text) || synIDattr(synID(s:l, s:c, 1), 'name') !=# s:name
      call add(s:runs, strpart(s:text, s:start - 1, s:c - s:start) . "\t" . s:name)
      let s:start = s:c
    endif
  endfor
  call add(s:out, join(s:runs, "\t"))
endfor
call writefile(s:out, g:out)
qa!
