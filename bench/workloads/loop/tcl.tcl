proc main {} {
    set i 0
    while 1 {
        set i [expr {$i + 1}]
        if {$i < @N@} continue
        break
    }
    puts $i
}
main
