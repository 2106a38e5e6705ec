proc main {} {
    set low 0
    set high 0
    set rows 0
    set f [open @DATA@ r]
    while {[gets $f line] >= 0} {
        set len [string length $line]
        set i 0
        set field 0
        set start 0
        while 1 {
            if {$i >= $len} break
            set j [expr {$i + 1}]
            set c [string index $line $i]
            if {$c eq ","} {
                set field [expr {$field + 1}]
                if {$field == 3} {
                    set cut [string range $line $start [expr {$i - 1}]]
                    set amount $cut
                    set low [expr {$low + $amount}]
                    set rows [expr {$rows + 1}]
                    if {$low >= 1000000000} {
                        set low [expr {$low - 1000000000}]
                        set high [expr {$high + 1}]
                    }
                    break
                }
                set i $j
                set start $j
                continue
            }
            set i $j
        }
    }
    close $f
    puts "$rows $high $low"
}
main
