proc main {} {
@@REPEAT V
    set v@k@ 0
@@END
    set r 0
    while 1 {
@@REPEAT V
        set v@k@ [expr {$v@prev@ + 1}]
@@END
        set r [expr {$r + 1}]
        if {$r < @N@} continue
        break
    }
    puts "$v0 $r"
}
main
