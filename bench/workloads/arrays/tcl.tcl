proc main {} {
    set i 0
    set sum 0
    set w {}
    while 1 {
        set i [expr {$i + 1}]
        set r [expr {$i % 251}]
        lappend w $r
        set len [llength $w]
        if {$len > 100} {
            set w [lreplace $w 0 0]
        }
        set mid [expr {$len / 2}]
        set x [lindex $w $mid]
        set sum [expr {$sum + $x}]
        if {$i < @N@} continue
        break
    }
    set len [llength $w]
    puts "$sum $len"
}
main
