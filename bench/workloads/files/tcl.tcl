proc main {} {
    set i 0
    set lines 0
    set total 0
    set f [open lines.txt w]
    while 1 {
        set i [expr {$i + 1}]
        puts $f "record $i of the bench files"
        if {$i < @N@} continue
        break
    }
    close $f
    set f [open lines.txt r]
    while {[gets $f line] >= 0} {
        set n [string length $line]
        set total [expr {$total + $n}]
        set lines [expr {$lines + 1}]
    }
    close $f
    puts "$lines $total"
}
main
