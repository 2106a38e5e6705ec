" Corvel scripts: the .cv extension, or a first line that runs corvel.
autocmd BufNewFile,BufRead *.cv setfiletype corvel
autocmd BufNewFile,BufRead * if !did_filetype() && getline(1) =~# '^#!.*[/ ]corvel\%(\s\|$\)' | setfiletype corvel | endif
