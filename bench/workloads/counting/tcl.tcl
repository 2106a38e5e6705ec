proc main {} {
    set table {}
    set f [open @DATA@ r]
    while {[gets $f word] >= 0} {
        set n [llength $table]
        set k 0
        while 1 {
            if {$k >= $n} {
                lappend table [list $word 1]
                break
            }
            set pair [lindex $table $k]
            set w [lindex $pair 0]
            if {$w eq $word} {
                set c [lindex $pair 1]
                set c [expr {$c + 1}]
                set pair [lreplace $pair 1 1]
                lappend pair $c
                lset table $k $pair
                break
            }
            set k [expr {$k + 1}]
        }
    }
    close $f
    set n [llength $table]
    for {set k 0} {$k < $n} {incr k} {
        set pair [lindex $table $k]
        set w [lindex $pair 0]
        set c [lindex $pair 1]
        puts "$w $c"
    }
}
main
