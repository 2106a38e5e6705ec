proc main {} {
    set i 0
@@REPEAT L
    incr i
@@END
    puts $i
}
main
