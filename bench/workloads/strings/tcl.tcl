proc main {} {
    set i 0
    set total 0
    set s ""
    set a ""
    while 1 {
        set i [expr {$i + 1}]
        set s "record $i of the run"
        set s [string toupper $s]
        set n [string length $s]
        set m [expr {$n - 7}]
        set s [string range $s 4 [expr {$m - 1}]]
        set a "${a}${s}:${n},"
        set r [expr {$i % 100}]
        if {$r == 0} {
            set k [string length $a]
            set total [expr {$total + $k}]
            set a ""
        }
        if {$i < @N@} continue
        break
    }
    set k [string length $a]
    set total [expr {$total + $k}]
    puts "$total $s"
}
main
