proc main {} {
    set words 0
    set letters 0
    set f [open @DATA@ r]
    while {[gets $f line] >= 0} {
        set len [string length $line]
        set i 0
        set inword 0
        while 1 {
            if {$i >= $len} break
            set c [string index $line $i]
            set i [expr {$i + 1}]
            if {$c eq " "} {
                set inword 0
                continue
            }
            set letters [expr {$letters + 1}]
            if {$inword == 0} {
                set words [expr {$words + 1}]
            }
            set inword 1
        }
    }
    close $f
    puts "$words $letters"
}
main
