proc square {x} {
    return [expr {$x * $x}]
}

proc mod7 {x} {
    return [expr {$x % 7}]
}

proc clamp {x} {
    set r $x
    if {$x > 20} {
        set r 20
    }
    return $r
}

proc hyp {x z} {
    set s [square $x]
    return [expr {[square $z] + $s}]
}

proc main {} {
    set i 0
    set sum 0
    while 1 {
        set i [expr {$i + 1}]
        set a [expr {$i % 1000}]
        set y [square $a]
        set sum [expr {$sum + $y}]
        set y [mod7 $a]
        set sum [expr {$sum + $y}]
        set a [expr {$i % 37}]
        set y [square $a]
        set sum [expr {$sum + $y}]
        set y [clamp $a]
        set sum [expr {$sum + $y}]
        set y [mod7 $a]
        set sum [expr {$sum - $y}]
        set b [expr {$i % 101}]
        set y [hyp $a $b]
        set sum [expr {$sum + $y}]
        set y [clamp $b]
        set sum [expr {$sum - $y}]
        if {$sum > 1000000000} {
            set sum [expr {$sum - 1000000000}]
        }
        if {$i < @N@} continue
        break
    }
    puts $sum
}
main
