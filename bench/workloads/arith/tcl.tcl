proc main {} {
    set n 0
    set m 0
    set d 0
    set sum 0
    while 1 {
        set n [expr {$n + 1}]
        set m $n
        while 1 {
            set d [expr {$m % 10}]
            set sum [expr {$sum + $d}]
            set m [expr {$m / 10}]
            if {$m > 0} continue
            break
        }
        if {$n < @N@} continue
        break
    }
    puts $sum
}
main
