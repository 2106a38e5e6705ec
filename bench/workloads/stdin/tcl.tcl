proc main {} {
    set lines 0
    set total 0
    while {[gets stdin line] >= 0} {
        set len [string length $line]
        set total [expr {$total + $len}]
        set lines [expr {$lines + 1}]
    }
    puts "$lines $total"
}
main
