proc main {} {
    set i 0
    set x 0
    while 1 {
        set i [expr {$i + 1}]
        if {$i < 0} {
@@REPEAT FAR
            set x [expr {$x + 1}]
@@END
        }
        if {$i < @N@} continue
        break
    }
    puts "$i $x"
}
main
